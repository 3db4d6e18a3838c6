// Every message box, standard dialog, modal dialog and shell "open" request of the
// application goes through DialogService::Current(). The real implementation shows Qt
// widgets; tests install a FakeDialogService (fake_dialog_service.h) that records each
// request with its exact texts and answers it from a script.
//
// Texts are CP932.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class QDialog;
class QPrinter;
class QWidget;

namespace veldra {

enum class MessageIcon { kNone, kInformation, kWarning, kCritical, kQuestion };
enum class MessageButton { kNone, kOk, kCancel, kYes, kNo };

struct MessageRequest {
  std::string caption;
  std::string text;
  MessageIcon icon = MessageIcon::kNone;
  std::vector<MessageButton> buttons;  // in display order
  MessageButton default_button = MessageButton::kNone;
  QWidget* owner = nullptr;            // nullptr: no owner window
};

struct FileFilter {
  std::string name;     // as the dialog lists it, e.g. "VELDRAファイル (*.vdc)"
  std::string pattern;  // e.g. "*.vdc"
};

struct FileRequest {
  enum class Kind { kOpen, kSave };
  Kind kind = Kind::kOpen;
  std::string caption;
  std::vector<FileFilter> filters;
  int selected_filter = 0;
  std::string default_suffix;       // without the dot; "" for none
  std::string initial_folder;       // "" lets the dialog choose
  std::string default_name;         // the file name filled in; "" for none
  bool file_must_exist = false;
  bool confirm_overwrite = false;
  bool hide_read_only = false;
  QWidget* owner = nullptr;
  // When set, every path the user accepts is given to it first, before anything else is
  // asked (whether to replace an existing file, say). A text refuses the path: it is shown
  // in a warning box and the dialog stays open for another choice. "" lets the path pass.
  std::function<std::string(const std::string& path)> refuse_path;
};

struct FolderRequest {
  std::string title;           // shown above the folders
  std::string initial_folder;  // preselected when not ""
  QWidget* owner = nullptr;
};

struct PrintRequest {
  int page_count = 0;    // pages of the document, counted from 1
  int current_page = 0;  // the page shown, 1..page_count
  QWidget* owner = nullptr;
};

struct ProgressRequest {
  std::string title;
  int total = 0;               // steps of the whole work
  QWidget* owner = nullptr;
};

// A long piece of work shown to the user while it runs on the user-interface thread.
class ProgressReporter {
 public:
  virtual ~ProgressReporter() = default;
  // done steps of the total are finished; label says what comes next. Lets the window
  // system work. false once the user asked to stop.
  virtual bool Step(int done, const std::string& label) = 0;
};

class DialogService {
 public:
  virtual ~DialogService() = default;

  // The service in use: the Qt one unless a test installed another.
  static DialogService& Current();

  // Shows a message box; returns the button that closed it.
  virtual MessageButton ShowMessage(const MessageRequest& request) = 0;

  // Runs a file dialog. true and the chosen path (CP932, "/" separators) on OK.
  virtual bool ChooseFile(const FileRequest& request, std::string* path) = 0;

  // Runs the folder chooser (only folders of the file system can be chosen). true and the
  // chosen folder (CP932, "/" separators, no trailing "/") on OK.
  virtual bool ChooseFolder(const FolderRequest& request, std::string* folder) = 0;

  // Starts showing the progress of a piece of work; it ends when the reporter goes.
  virtual std::unique_ptr<ProgressReporter> StartProgress(const ProgressRequest& request) = 0;

  // The platform's printer set-up dialog.
  virtual void RunPrinterSetup(QWidget* owner) = 0;

  // The platform's print dialog for a document of request.page_count pages. The choice
  // (printer, output file, range, copies) is left in printer; true to print.
  virtual bool RunPrintDialog(QPrinter* printer, const PrintRequest& request) = 0;

  // Runs a modal dialog of the application's own; returns the dialog's result code.
  virtual int RunModal(QDialog* dialog) = 0;

  // The shell's "open" verb on a URL. The result is the shell's; callers may ignore it.
  virtual bool OpenUrl(const std::string& url) = 0;
};

// Installs a service for the lifetime of this object (tests); restores the previous one.
class ScopedDialogService {
 public:
  explicit ScopedDialogService(DialogService* service);
  ~ScopedDialogService();
  ScopedDialogService(const ScopedDialogService&) = delete;
  ScopedDialogService& operator=(const ScopedDialogService&) = delete;

 private:
  DialogService* previous_;
};

// The warning box: caption "VELDRA", warning icon, one OK button.
void ShowWarningBox(const std::string& text, QWidget* owner = nullptr);

}  // namespace veldra
