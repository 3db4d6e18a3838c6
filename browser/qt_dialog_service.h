// The DialogService that shows real Qt dialogs.
#pragma once

#include "browser/dialog_service.h"

namespace veldra {

class QtDialogService : public DialogService {
 public:
  MessageButton ShowMessage(const MessageRequest& request) override;
  bool ChooseFile(const FileRequest& request, std::string* path) override;
  bool ChooseFolder(const FolderRequest& request, std::string* folder) override;
  void RunPrinterSetup(QWidget* owner) override;
  bool RunPrintDialog(QPrinter* printer, const PrintRequest& request) override;
  int RunModal(QDialog* dialog) override;
  bool OpenUrl(const std::string& url) override;
};

}  // namespace veldra
