// The widget edge of the text handling: every working string is CP932; widgets want
// QString. These are the only conversions between the two, plus UiText for the fixed
// texts written in the sources as UTF-8.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace veldra {

// A UTF-8 source literal as CP932.
std::string UiText(std::string_view utf8);

QString ToQString(std::string_view cp932);
std::string FromQString(const QString& text);

}  // namespace veldra
