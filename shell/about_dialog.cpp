#include "shell/about_dialog.h"

#include <QLabel>
#include <QPushButton>

#include "browser/dialog_service.h"
#include "browser/dialog_units.h"
#include "browser/ui_text.h"
#include "resources/app_icon.h"
#include "resources/app_strings.h"

namespace veldra {
namespace {

QLabel* AddText(QWidget* parent, const DialogUnits& du, const char* utf8, int x, int y, int w,
                int h) {
  auto* label = new QLabel(ToQString(UiText(utf8)), parent);
  label->setGeometry(du.Rect(x, y, w, h));
  label->setWordWrap(false);
  return label;
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint) {
  setWindowTitle(ToQString(UiText("VELDRA について")));
  setModal(true);
  const DialogUnits du(font());
  FixDialogSize(this, du.Size(kWidthDlu, kHeightDlu));

  auto* icon = new QLabel(this);
  const QRect icon_rect = du.Rect(62, 17, 18, 21);
  icon->setGeometry(icon_rect);
  icon->setPixmap(resources::AppIconPixmap(32));
  icon->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  // The texts may need more room than their dialog units give with this font; they keep
  // their left edges and do not wrap.
  AddText(this, du, resources::kAppTitle, 55, 46, 25, 8)->adjustSize();
  AddText(this, du, "バージョン0.9", 54, 60, 35, 8)->adjustSize();

  home_page_button_ = new QPushButton(ToQString(UiText(resources::kHomePageUrl)), this);
  home_page_button_->setGeometry(du.Rect(10, 78, 123, 16));
  home_page_button_->setAutoDefault(false);
  connect(home_page_button_, &QPushButton::clicked, this, &CAboutDlg::OnHomePage);

  AddText(this, du, resources::kMakerNoticeLine1, 18, 105, 107, 8)->adjustSize();
  AddText(this, du, resources::kMakerNoticeLine2, 42, 118, 58, 8)->adjustSize();

  close_button_ = new QPushButton(ToQString(UiText("閉じる")), this);
  close_button_->setGeometry(du.Rect(46, 136, 50, 16));
  close_button_->setDefault(true);
  connect(close_button_, &QPushButton::clicked, this, &QDialog::accept);
}

void CAboutDlg::OnHomePage() { DialogService::Current().OpenUrl(UiText(resources::kHomePageUrl)); }

}  // namespace veldra
