#include "browser/qt_dialog_service.h"

#include <QDesktopServices>
#include <algorithm>
#include <QDialog>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QStringList>
#include <QUrl>

#include "browser/file_dialog_columns.h"
#include "browser/progress_dlg.h"
#include "browser/ui_text.h"

namespace veldra {
namespace {

QMessageBox::Icon ToQtIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::kInformation: return QMessageBox::Information;
    case MessageIcon::kWarning: return QMessageBox::Warning;
    case MessageIcon::kCritical: return QMessageBox::Critical;
    case MessageIcon::kQuestion: return QMessageBox::Question;
    case MessageIcon::kNone: break;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButton ToQtButton(MessageButton button) {
  switch (button) {
    case MessageButton::kOk: return QMessageBox::Ok;
    case MessageButton::kCancel: return QMessageBox::Cancel;
    case MessageButton::kYes: return QMessageBox::Yes;
    case MessageButton::kNo: return QMessageBox::No;
    case MessageButton::kNone: break;
  }
  return QMessageBox::NoButton;
}

MessageButton FromQtButton(int button) {
  switch (button) {
    case QMessageBox::Ok: return MessageButton::kOk;
    case QMessageBox::Cancel: return MessageButton::kCancel;
    case QMessageBox::Yes: return MessageButton::kYes;
    case QMessageBox::No: return MessageButton::kNo;
    default: break;
  }
  return MessageButton::kNone;
}

// "name" when it already names its pattern in parentheses, else "name (pattern)".
QString FilterText(const FileFilter& filter) {
  QString name = ToQString(filter.name);
  QString pattern = ToQString(filter.pattern);
  if (name.contains(QLatin1Char('(') + pattern + QLatin1Char(')'))) return name;
  return name + QStringLiteral(" (") + pattern + QLatin1Char(')');
}

// "*.*" means every file, as it does where the names come from: on Linux many files have no
// dot. The filter keeps its text; the list behind it shows everything.
void MatchEveryFileForStarDotStar(QFileDialog* dialog, const QString& selected_filter) {
  if (!selected_filter.endsWith(QStringLiteral("(*.*)"))) return;
  if (auto* model = dialog->findChild<QFileSystemModel*>()) {
    model->setNameFilters({QStringLiteral("*")});
  }
}

// A file dialog that puts each accepted path to the request's refusal first: a refused one
// is explained, and the dialog stays open without asking anything more.
class CheckedFileDialog : public QFileDialog {
 public:
  explicit CheckedFileDialog(const FileRequest& request)
      : QFileDialog(request.owner, ToQString(request.caption), ToQString(request.initial_folder)),
        refuse_path_(request.refuse_path) {}

  void accept() override {
    const QStringList files = selectedFiles();
    if (refuse_path_ && !files.isEmpty()) {
      const std::string refusal = refuse_path_(FromQString(files.first()));
      if (!refusal.empty()) {
        ShowWarningBox(refusal, this);
        return;
      }
    }
    QFileDialog::accept();
  }

 private:
  std::function<std::string(const std::string&)> refuse_path_;
};

}  // namespace

MessageButton QtDialogService::ShowMessage(const MessageRequest& request) {
  QMessageBox box(ToQtIcon(request.icon), ToQString(request.caption),
                  ToQString(request.text), QMessageBox::NoButton, request.owner);
  for (MessageButton button : request.buttons) box.addButton(ToQtButton(button));
  if (request.default_button != MessageButton::kNone) {
    box.setDefaultButton(ToQtButton(request.default_button));
  }
  return FromQtButton(box.exec());
}

bool QtDialogService::ChooseFile(const FileRequest& request, std::string* path) {
  CheckedFileDialog dialog(request);
  QStringList filters;
  for (const FileFilter& filter : request.filters) filters << FilterText(filter);
  dialog.setNameFilters(filters);
  if (request.selected_filter >= 0 && request.selected_filter < filters.size()) {
    dialog.selectNameFilter(filters[request.selected_filter]);
  }
  if (!request.default_suffix.empty()) dialog.setDefaultSuffix(ToQString(request.default_suffix));
  if (request.kind == FileRequest::Kind::kOpen) {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.file_must_exist ? QFileDialog::ExistingFile
                                               : QFileDialog::AnyFile);
  } else {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirm_overwrite);
  }
  dialog.setOption(QFileDialog::ReadOnly, false);
  // Qt's own dialog: it speaks the application's language, in the application's locale, and
  // its filters can be adjusted.
  UseLocaleFileColumns(&dialog);
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                   [&dialog](const QString& filter) { MatchEveryFileForStarDotStar(&dialog, filter); });
  MatchEveryFileForStarDotStar(&dialog, dialog.selectedNameFilter());
  if (!request.default_name.empty()) dialog.selectFile(ToQString(request.default_name));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  *path = FromQString(dialog.selectedFiles().first());
  return true;
}

bool QtDialogService::ChooseFolder(const FolderRequest& request, std::string* folder) {
  QFileDialog dialog(request.owner, ToQString(request.title), ToQString(request.initial_folder));
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, true);
  UseLocaleFileColumns(&dialog);
  if (!request.initial_folder.empty()) dialog.selectFile(ToQString(request.initial_folder));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  QString chosen = dialog.selectedFiles().first();
  while (chosen.size() > 1 && chosen.endsWith(QLatin1Char('/'))) chosen.chop(1);
  *folder = FromQString(chosen);
  return true;
}

std::unique_ptr<ProgressReporter> QtDialogService::StartProgress(
    const ProgressRequest& request) {
  return std::make_unique<ProgressDlg>(request);
}

void QtDialogService::RunPrinterSetup(QWidget* owner) {
  // One printer for the whole run, so that a choice made here is kept until exit.
  static QPrinter printer;
  QPrintDialog dialog(&printer, owner);
  dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
  dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
  dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
  dialog.exec();
}

bool QtDialogService::RunPrintDialog(QPrinter* printer, const PrintRequest& request) {
  QPrintDialog dialog(printer, request.owner);
  dialog.setMinMax(1, std::max(1, request.page_count));
  dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
  dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, true);
  dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
  return dialog.exec() == QDialog::Accepted;
}

int QtDialogService::RunModal(QDialog* dialog) { return dialog->exec(); }

bool QtDialogService::OpenUrl(const std::string& url) {
  return QDesktopServices::openUrl(QUrl(ToQString(url)));
}

}  // namespace veldra
