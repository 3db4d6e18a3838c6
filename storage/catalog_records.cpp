#include "storage/catalog_records.h"

#include <algorithm>
#include <cstring>

#include "storage/category_names.h"

namespace veldra {

using coding::DecodeI32;
using coding::EncodeI32;

namespace {

// The text of a NUL-terminated byte area.
template <size_t N>
std::string CString(const std::array<uint8_t, N>& area) {
  const auto end = std::find(area.begin(), area.end(), uint8_t{0});
  return std::string(area.begin(), end);
}

// text cut to N - 1 bytes, a NUL and zeros.
template <size_t N>
void SetCString(std::array<uint8_t, N>* area, std::string_view text) {
  area->fill(0);
  std::memcpy(area->data(), text.data(), std::min(text.size(), N - 1));
}

}  // namespace

// --- IdCounterRow

static_assert(IdCounterRow::kEncodedLength == 4 + 4 + 64 + 4 + 18 + 18 + 28);

std::string IdCounterRow::Key() const { return CString(key); }
void IdCounterRow::SetKey(std::string_view text) { SetCString(&key, text); }

void IdCounterRow::EncodeTo(uint8_t* dst) const {
  std::memset(dst, 0, kEncodedLength);
  EncodeI32(dst + 0, row_id);
  EncodeI32(dst + 4, serving_tag);
  coding::EncodeBytes(dst + 8, key);
  EncodeI32(dst + 72, next_value);
  created.EncodeTo(dst + 76);
  updated.EncodeTo(dst + 94);
}

IdCounterRow IdCounterRow::DecodeFrom(const uint8_t* src) {
  IdCounterRow row;
  row.row_id = DecodeI32(src + 0);
  row.serving_tag = DecodeI32(src + 4);
  coding::DecodeBytes(src + 8, &row.key);
  row.next_value = DecodeI32(src + 72);
  row.created = CatalogTimestamp::DecodeFrom(src + 76);
  row.updated = CatalogTimestamp::DecodeFrom(src + 94);
  return row;
}

// --- LabelRecord

static_assert(LabelRecord::kEncodedLength == 4 + 4 + 256 + 18 + 18 + 28);

void LabelRecord::EncodeTo(uint8_t* dst) const {
  std::memset(dst, 0, kEncodedLength);
  EncodeI32(dst + 0, id);
  EncodeI32(dst + 4, level);
  text.EncodeTo(dst + 8);
  created.EncodeTo(dst + 264);
  updated.EncodeTo(dst + 282);
}

LabelRecord LabelRecord::DecodeFrom(const uint8_t* src) {
  LabelRecord record;
  record.id = DecodeI32(src + 0);
  record.level = DecodeI32(src + 4);
  record.text.DecodeFrom(src + 8);
  record.created = CatalogTimestamp::DecodeFrom(src + 264);
  record.updated = CatalogTimestamp::DecodeFrom(src + 282);
  return record;
}

// --- CategoryRecord

static_assert(CategoryRecord::kEncodedLength == 4 + 3 * 256 + 18 + 18 + 28);

std::string CategoryRecord::Name(int level) const {
  if (level < 1 || level > 3) return std::string();
  return names[level - 1].Text(kCategoryNameBufferSize);
}

void CategoryRecord::EncodeTo(uint8_t* dst) const {
  std::memset(dst, 0, kEncodedLength);
  EncodeI32(dst + 0, id);
  for (size_t i = 0; i < names.size(); ++i) names[i].EncodeTo(dst + 4 + 256 * i);
  created.EncodeTo(dst + 772);
  updated.EncodeTo(dst + 790);
}

CategoryRecord CategoryRecord::DecodeFrom(const uint8_t* src) {
  CategoryRecord record;
  record.id = DecodeI32(src + 0);
  for (size_t i = 0; i < record.names.size(); ++i) record.names[i].DecodeFrom(src + 4 + 256 * i);
  record.created = CatalogTimestamp::DecodeFrom(src + 772);
  record.updated = CatalogTimestamp::DecodeFrom(src + 790);
  return record;
}

// --- AttachmentRecord

static_assert(AttachmentRecord::kEncodedLength == 4 + 4 + 4 + 18 + 18 + 28);

void AttachmentRecord::EncodeTo(uint8_t* dst) const {
  std::memset(dst, 0, kEncodedLength);
  EncodeI32(dst + 0, id);
  EncodeI32(dst + 4, entry_id);
  EncodeI32(dst + 8, ordinal);
  created.EncodeTo(dst + 12);
  updated.EncodeTo(dst + 30);
}

AttachmentRecord AttachmentRecord::DecodeFrom(const uint8_t* src) {
  AttachmentRecord record;
  record.id = DecodeI32(src + 0);
  record.entry_id = DecodeI32(src + 4);
  record.ordinal = DecodeI32(src + 8);
  record.created = CatalogTimestamp::DecodeFrom(src + 12);
  record.updated = CatalogTimestamp::DecodeFrom(src + 30);
  return record;
}

// --- EnvironmentRecord

static_assert(EnvironmentRecord::kEncodedLength == 4 + 128 + 256 + 18 + 18 + 28);

void EnvironmentRecord::EncodeTo(uint8_t* dst) const {
  std::memset(dst, 0, kEncodedLength);
  EncodeI32(dst + 0, id);
  key.EncodeTo(dst + 4);
  value.EncodeTo(dst + 132);
  created.EncodeTo(dst + 388);
  updated.EncodeTo(dst + 406);
}

EnvironmentRecord EnvironmentRecord::DecodeFrom(const uint8_t* src) {
  EnvironmentRecord record;
  record.id = DecodeI32(src + 0);
  record.key.DecodeFrom(src + 4);
  record.value.DecodeFrom(src + 132);
  record.created = CatalogTimestamp::DecodeFrom(src + 388);
  record.updated = CatalogTimestamp::DecodeFrom(src + 406);
  return record;
}

// --- SortLevelRecord

static_assert(SortLevelRecord::kEncodedLength == 4 + 4 + 1 + 18 + 18 + 31);

void SortLevelRecord::EncodeTo(uint8_t* dst) const {
  std::memset(dst, 0, kEncodedLength);
  EncodeI32(dst + 0, level_index);
  EncodeI32(dst + 4, key_code);
  dst[8] = ascending;
  created.EncodeTo(dst + 9);
  updated.EncodeTo(dst + 27);
}

SortLevelRecord SortLevelRecord::DecodeFrom(const uint8_t* src) {
  SortLevelRecord record;
  record.level_index = DecodeI32(src + 0);
  record.key_code = DecodeI32(src + 4);
  record.ascending = src[8];
  record.created = CatalogTimestamp::DecodeFrom(src + 9);
  record.updated = CatalogTimestamp::DecodeFrom(src + 27);
  return record;
}

// --- RememberedFolder

std::string RememberedFolder::Path() const { return CString(path); }
void RememberedFolder::SetPath(std::string_view text) { SetCString(&path, text); }

void RememberedFolder::EncodeTo(uint8_t* dst) const { coding::EncodeBytes(dst, path); }

RememberedFolder RememberedFolder::DecodeFrom(const uint8_t* src) {
  RememberedFolder folder;
  coding::DecodeBytes(src, &folder.path);
  return folder;
}

}  // namespace veldra
