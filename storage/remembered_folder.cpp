#include "storage/remembered_folder.h"

#include <array>
#include <cstdint>

#include "storage/catalog_document.h"
#include "storage/catalog_records.h"
#include "storage/catalog_tags.h"
#include "storage/preference_store.h"

namespace veldra {
namespace {

bool KeptInCatalog(ChunkTag tag) { return tag != kTagFolderNewCatalog; }

}  // namespace

std::string ReadRememberedFolder(const CVeldraDocument* catalog, ChunkTag tag) {
  std::array<uint8_t, RememberedFolder::kEncodedLength> record{};
  const bool found =
      (catalog != nullptr && KeptInCatalog(tag) &&
       catalog->ReadSetting(tag, record.size(), record.data())) ||
      ReadPreference(tag, record.data(), record.size());
  if (!found) return std::string();
  return RememberedFolder::DecodeFrom(record.data()).Path();
}

void StoreRememberedFolder(CVeldraDocument* catalog, ChunkTag tag, const std::string& folder) {
  if (folder.size() >= RememberedFolder::kEncodedLength) return;
  RememberedFolder value;
  value.SetPath(folder);
  std::array<uint8_t, RememberedFolder::kEncodedLength> record{};
  value.EncodeTo(record.data());
  if (catalog != nullptr && KeptInCatalog(tag)) {
    catalog->WriteSetting(tag, record.size(), record.data());
  }
  WritePreference(tag, record.size(), record.data());
}

std::string ReadPreferenceText(ChunkTag tag) { return ReadRememberedFolder(nullptr, tag); }

void StorePreferenceText(ChunkTag tag, const std::string& text) {
  StoreRememberedFolder(nullptr, tag, text);
}

}  // namespace veldra
