// The text of the environment value "main_window_position": the browser frame's rectangle
// in the main frame's child-window area, "%d,%d,%d,%d" in the order top, left, bottom,
// right (right and bottom one past the last pixel).
#pragma once

#include <QRect>
#include <string>

namespace veldra {

inline constexpr char kMainWindowPositionKey[] = "main_window_position";

std::string FormatBrowserPosition(const QRect& rect);

// false (rect untouched) unless text is four decimal integers separated by commas, and
// nothing else; a value that does not parse is ignored by the caller.
bool ParseBrowserPosition(const std::string& text, QRect* rect);

}  // namespace veldra
