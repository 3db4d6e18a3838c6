// Command ids of the shared menu and the accelerator table. Every window routes commands by
// these numbers. They never change, so that stored state and documentation keep meaning the
// same thing.
#pragma once

namespace veldra::cmd {

// File menu.
constexpr int kFileNew = 57600;
constexpr int kFileOpen = 57601;
constexpr int kFileClose = 57602;          // detail windows close themselves
constexpr int kFileSave = 57603;           // bound to Ctrl+S, handled by no window
constexpr int kCloseCatalog = 32849;       // the browser closes its catalog
constexpr int kNewSave = 32826;
constexpr int kPdfImport = 32813;
constexpr int kPdfBatchImport = 32816;
constexpr int kPdfExport = 32829;
constexpr int kPrintSetup = 57606;
constexpr int kPrint = 57607;
// The recent catalogs: the first item of the list, the others follow it (57616..57619). The
// first stands disabled, under its own text, while the list is empty.
constexpr int kRecentFile = 57616;
constexpr int kRecentFileCount = 4;
constexpr int kAppExit = 57665;

// Edit menu.
constexpr int kEditUndo = 57643;
constexpr int kEditRedo = 57644;
constexpr int kEditCut = 57635;
constexpr int kEditCopy = 57634;
constexpr int kEditPaste = 57637;
constexpr int kEditClear = 57632;
constexpr int kEditSelectAll = 57642;
constexpr int kSelectNone = 32832;
constexpr int kCategoryLabelEdit = 32817;

// PDF menu.
constexpr int kPdfOpen = 32830;
constexpr int kPdfDuplicate = 32831;       // always disabled: no handler
constexpr int kPdfDelete = 32827;
constexpr int kEntryInfo = 32812;
constexpr int kCategoryBatchChange = 32824;

// The PDF viewer's paging and history commands. No menu item or key sends them; the viewer
// handles them when they arrive.
constexpr int kPdfFirstPage = 32841;
constexpr int kPdfPreviousPage = 32842;
constexpr int kPdfNextPage = 32843;
constexpr int kPdfLastPage = 32844;
constexpr int kPdfNoOperation = 32845;     // handled, and does nothing
constexpr int kPdfBackward = 32846;
constexpr int kPdfForward = 32847;

// Search menu: the search window of a catalog (in a viewer: its find bar), and the steps
// through the hits (in a viewer: through the occurrences in its PDF).
constexpr int kFullTextSearch = 32808;
constexpr int kFindNext = 32809;
constexpr int kFindPrevious = 32810;

// Window menu.
constexpr int kWindowCascade = 57650;
constexpr int kWindowTileHorizontal = 57651;

// Help menu.
constexpr int kAppAbout = 57664;
constexpr int kHelp = 57670;

// Pane switching: bound to F6 and Shift+F6; no window has panes.
constexpr int kNextPane = 57680;
constexpr int kPreviousPane = 57681;

}  // namespace veldra::cmd
