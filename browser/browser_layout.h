// Where the browser view puts its controls for a client size of W x H pixels: three
// category lists side by side under their buttons and labels, the entry list below, and
// the count label at the bottom.
#pragma once

#include <QRect>
#include <array>

namespace veldra {

struct BrowserLayout {
  // Index 0, 1, 2 = category level 1, 2, 3.
  std::array<QRect, 3> lists;
  std::array<QRect, 3> add_buttons;     // "＋"
  std::array<QRect, 3> delete_buttons;  // "－"
  std::array<QRect, 3> labels;
  QRect entry_list;
  QRect count_label;
};

// Each list is a third of the width, at least 94 pixels; when W is not a multiple of 3
// (and above the floor) the level-3 list takes one extra pixel.
BrowserLayout ComputeBrowserLayout(int width, int height);

}  // namespace veldra
