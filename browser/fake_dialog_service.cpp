#include "browser/fake_dialog_service.h"

#include <QDialog>
#include <QMetaObject>

#include "browser/ui_text.h"

namespace veldra {
namespace {

class FakeProgress : public ProgressReporter {
 public:
  explicit FakeProgress(FakeDialogService* service) : service_(service) {
    ++service_->open_progress;
  }
  ~FakeProgress() override { --service_->open_progress; }
  bool Step(int done, const std::string& label) override {
    service_->progress_steps.push_back({done, label});
    if (service_->on_progress_step) service_->on_progress_step(done);
    const int stop = service_->stop_progress_at_step;
    return stop <= 0 || static_cast<int>(service_->progress_steps.size()) < stop;
  }

 private:
  FakeDialogService* service_;
};

}  // namespace

MessageButton FakeDialogService::ShowMessage(const MessageRequest& request) {
  messages.push_back(request);
  if (message_answers.empty()) return request.default_button;
  MessageButton answer = message_answers.front();
  message_answers.pop_front();
  return answer;
}

bool FakeDialogService::ChooseFile(const FileRequest& request, std::string* path) {
  file_requests.push_back(request);
  while (!file_answers.empty()) {
    std::optional<std::string> answer = file_answers.front();
    file_answers.pop_front();
    if (!answer) return false;
    // A refused path is explained and the dialog stays open: the next answer is the choice.
    if (request.refuse_path) {
      const std::string refusal = request.refuse_path(*answer);
      if (!refusal.empty()) {
        ShowWarningBox(refusal);
        continue;
      }
    }
    *path = *answer;
    return true;
  }
  return false;
}

bool FakeDialogService::ChooseFolder(const FolderRequest& request, std::string* folder) {
  folder_requests.push_back(request);
  if (folder_answers.empty()) return false;
  std::optional<std::string> answer = folder_answers.front();
  folder_answers.pop_front();
  if (!answer) return false;
  *folder = *answer;
  return true;
}

std::unique_ptr<ProgressReporter> FakeDialogService::StartProgress(
    const ProgressRequest& request) {
  progress_requests.push_back(request);
  return std::make_unique<FakeProgress>(this);
}

void FakeDialogService::RunPrinterSetup(QWidget*) { ++printer_setups; }

bool FakeDialogService::RunPrintDialog(QPrinter* printer, const PrintRequest& request) {
  print_requests.push_back(request);
  return print_handler ? print_handler(printer) : false;
}

int FakeDialogService::RunModal(QDialog* dialog) {
  modals.push_back({dialog->metaObject()->className(), FromQString(dialog->windowTitle())});
  return modal_handler ? modal_handler(dialog) : QDialog::Rejected;
}

bool FakeDialogService::OpenUrl(const std::string& url) {
  opened_urls.push_back(url);
  return true;
}

}  // namespace veldra
