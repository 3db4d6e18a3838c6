#include "browser/ui_text.h"

#include "platform/codepage.h"

namespace veldra {

std::string UiText(std::string_view utf8) {
  std::string out;
  platform::Utf8ToCp932(utf8, &out);
  return out;
}

QString ToQString(std::string_view cp932) {
  return QString::fromStdU16String(platform::Cp932ToUtf16(cp932));
}

std::string FromQString(const QString& text) {
  return platform::Utf16ToCp932(text.toStdU16String());
}

}  // namespace veldra
