#include "resources/menu_table.h"

#include "resources/command_ids.h"

namespace veldra::resources {

const std::vector<MenuDef>& SharedMenu() {
  static const std::vector<MenuDef> menu = {
      {"ファイル(&F)",
       {
           {cmd::kFileNew, "新規(&N)...\tCtrl+N"},
           {cmd::kFileOpen, "開く(&O)...\tCtrl+O"},
           {cmd::kFileClose, "閉じる(&W)\tCtrl+W"},
           {cmd::kCloseCatalog, "ファイルを閉じる"},
           {cmd::kNewSave, "新規保存..."},
           {0, nullptr},
           {cmd::kPdfImport, "PDF取り込み(&1)...\tCtrl+1"},
           {cmd::kPdfBatchImport, "PDF一括取り込み(&2)...\tCtrl+2"},
           {cmd::kPdfExport, "PDF取り出し(&3)...\tCtrl+3"},
           {0, nullptr},
           {cmd::kPrintSetup, "プリンタの設定(&R)...\tCtrl+Shift+P"},
           {cmd::kPrint, "印刷(&P)...\tCtrl+P"},
           {0, nullptr},
           {cmd::kRecentFile, "最近使ったファイル"},
           {0, nullptr},
           {cmd::kAppExit, "アプリケーションの終了(&X)"},
       }},
      {"編集(&E)",
       {
           {cmd::kEditUndo, "取り消し(&U)\tCtrl+Z"},
           {cmd::kEditRedo, "やり直し(&R)\tCtrl+Shift+Z"},
           {0, nullptr},
           {cmd::kEditCut, "切り取り(&T)\tCtrl+X"},
           {cmd::kEditCopy, "コピー(&C)\tCtrl+C"},
           {cmd::kEditPaste, "貼り付け(&P)\tCtrl+V"},
           {cmd::kEditClear, "削除"},
           {cmd::kEditSelectAll, "すべてを選択(&A)\tCtrl+A"},
           {cmd::kSelectNone, "何も選択しない"},
           {0, nullptr},
           {cmd::kCategoryLabelEdit, "分類ラベル編集...\tCtrl+Shift+T"},
       }},
      {"PDF",
       {
           {cmd::kPdfOpen, "PDFを開く..."},
           {cmd::kPdfDuplicate, "PDFを複製(&D)\tCtrl+D"},
           {cmd::kPdfDelete, "PDFを削除..."},
           {0, nullptr},
           {cmd::kEntryInfo, "情報を見る(&I)...\tCtrl+I"},
           {0, nullptr},
           {cmd::kCategoryBatchChange, "分類一括変更..."},
       }},
      {"検索",
       {
           {cmd::kFullTextSearch, "PDF本文検索(&F)...\tCtrl+F"},
           {cmd::kFindNext, "次を検索(&G)\tCtrl+G"},
           {cmd::kFindPrevious, "前を検索\tCtrl+Shift+G"},
       }},
      {"ウィンドウ(&W)",
       {
           {cmd::kWindowCascade, "重ねて表示(&C)"},
           {cmd::kWindowTileHorizontal, "並べて表示(&T)"},
       }},
      {"ヘルプ(&H)",
       {
           {cmd::kAppAbout, "VELDRAについて(&A)..."},
           {cmd::kHelp, "ヘルプ..."},
       }},
  };
  return menu;
}

}  // namespace veldra::resources
