#include "platform/viewer/component_registry.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QPluginLoader>
#include <map>
#include <memory>
#include <utility>

#include "platform/codepage.h"
#include "platform/viewer/viewer_component.h"

namespace veldra::viewer {
namespace {

// The folder a test set; "" for the one next to the executable.
std::string& FolderOverride() {
  static std::string folder;
  return folder;
}

QString FromCp932(const std::string& text) {
  return QString::fromStdString(platform::Cp932ToUtf8(text));
}

std::string ToCp932(const QString& text) {
  std::string out;
  platform::Utf8ToCp932(text.toStdString(), &out);
  return out;
}

constexpr qint64 kRegistrationLimit = 4096;

}  // namespace

std::string ComponentFolder() {
  if (!FolderOverride().empty()) return FolderOverride();
  return ToCp932(QCoreApplication::applicationDirPath()) + "/components/";
}

std::string RegisteredLibrary(const std::string& class_id) {
  const std::string folder = ComponentFolder();
  QFile registration(FromCp932(folder + class_id + ".reg"));
  if (!registration.open(QIODevice::ReadOnly)) return std::string();
  const QString name =
      QString::fromUtf8(registration.readLine(kRegistrationLimit)).trimmed();
  if (name.isEmpty()) return std::string();
  return QFileInfo(name).isAbsolute() ? ToCp932(name) : folder + ToCp932(name);
}

ViewerComponent* LoadViewerComponent(const std::string& class_id) {
  const std::string library = RegisteredLibrary(class_id);
  if (library.empty()) return nullptr;
  // One loader per library for the whole run: the controls' code must stay mapped while
  // any control lives, and loading again is only a look-up.
  static std::map<std::string, std::unique_ptr<QPluginLoader>> loaders;
  auto& loader = loaders[library];
  if (!loader) loader = std::make_unique<QPluginLoader>(FromCp932(library));
  return qobject_cast<ViewerComponent*>(loader->instance());
}

ScopedComponentFolder::ScopedComponentFolder(std::string folder)
    : previous_(std::exchange(FolderOverride(), std::move(folder))) {}

ScopedComponentFolder::~ScopedComponentFolder() { FolderOverride() = previous_; }

}  // namespace veldra::viewer
