// The shared menu (menu 129): the same menu bar serves the main frame and every child
// window. Texts are as the menu shows them; "\t" separates the shortcut text, which the
// menu right-aligns. A command of 0 is a separator.
#pragma once

#include <vector>

namespace veldra::resources {

struct MenuItemDef {
  int command;       // 0: separator
  const char* text;  // UTF-8 source text; converted to CP932 where it is used
};

struct MenuDef {
  const char* title;
  std::vector<MenuItemDef> items;
};

// The menus in bar order, each with its items in menu order.
const std::vector<MenuDef>& SharedMenu();

// The title of the window menu, below whose items the open child windows are listed.
constexpr int kWindowMenuIndex = 4;

}  // namespace veldra::resources
