// The names with a fixed meaning in category comparisons, as CP932 bytes, and the order in
// which category names are listed.
#pragma once

#include <string>
#include <string_view>

namespace veldra {

// "＜すべて＞": the "all" item of each category list; as a selection it matches any name.
inline constexpr std::string_view kAllCategoriesName = "\x81\x83\x82\xb7\x82\xd7\x82\xc4\x81\x84";
// "その他": the catch-all category name; always listed last.
inline constexpr std::string_view kOtherCategoryName = "\x82\xbb\x82\xcc\x91\xbc";
// "＜変更しない＞": a level the batch category change leaves as it is.
inline constexpr std::string_view kUnchangedCategoryName =
    "\x81\x83\x95\xcf\x8d\x58\x82\xb5\x82\xc8\x82\xa2\x81\x84";

// The labels of a new catalog: "分類１", "分類２", "分類３".
inline constexpr std::string_view kDefaultLabelNames[3] = {
    "\x95\xaa\x97\xde\x82\x50", "\x95\xaa\x97\xde\x82\x51", "\x95\xaa\x97\xde\x82\x52"};

// Names are compared and listed in CP932 cut to this buffer size (at most 127 bytes).
constexpr size_t kCategoryNameBufferSize = 128;

// Three-way order of two names: "その他" after everything else, otherwise unsigned bytes up
// to the first difference, a prefix first. Negative, 0 or positive.
int CategoryNameOrder(std::string_view left, std::string_view right);

// True when selection is "＜すべて＞" or equals name exactly.
bool NameMatchesSelection(std::string_view name, std::string_view selection);

}  // namespace veldra
