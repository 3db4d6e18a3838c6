#include "shell/entry_window_tab2_view.h"

#include <QLabel>

#include "browser/dialog_units.h"
#include "commands/entry_list_text.h"
#include "browser/ui_text.h"

namespace veldra {
namespace {

// The file name is read from the record through a buffer of this size.
constexpr size_t kFieldBufferSize = 1024;

constexpr const char* kLabelTexts[CEntryWindowTab2View::kValueCount] = {
    "ファイル名：", "サイズ：", "PDFタイムスタンプ：", "作成日時：", "修正日時：",
    "最後に見た日時：", "最後に使った日時："};

// The rows of the page in dialog units: labels from the left margin, values in one column.
constexpr int kLabelX = 4;
constexpr int kValueX = 73;
constexpr int kValueWidth = 184;
constexpr int kFirstRowY = 10;
constexpr int kRowStep = 18;
constexpr int kRowHeight = 8;

}  // namespace

CEntryWindowTab2View::CEntryWindowTab2View(QWidget* parent) : QWidget(parent) {
  const DialogUnits units(font());
  for (int v = 0; v < kValueCount; ++v) {
    const int y = kFirstRowY + v * kRowStep;
    labels_[v] = new QLabel(ToQString(UiText(kLabelTexts[v])), this);
    labels_[v]->setGeometry(units.Rect(kLabelX, y, kValueX - kLabelX, kRowHeight));
    values_[v] = new QLabel(this);
    values_[v]->setTextFormat(Qt::PlainText);
    values_[v]->setGeometry(units.Rect(kValueX, y, kValueWidth, kRowHeight));
  }
}

void CEntryWindowTab2View::Fill(const EntryRecord& entry) {
  const std::string texts[kValueCount] = {
      entry.file_name.Text(kFieldBufferSize),
      commands::FormatFileSize(entry.file_size),
      commands::FormatShortDate(entry.file_create_date.data()),
      commands::FormatShortDate(entry.create_date.data()),
      commands::FormatShortDate(entry.update_date.data()),
      commands::FormatShortDate(entry.last_view_date.data()),
      commands::FormatShortDate(entry.last_use_date.data())};
  for (int v = 0; v < kValueCount; ++v) values_[v]->setText(ToQString(texts[v]));
}

}  // namespace veldra
