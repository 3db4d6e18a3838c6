#include "platform/codepage.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>
#include <unicode/utf8.h>

#include <memory>
#include <string_view>
#include <type_traits>

namespace veldra::platform {
namespace {

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

// What the "?" substitution saw during one conversion to CP932.
struct SubstitutionContext {
  bool substituted = false;
};

// Writes "?" for every character CP932 cannot hold. ICU's own substitution would write its
// FC FC sub-character, and would drop default-ignorable characters (U+00AD, U+200B)
// without a trace; both are wrong for us.
void SubstituteQuestionMark(const void* context, UConverterFromUnicodeArgs* args,
                            const UChar*, int32_t, UChar32, UConverterCallbackReason reason,
                            UErrorCode* err) {
  if (reason != UCNV_UNASSIGNED && reason != UCNV_ILLEGAL && reason != UCNV_IRREGULAR) {
    return;  // reset / close / clone: nothing to write
  }
  auto* ctx = static_cast<SubstitutionContext*>(const_cast<void*>(context));
  if (ctx != nullptr) ctx->substituted = true;
  *err = U_ZERO_ERROR;
  ucnv_cbFromUWriteBytes(args, "?", 1, 0, err);
}

// Writes U+FFFD for every byte sequence that is not CP932 (ICU's own choice would be
// U+001A for a single bad byte).
void SubstituteReplacementCharacter(const void*, UConverterToUnicodeArgs* args, const char*,
                                    int32_t, UConverterCallbackReason reason,
                                    UErrorCode* err) {
  if (reason != UCNV_UNASSIGNED && reason != UCNV_ILLEGAL && reason != UCNV_IRREGULAR) {
    return;
  }
  static const UChar kReplacement = 0xFFFD;
  *err = U_ZERO_ERROR;
  ucnv_cbToUWriteUChars(args, &kReplacement, 1, 0, err);
}

// The windows-932 converter of this thread, fallbacks on, reset before every use.
UConverter* Cp932Converter() {
  thread_local ConverterPtr converter = [] {
    UErrorCode err = U_ZERO_ERROR;
    ConverterPtr c(ucnv_open("windows-932", &err));
    if (U_FAILURE(err)) return ConverterPtr();
    ucnv_setFallback(c.get(), true);
    ucnv_setToUCallBack(c.get(), SubstituteReplacementCharacter, nullptr, nullptr, nullptr,
                        &err);
    return c;
  }();
  if (converter) ucnv_reset(converter.get());
  return converter.get();
}

// Characters that are the same byte in CP932 and the same code point in Unicode: ASCII, but
// for the three control characters the converter's table exchanges (0x1A, 0x1C, 0x7F).
// Texts made of them alone need no converter.
bool IsPlain(uint32_t c) { return c < 0x80 && c != 0x1A && c != 0x1C && c != 0x7F; }

template <typename Char>
bool AllPlain(std::basic_string_view<Char> text) {
  for (Char c : text) {
    if (!IsPlain(static_cast<std::make_unsigned_t<Char>>(c))) return false;
  }
  return true;
}

// UTF-16 to CP932 with "?" for what has no form; *substituted tells whether any was used.
std::string ToCp932(std::u16string_view utf16, bool* substituted) {
  if (AllPlain(utf16)) {
    if (substituted != nullptr) *substituted = false;
    return std::string(utf16.begin(), utf16.end());
  }
  SubstitutionContext ctx;
  std::string out;
  UConverter* conv = Cp932Converter();
  if (conv == nullptr || utf16.empty()) {
    if (substituted != nullptr) *substituted = conv == nullptr && !utf16.empty();
    return out;
  }
  UErrorCode err = U_ZERO_ERROR;
  ucnv_setFromUCallBack(conv, SubstituteQuestionMark, &ctx, nullptr, nullptr, &err);
  out.resize(utf16.size() * 2 + 8);  // at most two bytes per unit
  char* target = out.data();
  const UChar* source = reinterpret_cast<const UChar*>(utf16.data());
  ucnv_fromUnicode(conv, &target, out.data() + out.size(), &source, source + utf16.size(),
                   nullptr, true, &err);
  ucnv_setFromUCallBack(conv, UCNV_FROM_U_CALLBACK_SUBSTITUTE, nullptr, nullptr, nullptr,
                        &err);
  out.resize(target - out.data());
  if (substituted != nullptr) *substituted = ctx.substituted;
  return out;
}

}  // namespace

std::u16string Cp932ToUtf16(std::string_view cp932) {
  if (AllPlain(cp932)) return std::u16string(cp932.begin(), cp932.end());
  std::u16string out;
  UConverter* conv = Cp932Converter();
  if (conv == nullptr || cp932.empty()) return out;
  out.resize(cp932.size() + 4);  // never more units than bytes
  UErrorCode err = U_ZERO_ERROR;
  UChar* target = reinterpret_cast<UChar*>(out.data());
  UChar* const target_begin = target;
  const char* source = cp932.data();
  ucnv_toUnicode(conv, &target, target_begin + out.size(), &source, source + cp932.size(),
                 nullptr, true, &err);
  out.resize(target - target_begin);
  return out;
}

std::string Utf16ToCp932(std::u16string_view utf16) { return ToCp932(utf16, nullptr); }

bool Utf8ToUtf16(std::string_view utf8, std::u16string* out) {
  out->clear();
  if (utf8.empty()) return true;
  UErrorCode err = U_ZERO_ERROR;
  int32_t length = 0;
  std::u16string result(utf8.size(), u'\0');  // never more units than bytes
  u_strFromUTF8(reinterpret_cast<UChar*>(result.data()), static_cast<int32_t>(result.size()),
                &length, utf8.data(), static_cast<int32_t>(utf8.size()), &err);
  if (U_FAILURE(err)) return false;
  result.resize(length);
  *out = std::move(result);
  return true;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
  std::string out;
  if (utf16.empty()) return out;
  out.resize(utf16.size() * 3);  // at most three bytes per unit
  UErrorCode err = U_ZERO_ERROR;
  int32_t length = 0;
  u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &length,
                     reinterpret_cast<const UChar*>(utf16.data()),
                     static_cast<int32_t>(utf16.size()), 0xFFFD, nullptr, &err);
  if (U_FAILURE(err)) return std::string();
  out.resize(length);
  return out;
}

