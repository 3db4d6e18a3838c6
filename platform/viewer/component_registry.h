// Where components are registered: the folder "components" next to the executable. A
// component is registered under its class id by a file "<class id>.reg" in that folder
// whose first line names the component's library, relative to the folder.
//
// Paths are CP932 with "/" separators, as everywhere in the system.
#pragma once

#include <string>

namespace veldra::viewer {

class ViewerComponent;

// The component folder, ending with "/": the one a test set, else "<executable folder>/components/".
std::string ComponentFolder();

// The library registered under class_id, as a full path; "" when the registration cannot
// be read or names nothing. The library itself is not looked at.
std::string RegisteredLibrary(const std::string& class_id);

// The component registered under class_id, loaded once per library and kept for the run;
// nullptr when it is not registered, its library cannot be loaded, or the library is not
// a viewer component. The registration is read again on every call.
ViewerComponent* LoadViewerComponent(const std::string& class_id);

// Makes folder (ending with "/") the component folder for the lifetime of this object.
class ScopedComponentFolder {
 public:
  explicit ScopedComponentFolder(std::string folder);
  ~ScopedComponentFolder();
  ScopedComponentFolder(const ScopedComponentFolder&) = delete;
  ScopedComponentFolder& operator=(const ScopedComponentFolder&) = delete;

 private:
  std::string previous_;
};

}  // namespace veldra::viewer
