#include "browser/entry_list_columns.h"

namespace veldra {

const std::array<EntryColumnDef, kEntryColumnCount>& EntryColumns() {
  constexpr Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignVCenter;
  constexpr Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;
  static const std::array<EntryColumnDef, kEntryColumnCount> columns = {{
      {"タイトル", 150, kLeft, 2},
      {"ファイル", 150, kLeft, 6},
      {"分類１", 100, kLeft, 3},
      {"分類２", 100, kLeft, 4},
      {"分類３", 100, kLeft, 5},
      {"サイズ", 70, kRight, 7},
      {"修正日時", 110, kLeft, 12},
      {"マイレート", 75, kLeft, 8},
      {"著者", 100, kLeft, 15},
      {"編集者", 100, kLeft, 16},
      {"監修者", 100, kLeft, 17},
      {"翻訳者", 100, kLeft, 18},
      {"出版社", 100, kLeft, 19},
      {"ノート", 150, kLeft, 0},
  }};
  return columns;
}

}  // namespace veldra
