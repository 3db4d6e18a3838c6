#include "browser/browser_position.h"

#include <cstdio>

namespace veldra {

std::string FormatBrowserPosition(const QRect& rect) {
  char text[64];
  std::snprintf(text, sizeof text, "%d,%d,%d,%d", rect.y(), rect.x(), rect.y() + rect.height(),
                rect.x() + rect.width());
  return text;
}

bool ParseBrowserPosition(const std::string& text, QRect* rect) {
  int top = 0, left = 0, bottom = 0, right = 0, consumed = 0;
  if (std::sscanf(text.c_str(), "%d,%d,%d,%d%n", &top, &left, &bottom, &right, &consumed) != 4 ||
      static_cast<size_t>(consumed) != text.size()) {
    return false;
  }
  *rect = QRect(left, top, right - left, bottom - top);
  return true;
}

}  // namespace veldra
