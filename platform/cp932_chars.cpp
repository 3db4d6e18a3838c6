#include "platform/cp932_chars.h"

namespace veldra::platform {

size_t Cp932CharLength(std::string_view text, size_t i) {
  return IsCp932LeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
}

size_t Cp932CutLength(std::string_view text, size_t max_bytes) {
  size_t length = 0;
  while (length < text.size()) {
    // A lead byte counts as two bytes even at the end, where its second byte is missing:
    // such a character never fits.
    const size_t width = IsCp932LeadByte(static_cast<unsigned char>(text[length])) ? 2 : 1;
    if (length + width > max_bytes || length + width > text.size()) break;
    length += width;
  }
  return length;
}

std::string CutCp932(std::string_view text, size_t max_bytes) {
  return std::string(text.substr(0, Cp932CutLength(text, max_bytes)));
}

}  // namespace veldra::platform
