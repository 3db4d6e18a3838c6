#include "search/normalized_text.h"

#include <unicode/bytestream.h>
#include <unicode/edits.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/uscript.h>

#include <algorithm>

namespace veldra::search {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

const icu::Normalizer2* Casefolder() {
  static const icu::Normalizer2* normalizer = [] {
    UErrorCode err = U_ZERO_ERROR;
    const icu::Normalizer2* n = icu::Normalizer2::getNFKCCasefoldInstance(err);
    return U_SUCCESS(err) ? n : nullptr;
  }();
  return normalizer;
}

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Appends the characters of normalized.text[from, to), each mapped to its source by map.
template <class SourceOf>
void AppendChars(NormalizedText& normalized, size_t from, size_t to, SourceOf source_of) {
  const std::string_view text(normalized.text);
  for (size_t i = from; i < to;) {
    size_t length = 0;
    const char32_t c = DecodeUtf8At(text, i, &length);
    length = std::min(length, to - i);
    normalized.chars.push_back({c, ClassOf(c), static_cast<uint32_t>(i), source_of(i, length)});
    i += length;
  }
}

}  // namespace

char32_t DecodeUtf8At(std::string_view text, size_t i, size_t* length) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  *length = 1;
  if (lead < 0x80) return lead;
  size_t n = 0;
  char32_t c = 0;
  char32_t lowest = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    n = 2, c = lead & 0x1F, lowest = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    n = 3, c = lead & 0x0F, lowest = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    n = 4, c = lead & 0x07, lowest = 0x10000;
  } else {
    return kReplacement;
  }
  if (i + n > text.size()) return kReplacement;
  for (size_t k = 1; k < n; ++k) {
    if (!IsContinuation(byte(i + k))) return kReplacement;
    c = (c << 6) | (byte(i + k) & 0x3F);
  }
  if (c < lowest || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return kReplacement;
  *length = n;
  return c;
}

CharClass ClassOf(char32_t c) {
  if (c < 0x80) {
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z')) {
      return CharClass::kWord;
    }
    if (c == '\f') return CharClass::kPageBreak;
    if (c == ' ' || (c >= '\t' && c <= '\r')) return CharClass::kSpace;
    return CharClass::kOther;
  }
  // The common blocks first: hiragana, katakana (ー included), the unified ideographs.
  if ((c >= 0x3041 && c <= 0x3096) || (c >= 0x309D && c <= 0x309F) ||
      (c >= 0x30A1 && c <= 0x30FA) || (c >= 0x30FC && c <= 0x30FF) ||
      (c >= 0x4E00 && c <= 0x9FFF) || c == 0x3005 || c == 0x3006) {
    return CharClass::kCjk;
  }
  if (u_isUWhiteSpace(static_cast<UChar32>(c))) return CharClass::kSpace;
  UErrorCode err = U_ZERO_ERROR;
  const UScriptCode script = uscript_getScript(static_cast<UChar32>(c), &err);
  if (U_SUCCESS(err) &&
      (script == USCRIPT_HAN || script == USCRIPT_HIRAGANA || script == USCRIPT_KATAKANA)) {
    return CharClass::kCjk;
  }
  return u_isalnum(static_cast<UChar32>(c)) ? CharClass::kWord : CharClass::kOther;
}

NormalizedText Normalize(std::string_view utf8) {
  NormalizedText out;
  const icu::Normalizer2* normalizer = Casefolder();
  const icu::StringPiece source(utf8.data(), static_cast<int32_t>(utf8.size()));
  UErrorCode err = U_ZERO_ERROR;
  const auto same = [](size_t at, size_t length) {
    return ByteRange{static_cast<uint32_t>(at), static_cast<uint32_t>(at + length)};
  };
  if (normalizer == nullptr || normalizer->isNormalizedUTF8(source, err) || U_FAILURE(err)) {
    out.text.assign(utf8);
    out.chars.reserve(utf8.size() / 2);
    AppendChars(out, 0, out.text.size(), same);
    return out;
  }
  icu::Edits edits;
  icu::StringByteSink<std::string> sink(&out.text, static_cast<int32_t>(utf8.size()));
  normalizer->normalizeUTF8(0, source, sink, &edits, err);
  if (U_FAILURE(err)) {
    out.text.assign(utf8);
    AppendChars(out, 0, out.text.size(), same);
    return out;
  }
  out.chars.reserve(out.text.size() / 2);
  icu::Edits::Iterator it = edits.getFineIterator();
  while (it.next(err)) {
    const auto from = static_cast<size_t>(it.destinationIndex());
    const auto to = from + static_cast<size_t>(it.newLength());
    const auto source_begin = static_cast<uint32_t>(it.sourceIndex());
    if (!it.hasChange()) {
      AppendChars(out, from, to, [&](size_t at, size_t length) {
        const auto begin = static_cast<uint32_t>(source_begin + (at - from));
        return ByteRange{begin, static_cast<uint32_t>(begin + length)};
      });
    } else {
      const ByteRange whole{source_begin, source_begin + static_cast<uint32_t>(it.oldLength())};
      AppendChars(out, from, to, [&](size_t, size_t) { return whole; });
    }
  }
  return out;
}

ByteRange CanonicalText::SourceOf(size_t begin, size_t length) const {
  if (at.empty() || length == 0) return {};
  const auto first = std::upper_bound(at.begin(), at.end(), begin) - at.begin() - 1;
  const auto last = std::upper_bound(at.begin(), at.end(), begin + length - 1) - at.begin() - 1;
  return {source[std::max<ptrdiff_t>(first, 0)].begin, source[std::max<ptrdiff_t>(last, 0)].end};
}

CanonicalText CanonicalForm(const NormalizedText& normalized, size_t first, size_t end) {
  CanonicalText out;
  end = std::min(end, normalized.chars.size());
  out.text.reserve(normalized.text.size());
  // The white space since the last kept character, and whether that character is a word's.
  bool pending_space = false;
  ByteRange space_source;
  bool after_word = false;
  for (size_t i = first; i < end; ++i) {
    const NormalizedChar& c = normalized.chars[i];
    if (c.kind == CharClass::kSpace) {
      if (!pending_space) space_source.begin = c.source.begin;
      space_source.end = c.source.end;
      pending_space = true;
      continue;
    }
    if (pending_space && after_word && c.kind == CharClass::kWord) {
      out.at.push_back(static_cast<uint32_t>(out.text.size()));
      out.source.push_back(space_source);
      out.text.push_back(' ');
    }
    pending_space = false;
    out.at.push_back(static_cast<uint32_t>(out.text.size()));
    out.source.push_back(c.source);
    out.text.append(normalized.CharBytes(i));
    after_word = c.kind == CharClass::kWord;
  }
  return out;
}

CanonicalText CanonicalForm(const NormalizedText& normalized) {
  return CanonicalForm(normalized, 0, normalized.chars.size());
}

CanonicalText CanonicalForm(std::string_view utf8) { return CanonicalForm(Normalize(utf8)); }

}  // namespace veldra::search
