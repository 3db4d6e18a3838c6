#include "resources/accelerator_table.h"

#include "resources/command_ids.h"

namespace veldra::resources {

const std::vector<AcceleratorDef>& AcceleratorTable() {
  constexpr auto kCtrl = Qt::ControlModifier;
  constexpr auto kShift = Qt::ShiftModifier;
  constexpr auto kAlt = Qt::AltModifier;
  static const std::vector<AcceleratorDef> table = {
      {kCtrl | kShift | Qt::Key_T, cmd::kCategoryLabelEdit},
      {kCtrl | Qt::Key_C, cmd::kEditCopy},
      {kCtrl | Qt::Key_Insert, cmd::kEditCopy},
      {kShift | Qt::Key_Delete, cmd::kEditCut},
      {kCtrl | Qt::Key_X, cmd::kEditCut},
      {kCtrl | Qt::Key_V, cmd::kEditPaste},
      {kShift | Qt::Key_Insert, cmd::kEditPaste},
      {kCtrl | Qt::Key_A, cmd::kEditSelectAll},
      {kAlt | Qt::Key_Backspace, cmd::kEditUndo},
      {kCtrl | Qt::Key_Z, cmd::kEditUndo},
      {kCtrl | Qt::Key_3, cmd::kPdfExport},
      {kCtrl | Qt::Key_1, cmd::kPdfImport},
      {kCtrl | Qt::Key_2, cmd::kPdfBatchImport},
      {kCtrl | Qt::Key_N, cmd::kFileNew},
      {kCtrl | Qt::Key_O, cmd::kFileOpen},
      {kCtrl | Qt::Key_P, cmd::kPrint},
      {kCtrl | kShift | Qt::Key_P, cmd::kPrintSetup},
      {kCtrl | Qt::Key_S, cmd::kFileSave},
      {QKeyCombination(Qt::Key_F6), cmd::kNextPane},
      {kCtrl | Qt::Key_I, cmd::kEntryInfo},
      {kShift | Qt::Key_F6, cmd::kPreviousPane},
      {kCtrl | Qt::Key_W, cmd::kFileClose},
      {kCtrl | Qt::Key_F, cmd::kFullTextSearch},
      {kCtrl | Qt::Key_G, cmd::kFindNext},
      {kCtrl | kShift | Qt::Key_G, cmd::kFindPrevious},
  };
  return table;
}

}  // namespace veldra::resources