std::u16string ComposeNfc(std::u16string_view utf16) {
  UErrorCode err = U_ZERO_ERROR;
  const UNormalizer2* nfc = unorm2_getNFCInstance(&err);
  if (U_FAILURE(err) || utf16.empty()) return std::u16string(utf16);
  const UChar* source = reinterpret_cast<const UChar*>(utf16.data());
  const int32_t source_length = static_cast<int32_t>(utf16.size());
  int32_t needed = unorm2_normalize(nfc, source, source_length, nullptr, 0, &err);
  if (err != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(err)) return std::u16string(utf16);
  std::u16string out(needed, u'\0');
  err = U_ZERO_ERROR;
  unorm2_normalize(nfc, source, source_length, reinterpret_cast<UChar*>(out.data()), needed,
                   &err);
  if (U_FAILURE(err)) return std::u16string(utf16);
  return out;
}

bool Utf8ToCp932(std::string_view utf8, std::string* out) {
  std::u16string utf16;
  if (!Utf8ToUtf16(utf8, &utf16)) {
    out->clear();
    return false;
  }
  *out = ToCp932(ComposeNfc(utf16), nullptr);
  return true;
}

bool Utf8ToCp932Exact(std::string_view utf8, std::string* out) {
  std::u16string utf16;
  if (!Utf8ToUtf16(utf8, &utf16)) {
    out->clear();
    return false;
  }
  bool substituted = false;
  std::string result = ToCp932(ComposeNfc(utf16), &substituted);
  if (substituted) {
    out->clear();
    return false;
  }
  *out = std::move(result);
  return true;
}

std::string Cp932ToUtf8(std::string_view cp932) {
  if (AllPlain(cp932)) return std::string(cp932);
  return Utf16ToUtf8(Cp932ToUtf16(cp932));
}

std::string ValidUtf8(std::string_view utf8) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(utf8.data());
  const int32_t length = static_cast<int32_t>(utf8.size());
  std::string out;
  int32_t copied = 0;  // bytes of utf8 already in out
  for (int32_t i = 0; i < length;) {
    const int32_t start = i;
    UChar32 c;
    U8_NEXT(bytes, i, length, c);
    if (c >= 0) continue;
    out.append(utf8.substr(copied, start - copied)).append("\xEF\xBF\xBD");
    copied = i;
  }
  if (copied == 0) return std::string(utf8);
  out.append(utf8.substr(copied));
  return out;
}

}  // namespace veldra::platform
