#include "storage/text_encoding.h"

#include <cstring>
#include <vector>

#include "platform/codepage.h"
#include "platform/cp932_chars.h"
#include "storage/little_endian.h"

namespace veldra {
namespace {

constexpr char16_t kByteOrderMark = 0xFEFF;

// The text before the first NUL.
std::string_view UpToNul(std::string_view text) {
  const size_t nul = text.find('\0');
  return nul == std::string_view::npos ? text : text.substr(0, nul);
}

char16_t LoadUnit(const uint8_t* field, size_t index) {
  return static_cast<char16_t>(coding::DecodeFixed16(field + 2 * index));
}

void StoreUnit(uint8_t* field, size_t index, char16_t unit) {
  coding::EncodeFixed16(field + 2 * index, static_cast<uint16_t>(unit));
}

// The multibyte (CP932) form of UTF-8 text, composed first; false when there is none.
bool Utf8ToCp932Text(std::string_view utf8, std::string* out) {
  std::string_view source = UpToNul(utf8);
  if (source.empty()) return false;
  std::u16string utf16;
  if (!platform::Utf8ToUtf16(source, &utf16) || utf16.empty()) return false;
  *out = platform::Utf16ToCp932(platform::ComposeNfc(utf16));
  return !out->empty();
}

bool Cp932ToUtf8Text(std::string_view multibyte, std::string* out) {
  std::string_view source = UpToNul(multibyte);
  if (source.empty()) return false;
  const std::u16string utf16 = platform::Cp932ToUtf16(source);
  if (utf16.empty()) return false;
  *out = platform::Utf16ToUtf8(utf16);
  return !out->empty();
}

int CopyWithNul(const std::string& text, char* out, size_t out_size) {
  if (out == nullptr || out_size < text.size() + 1) return -2;
  std::memcpy(out, text.data(), text.size());
  out[text.size()] = '\0';
  return 0;
}

int LengthOrFailure(bool converted, const std::string& text) {
  return converted ? static_cast<int>(text.size()) : -1;
}

}  // namespace

bool ToFieldText(std::string_view multibyte, uint8_t* field, size_t field_size) {
  const size_t units = field_size / 2;
  if (field == nullptr) return false;
  if (units == 0) return true;  // no room for anything, not even the terminator

  std::vector<char16_t> scratch(units, u'\0');
  scratch[0] = kByteOrderMark;
  const std::u16string text = platform::Cp932ToUtf16(UpToNul(multibyte));
  const size_t room = units - 1;  // after the mark, the terminator included
  for (size_t i = 0; i < text.size() && i < room; ++i) scratch[1 + i] = text[i];
  scratch[units - 1] = u'\0';

  for (size_t i = 0; i < units; ++i) {
    StoreUnit(field, i, scratch[i]);
    if (scratch[i] == u'\0') break;
  }
  StoreUnit(field, units - 1, u'\0');
  return true;
}

namespace {

// The text of a field in CP932, whole.
std::string FieldCp932(const uint8_t* field, size_t field_size) {
  size_t units = 0;
  while (field != nullptr && units < field_size / 2 && LoadUnit(field, units) != u'\0') ++units;
  const size_t first = units > 0 && LoadUnit(field, 0) == kByteOrderMark ? 1 : 0;
  std::u16string text(units - first, u'\0');
  for (size_t i = first; i < units; ++i) text[i - first] = LoadUnit(field, i);
  return platform::Utf16ToCp932(text);
}

}  // namespace

bool FromFieldText(const uint8_t* field, size_t field_size, char* out, size_t out_size) {
  if (out == nullptr || out_size == 0) return false;
  const std::string multibyte = FieldCp932(field, field_size);
  const size_t length = platform::Cp932CutLength(multibyte, out_size - 1);
  std::memcpy(out, multibyte.data(), length);
  out[length] = '\0';
  return true;
}

std::string FieldToMultibyte(const uint8_t* field, size_t field_size, size_t limit) {
  if (limit == 0) return std::string();
  std::string multibyte = FieldCp932(field, field_size);
  multibyte.resize(platform::Cp932CutLength(multibyte, limit - 1));
  return multibyte;
}

int Utf8ToMultibyte(std::string_view utf8, char* out, size_t out_size) {
  std::string text;
  if (!Utf8ToCp932Text(utf8, &text)) return -1;
  return CopyWithNul(text, out, out_size);
}

int MultibyteToUtf8(std::string_view multibyte, char* out, size_t out_size) {
  std::string text;
  if (!Cp932ToUtf8Text(multibyte, &text)) return -1;
  return CopyWithNul(text, out, out_size);
}

int Utf8ToMultibyteLength(std::string_view utf8) {
  std::string text;
  return LengthOrFailure(Utf8ToCp932Text(utf8, &text), text);
}

int MultibyteToUtf8Length(std::string_view multibyte) {
  std::string text;
  return LengthOrFailure(Cp932ToUtf8Text(multibyte, &text), text);
}

}  // namespace veldra
