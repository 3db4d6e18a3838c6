// A DialogService for tests: records every request with its exact texts and answers from
// scripts. Unscripted message boxes answer with their default button, unscripted file
// dialogs, folder choosers and modal dialogs are cancelled.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "browser/dialog_service.h"

namespace veldra {

class FakeDialogService : public DialogService {
 public:
  struct ModalRecord {
    std::string class_name;   // the dialog's C++ class, from its meta-object
    std::string title;        // CP932
  };

  MessageButton ShowMessage(const MessageRequest& request) override;
  bool ChooseFile(const FileRequest& request, std::string* path) override;
  bool ChooseFolder(const FolderRequest& request, std::string* folder) override;
  std::unique_ptr<ProgressReporter> StartProgress(const ProgressRequest& request) override;
  void RunPrinterSetup(QWidget* owner) override;
  bool RunPrintDialog(QPrinter* printer, const PrintRequest& request) override;
  int RunModal(QDialog* dialog) override;
  bool OpenUrl(const std::string& url) override;

  // Scripts, consumed in order.
  std::deque<MessageButton> message_answers;
  // nullopt: cancel. A path the request refuses is followed by the next answer, as the
  // dialog stays open after its warning.
  std::deque<std::optional<std::string>> file_answers;
  std::deque<std::optional<std::string>> folder_answers;  // nullopt: cancel
  // The progress reporters answer false (stop) from this step on (counted over all of
  // them from 1); 0 never.
  int stop_progress_at_step = 0;
  // Called with each progress step's done count as it is told (a test's moment to change
  // the world in the middle of the work).
  std::function<void(int done)> on_progress_step;
  // Called with each modal dialog instead of running it; its return is the result code.
  std::function<int(QDialog*)> modal_handler;
  // Called with each print dialog's printer to make the choice; unset: the dialog is
  // cancelled.
  std::function<bool(QPrinter*)> print_handler;

  // What was asked.
  std::vector<MessageRequest> messages;
  std::vector<FileRequest> file_requests;
  std::vector<FolderRequest> folder_requests;
  std::vector<ProgressRequest> progress_requests;
  struct ProgressStep {
    int done;
    std::string label;
  };
  std::vector<ProgressStep> progress_steps;
  int open_progress = 0;  // reporters not yet ended
  std::vector<ModalRecord> modals;
  std::vector<std::string> opened_urls;
  int printer_setups = 0;
  std::vector<PrintRequest> print_requests;
};

}  // namespace veldra
