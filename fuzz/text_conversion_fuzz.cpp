// Any bytes through the CP932 / UTF-16 / UTF-8 conversions and the text-field helpers. The
// first byte chooses a byte limit for the cuts; the rest is the text, read as CP932, as UTF-8
// and as the bytes of a UTF-16 field. What must hold:
// - CP932 -> UTF-16 gives at most one unit per byte, and the CP932 it gives back converts to
//   the same UTF-16 again (a text of characters that map comes back to itself);
// - valid UTF-8 -> UTF-16 -> UTF-8 is the identity, and a composed text of CP932 characters
//   comes back from UTF-8 to the same CP932;
// - a cut of CP932 text is a prefix within its limit that never ends in a lone lead byte and
//   stops only where the next character would not fit;
// - a text field holds its mark, at most B/2 - 2 characters and a NUL, and gives back the
//   text (cut to its room) that was put in;
// - each buffer conversion fits its buffer and agrees with its Length function.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/codepage.h"
#include "platform/cp932_chars.h"
#include "storage/catalog_coding.h"
#include "storage/text_encoding.h"

namespace {

using veldra::fuzz::Require;
namespace platform = veldra::platform;

// A text of CP932 walks into whole characters, the last possibly a lone lead byte.
bool EndsInLoneLeadByte(std::string_view text) {
  size_t i = 0;
  size_t last = 0;
  while (i < text.size()) {
    last = i;
    i += platform::Cp932CharLength(text, i);
  }
  return !text.empty() && platform::IsCp932LeadByte(static_cast<unsigned char>(text[last])) &&
         last + 1 == text.size();
}

void CheckCut(std::string_view text, size_t limit) {
  const std::string cut = platform::CutCp932(text, limit);
  Require(cut.size() <= limit && text.substr(0, cut.size()) == cut, "a cut is not a prefix");
  Require(!EndsInLoneLeadByte(cut), "a cut ends in a lone lead byte");
  Require(platform::Cp932CutLength(text, limit) == cut.size(), "the cut and its length differ");
  if (cut.size() < text.size()) {
    const size_t next = platform::Cp932CharLength(text, cut.size());
    const bool lone_lead_at_end =
        next == 1 && platform::IsCp932LeadByte(static_cast<unsigned char>(text[cut.size()]));
    Require(lone_lead_at_end || cut.size() + next > limit, "a cut stops short");
  }
}

// TextField<N> with text: the stored layout, and the text given back.
template <size_t N>
void CheckField(const std::string& canonical, std::u16string_view utf16) {
  veldra::TextField<N> field;
  field.SetText(canonical);
  constexpr size_t kUnits = N / 2;
  auto unit = [&](size_t i) {
    return static_cast<char16_t>(field.bytes[2 * i] | (field.bytes[2 * i + 1] << 8));
  };
  Require(unit(0) == 0xFEFF && unit(kUnits - 1) == 0, "a field lacks its mark or its NUL");
  const size_t kept = std::min(utf16.size(), kUnits - 2);
  const std::string back = field.Text();
  Require(back.size() < N, "a field gives more text than its buffer holds");
  Require(platform::Cp932ToUtf16(back) == utf16.substr(0, kept),
          "a field does not give back the characters put in");
}

void CheckBuffers(std::string_view text, size_t out_size) {
  std::vector<char> out(out_size + 1, '\x7F');
  const int to_multibyte = veldra::Utf8ToMultibyte(text, out.data(), out_size);
  const int multibyte_length = veldra::Utf8ToMultibyteLength(text);
  if (to_multibyte == 0) {
    Require(std::strlen(out.data()) == static_cast<size_t>(multibyte_length) &&
                static_cast<size_t>(multibyte_length) < out_size,
            "UTF-8 to multibyte disagrees with its length or overruns its buffer");
  } else {
    Require(to_multibyte == (multibyte_length < 0 ? -1 : -2), "UTF-8 to multibyte: wrong code");
    Require(to_multibyte == -1 || static_cast<size_t>(multibyte_length) + 1 > out_size,
            "UTF-8 to multibyte refused a text that fits");
  }
  Require(out[out_size] == '\x7F', "UTF-8 to multibyte wrote past its buffer");

  const int to_utf8 = veldra::MultibyteToUtf8(text, out.data(), out_size);
  const int utf8_length = veldra::MultibyteToUtf8Length(text);
  if (to_utf8 == 0) {
    Require(std::strlen(out.data()) == static_cast<size_t>(utf8_length) &&
                static_cast<size_t>(utf8_length) < out_size,
            "multibyte to UTF-8 disagrees with its length or overruns its buffer");
  } else {
    Require(to_utf8 == (utf8_length < 0 ? -1 : -2), "multibyte to UTF-8: wrong code");
  }
  Require(out[out_size] == '\x7F', "multibyte to UTF-8 wrote past its buffer");

  // The bytes as a UTF-16 field of their own size.
  const size_t field_size = text.size() & ~size_t{1};
  const uint8_t* field = reinterpret_cast<const uint8_t*>(text.data());
  if (out_size > 0 &&
      veldra::FromFieldText(field, field_size, out.data(), out_size)) {
    const size_t length = std::strlen(out.data());
    Require(length < out_size && !EndsInLoneLeadByte(std::string_view(out.data(), length)),
            "a field read overruns its buffer or ends in a lone lead byte");
    Require(veldra::FieldToMultibyte(field, field_size, out_size) == out.data(),
            "the two field reads differ");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t limit = data[0];
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

  // As CP932.
  const std::u16string utf16 = platform::Cp932ToUtf16(text);
  Require(utf16.size() <= text.size(), "more UTF-16 units than CP932 bytes");
  Require(platform::Cp932ToUtf8(text) == platform::Utf16ToUtf8(utf16),
          "CP932 to UTF-8 differs from the way through UTF-16");
  const std::string canonical = platform::Utf16ToCp932(utf16);
  const bool maps = utf16.find(u'\uFFFD') == std::u16string::npos &&
                    canonical.find('\0') == std::string::npos;
  if (maps) {
    Require(platform::Cp932ToUtf16(canonical) == utf16,
            "CP932 -> UTF-16 -> CP932 -> UTF-16 changes the text");
    if (platform::ComposeNfc(utf16) == utf16) {
      std::string back;
      Require(platform::Utf8ToCp932(platform::Cp932ToUtf8(canonical), &back) && back == canonical,
              "CP932 -> UTF-8 -> CP932 changes a composed text");
    }
    CheckField<128>(canonical, utf16);
    CheckField<256>(canonical, utf16);
    CheckField<512>(canonical, utf16);
  }
  CheckCut(text, limit);
  CheckCut(text, text.size());

  // As UTF-8.
  std::u16string from_utf8;
  if (platform::Utf8ToUtf16(text, &from_utf8)) {
    Require(platform::Utf16ToUtf8(from_utf8) == text, "UTF-8 -> UTF-16 -> UTF-8 changes it");
    std::string exact;
    std::string replaced;
    Require(platform::Utf8ToCp932(text, &replaced), "valid UTF-8 refused");
    if (platform::Utf8ToCp932Exact(text, &exact)) {
      Require(exact == replaced, "the exact conversion differs from the replacing one");
    }
  }

  CheckBuffers(text, limit);
  return 0;
}
