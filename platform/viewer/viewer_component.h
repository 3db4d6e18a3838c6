// The document viewer component: an outside part that renders, pages, keeps a history of
// views and prints a PDF file. The application finds it by its class id in the component
// folder (component_registry.h) and talks to each control it makes through dispatch calls,
// one id per operation, as it would to any registered control.
#pragma once

#include <QVariant>
#include <QVariantList>
#include <QtPlugin>
#include <functional>

class QPrinter;
class QWidget;

namespace veldra::viewer {

// The class id the PDF viewer is registered under.
inline constexpr char kPdfViewerClassId[] = "{CA8A9780-280D-11CF-A24D-444553540000}";

// Dispatch ids of the control's operations.
namespace dispid {
inline constexpr int kLoadFile = 2;          // (path) opens and shows the file; returns bool
inline constexpr int kGotoFirstPage = 4;
inline constexpr int kGotoLastPage = 5;
inline constexpr int kGotoNextPage = 6;
inline constexpr int kGotoPreviousPage = 7;
inline constexpr int kGoForwardStack = 9;    // forward in the history of views
inline constexpr int kGoBackwardStack = 10;  // back in the history of views
inline constexpr int kSetPageMode = 11;      // ("bookmarks" or "none") shows or hides the outline
inline constexpr int kPrint = 14;            // print dialog, then the chosen pages
// Finding text. Every occurrence of the text on the pages in view is highlighted, one of
// them (the current) more strongly. The places come from the PDF engine's own text.
// (text[, page]) sets the text ("" takes the highlights away). With page (from 1): shows
// that page with its first occurrence current and in view (with "", only the page). Without: goes to the first
// occurrence on or after the page shown, wrapping round to the start. Returns the number of
// occurrences on the page shown afterwards.
inline constexpr int kFindText = 15;
// To the occurrence after (before) the current one in the whole document, wrapping round,
// scrolled into view. Returns its page (from 1), 0 when there is none.
inline constexpr int kFindNext = 16;
inline constexpr int kFindPrevious = 17;
// (text) opens the find bar in the tool bar and puts the keyboard focus in its field; text
// fills a bar that was closed (its occurrences highlighted, the page left as it is).
inline constexpr int kShowFindBar = 18;
// The text being found, "" when none.
inline constexpr int kFindString = 19;
}  // namespace dispid

// Asks the user how to print a document of page_count pages, the page shown being
// current_page (both counted from 1). The choice is left in printer (output, range,
// copies); true to print.
using PrintDialogHook =
    std::function<bool(QPrinter* printer, int page_count, int current_page, QWidget* owner)>;

// Told each time the reader shows (true) or hides (false) the outline panel.
using OutlineChoiceHook = std::function<void(bool shown)>;

// One control: a widget owned by the parent it was made for.
class ViewerControl {
 public:
  virtual ~ViewerControl() = default;
  virtual QWidget* Widget() = 0;
  // Runs operation dispatch_id with args. An unknown id, or arguments of the wrong kind,
  // do nothing and give an invalid QVariant.
  virtual QVariant Invoke(int dispatch_id, const QVariantList& args = {}) = 0;
  // Who answers the print dialog; without a hook the control shows the platform's own.
  virtual void SetPrintDialogHook(PrintDialogHook hook) = 0;
  // Who hears of the reader's choices of the outline panel.
  virtual void SetOutlineChoiceHook(OutlineChoiceHook hook) = 0;
};

// The component: the factory of controls.
class ViewerComponent {
 public:
  virtual ~ViewerComponent() = default;
  // A new control, a child of parent.
  virtual ViewerControl* CreateControl(QWidget* parent) = 0;
};

}  // namespace veldra::viewer

#define VELDRA_VIEWER_COMPONENT_IID "org.veldra.ViewerComponent/2"
Q_DECLARE_INTERFACE(veldra::viewer::ViewerComponent, VELDRA_VIEWER_COMPONENT_IID)
