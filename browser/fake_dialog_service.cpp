#include "browser/fake_dialog_service.h"

#include <QDialog>
#include <QMetaObject>

#include "browser/ui_text.h"

namespace veldra {

MessageButton FakeDialogService::ShowMessage(const MessageRequest& request) {
  messages.push_back(request);
  if (message_answers.empty()) return request.default_button;
  MessageButton answer = message_answers.front();
  message_answers.pop_front();
  return answer;
}

bool FakeDialogService::ChooseFile(const FileRequest& request, std::string* path) {
  file_requests.push_back(request);
  if (file_answers.empty()) return false;
  std::optional<std::string> answer = file_answers.front();
  file_answers.pop_front();
  if (!answer) return false;
  *path = *answer;
  return true;
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
