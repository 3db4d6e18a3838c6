#include "browser/dialog_service.h"

#include "browser/qt_dialog_service.h"
#include "browser/ui_text.h"
#include "resources/app_strings.h"

namespace veldra {
namespace {

DialogService* installed = nullptr;

}  // namespace

DialogService& DialogService::Current() {
  static QtDialogService real;
  return installed ? *installed : real;
}

ScopedDialogService::ScopedDialogService(DialogService* service) : previous_(installed) {
  installed = service;
}

ScopedDialogService::~ScopedDialogService() { installed = previous_; }

void ShowWarningBox(const std::string& text, QWidget* owner) {
  MessageRequest request;
  request.caption = UiText(resources::kAppTitle);
  request.text = text;
  request.icon = MessageIcon::kWarning;
  request.buttons = {MessageButton::kOk};
  request.default_button = MessageButton::kOk;
  request.owner = owner;
  DialogService::Current().ShowMessage(request);
}

}  // namespace veldra
