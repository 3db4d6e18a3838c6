// Commands travel from the shared menu and the accelerators to the first window that
// handles them: the active child window's view, then its frame, then the main frame and the
// application. A command that nobody handles is shown disabled.
#pragma once

namespace veldra {

enum class CommandState { kNotHandled, kEnabled, kDisabled };

class CommandTarget {
 public:
  virtual ~CommandTarget() = default;
  // Whether this target handles command id, and if so whether it is enabled now.
  virtual CommandState QueryCommand(int id) = 0;
  // Runs command id; called only after QueryCommand returned kEnabled.
  virtual void RunCommand(int id) = 0;
};

}  // namespace veldra
