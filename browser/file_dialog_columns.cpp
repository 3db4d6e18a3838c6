#include "browser/file_dialog_columns.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFontMetrics>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QMimeDatabase>
#include <QTreeView>
#include <algorithm>
#include <initializer_list>

#include "browser/ui_text.h"

namespace veldra {
namespace {

// The columns of the file model.
enum Column { kName, kSize, kType, kDate };

// Room beside a column's text: the cell's margins and the header's sort arrow.
constexpr int kColumnPaddingChars = 4;

class LocaleFileColumns : public QIdentityProxyModel {
 public:
  using QIdentityProxyModel::QIdentityProxyModel;

  QVariant data(const QModelIndex& index, int role) const override {
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (role != Qt::DisplayRole || index.column() == kName || files == nullptr) {
      return QIdentityProxyModel::data(index, role);
    }
    const QModelIndex source = mapToSource(index);
    const QFileInfo info = files->fileInfo(source);
    switch (index.column()) {
      case kSize: return info.isDir() ? QString() : FileSizeText(info.size());
      case kType: return FileTypeText(info, files->type(source));
      case kDate: return FileDateText(files->lastModified(source));
      default: return QIdentityProxyModel::data(index, role);
    }
  }
};

// Makes the column at least as wide as the widest of samples; returns the pixels it grew.
int WidenColumn(QTreeView* view, int column, std::initializer_list<QString> samples) {
  const QFontMetrics metrics(view->font());
  int needed = 0;
  for (const QString& text : samples) needed = std::max(needed, metrics.horizontalAdvance(text));
  needed += kColumnPaddingChars * metrics.averageCharWidth();
  QHeaderView* header = view->header();
  const int grown = std::max(0, needed - header->sectionSize(column));
  if (grown > 0) header->resizeSection(column, needed);
  return grown;
}

}  // namespace

QString FileSizeText(qint64 bytes) {
  return QLocale().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

QString FileTypeText(const QFileInfo& info, const QString& known_type) {
  if (info.isDir()) return ToQString(UiText("ファイル フォルダー"));
  if (!QMimeDatabase().mimeTypeForFile(info, QMimeDatabase::MatchExtension).isDefault()) {
    return known_type;
  }
  const QString suffix = info.suffix().toUpper();
  return suffix.isEmpty() ? ToQString(UiText("ファイル")) : suffix + ToQString(UiText(" ファイル"));
}

QString FileDateText(const QDateTime& modified) {
  return QLocale().toString(modified, QLocale::ShortFormat);
}

void UseLocaleFileColumns(QFileDialog* dialog) {
  dialog->setOption(QFileDialog::DontUseNativeDialog, true);
  dialog->setProxyModel(new LocaleFileColumns(dialog));
  auto* view = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
  if (view == nullptr) return;
  const QDateTime late_date(QDate(2000, 12, 28), QTime(23, 59));
  int grown = WidenColumn(view, kSize, {FileSizeText(1048575), FileSizeText(999 * 1048576LL)});
  grown += WidenColumn(view, kType,
                       {FileTypeText(QFileInfo(QDir::rootPath()), QString()),
                        QMimeDatabase().mimeTypeForName(QStringLiteral("application/pdf")).comment()});
  grown += WidenColumn(view, kDate, {FileDateText(late_date)});
  dialog->resize(dialog->width() + grown, dialog->height());
}

}  // namespace veldra
