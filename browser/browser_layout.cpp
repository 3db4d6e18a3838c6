#include "browser/browser_layout.h"

namespace veldra {
namespace {

constexpr int kMinListWidth = 94;
constexpr int kListTop = 36;
constexpr int kListHeight = 97;
constexpr int kButtonTop = 7;
constexpr int kButtonSize = 22;
constexpr int kAddButtonX = 2;
constexpr int kDeleteButtonX = 29;
constexpr int kLabelX = 56;
constexpr int kLabelTop = 13;
constexpr int kLabelHeight = 22;
constexpr int kLabelRightMargin = 61;   // label width = list width - 61
constexpr int kEntryListTop = 138;
constexpr int kEntryListBottomSpace = 158 - kEntryListTop;  // height = H - 158
constexpr int kCountLabelHeight = 14;

}  // namespace

BrowserLayout ComputeBrowserLayout(int width, int height) {
  int w = width / 3;
  int extra = 0;
  if (w < kMinListWidth) {
    w = kMinListWidth;
  } else if (width != 3 * w) {
    extra = 1;
  }
  BrowserLayout layout;
  for (int k = 0; k < 3; ++k) {
    const int base = k * w;
    const int list_width = k == 2 ? w + extra : w;
    layout.lists[k] = QRect(base, kListTop, list_width, kListHeight);
    layout.add_buttons[k] = QRect(base + kAddButtonX, kButtonTop, kButtonSize, kButtonSize);
    layout.delete_buttons[k] =
        QRect(base + kDeleteButtonX, kButtonTop, kButtonSize, kButtonSize);
    layout.labels[k] =
        QRect(base + kLabelX, kLabelTop, list_width - kLabelRightMargin, kLabelHeight);
  }
  layout.entry_list = QRect(0, kEntryListTop, width, height - kEntryListTop - kEntryListBottomSpace);
  layout.count_label = QRect(0, height - kCountLabelHeight, width, kCountLabelHeight);
  return layout;
}

}  // namespace veldra
