#include "tests/support/damaged_catalog.h"

#include <memory>

#include "platform/platform.h"
#include "storage/catalog_document.h"
#include "storage/catalog_entry_record.h"
#include "storage/catalog_tags.h"
#include "storage/chunk_file.h"
#include "tests/support/test_catalog.h"

namespace veldra::testing {
namespace {

using namespace chunk_format;

constexpr ChunkTag kEntry = kTagEntry;
constexpr ChunkTag kData = kTagAttachmentData;
constexpr size_t kEntryId = kChunkHeaderSize + EntryRecord::kIdOffset;

bool WriteAt(const std::string& path, int64_t offset, int32_t value) {
  std::unique_ptr<platform::File> file =
      platform::Platform::Current().Open(path, platform::OpenMode::kReadWrite);
  uint8_t bytes[4];
  EncodeFixed32(bytes, static_cast<uint32_t>(value));
  return file && offset >= 0 && file->WriteAt(offset, bytes, sizeof bytes);
}

int32_t ReadAt(const std::string& path, int64_t offset) {
  std::unique_ptr<platform::File> file =
      platform::Platform::Current().Open(path, platform::OpenMode::kRead);
  uint8_t bytes[4] = {0xFF, 0xFF, 0xFF, 0xFF};
  if (file && offset >= 0) file->ReadAt(offset, bytes, sizeof bytes);
  return static_cast<int32_t>(DecodeFixed32(bytes));
}

bool RemoveEntries(const std::string& path, const std::vector<int32_t>& ids) {
  CVeldraDocument doc;
  doc.OpenCatalog(path);
  for (int32_t id : ids) doc.RemoveEntry(id);
  return doc.Save() == kSaveOk;
}

}  // namespace

int64_t ChunkOfTag(const std::string& path, ChunkTag tag, int k) {
  ChunkFile file;
  int rc = file.Open(path, kChunkModeReadOnly);
  if (rc == kChunkOk) rc = file.FindFirst(tag);
  for (int i = 0; rc == kChunkOk && i < k; ++i) rc = file.FindNext();
  return rc == kChunkOk ? int64_t{AsOffset(file.current().self)} : -1;
}

bool PatchChunk(const std::string& path, ChunkTag tag, int k, size_t field, int32_t value) {
  const int64_t at = ChunkOfTag(path, tag, k);
  return at >= 0 && WriteAt(path, at + static_cast<int64_t>(field), value);
}

bool MakeDamageBaseCatalog(const std::string& path) {
  platform::Platform::Current().Remove(path);
  {
    CVeldraDocument doc;
    doc.OpenCatalog(path);
    AddTestEntries(doc, kDamageBaseEntries);
    if (doc.Save() != kSaveOk) return false;
  }
  ChunkFile file;
  bool ok = file.Open(path, kChunkModeReadWrite) == kChunkOk;
  const std::string pdf(64, 'A');
  for (int i = 0; ok && i < 3; ++i) ok = file.Append(kData, pdf.size(), pdf.data()) == kChunkOk;
  return file.Close() == kChunkOk && ok;
}

bool AppendUnlinked(const std::string& path, ChunkTag tag, const std::string& data, bool torn) {
  int64_t at = -1;
  {
    ChunkFile file;
    bool ok = file.Open(path, kChunkModeReadWrite) == kChunkOk;
    std::unique_ptr<platform::File> raw =
        platform::Platform::Current().Open(path, platform::OpenMode::kRead);
    at = ok && raw ? raw->Size() : -1;
    ok = ok && file.Append(tag, data.size(), data.data()) == kChunkOk;
    if (file.Close() != kChunkOk || !ok) return false;
  }
  const int32_t prev_in_tag = ReadAt(path, at + kPrevInTagOffset);
  const int64_t holder = prev_in_tag != -1 ? prev_in_tag : ReadAt(path, at + kPrevHeadOffset);
  if (!WriteAt(path, holder + (prev_in_tag != -1 ? kNextInTagOffset : kNextHeadOffset), -1)) {
    return false;
  }
  std::unique_ptr<platform::File> file =
      platform::Platform::Current().Open(path, platform::OpenMode::kReadWrite);
  return file && (!torn || file->Truncate(file->Size() - 30));
}

const std::vector<DamageRow>& DamageRows() {
  static const std::vector<DamageRow> rows = {
      {"next-in-tag := -1 in the middle of the entries",
       [](const std::string& p) { return PatchChunk(p, kEntry, 2, kNextInTagOffset, -1); },
       true, "3 chunks of ENTR from"},
      {"prev-in-tag names the chunk two back",
       [](const std::string& p) {
         return PatchChunk(p, kEntry, 3, kPrevInTagOffset,
                           static_cast<int32_t>(ChunkOfTag(p, kEntry, 1)));
       },
       true, "prev-in-tag of chunk at"},
      {"list of heads cut before the entries",
       [](const std::string& p) {
         const int32_t before = ReadAt(p, ChunkOfTag(p, kEntry, 0) + kPrevHeadOffset);
         return WriteAt(p, AsOffset(before) + kNextHeadOffset, -1);
       },
       true, "cut off from the list of heads"},
      {"a second head for the entries' tag",
       [](const std::string& p) { return PatchChunk(p, kData, 0, kTagOffset, kEntry); },
       true, "tag ENTR has a second head"},
      {"a head of an unknown tag that breaks its list",
       [](const std::string& p) { return PatchChunk(p, kData, 0, kTagOffset, MakeTag("ZZZZ")); },
       true, "of tag ATTD, not ZZZZ"},
      {"attachment data chain linked into a PDF's bytes",
       [](const std::string& p) {
         return PatchChunk(p, kData, 0, kNextInTagOffset,
                           static_cast<int32_t>(ChunkOfTag(p, kData, 0) + 40));
       },
       true, "where the header's self field is"},
      {"one id in two entries apart",
       [](const std::string& p) { return PatchChunk(p, kEntry, 4, kEntryId, 1); }, true,
       "entry id 1 is held by 2 entries"},
      {"one id in two neighbouring entries that differ where a record never changes",
       [](const std::string& p) { return PatchChunk(p, kEntry, 3, kEntryId, 2); }, true,
       "entry id 2 is held by 2 entries"},
      {"a copy of an entry in the chunk behind it (a rewrite cut short)",
       [](const std::string& p) {
         const int64_t from = ChunkOfTag(p, kEntry, 2), to = ChunkOfTag(p, kEntry, 3);
         std::unique_ptr<platform::File> file =
             platform::Platform::Current().Open(p, platform::OpenMode::kReadWrite);
         std::string record(EntryRecord::kEncodedLength, '\0');
         return file && from > 0 && to > 0 &&
                file->ReadAt(from + kChunkHeaderSize, record.data(), record.size()) ==
                    static_cast<int64_t>(record.size()) &&
                file->WriteAt(to + kChunkHeaderSize, record.data(), record.size());
       },
       false, "holds records left by an interrupted write"},
      {"entries deleted",
       [](const std::string& p) { return RemoveEntries(p, {0, 3, 5}); }, false, ""},
      {"every entry deleted",
       [](const std::string& p) { return RemoveEntries(p, {0, 1, 2, 3, 4, 5}); }, false, ""},
      {"the table of the last head emptied",
       [](const std::string& p) {
         ChunkFile file;
         bool ok = file.Open(p, kChunkModeReadWrite) == kChunkOk &&
                   file.WriteAll(kData, RecordArray(64), 64) == kChunkOk;
         return file.Close() == kChunkOk && ok;
       },
       false, ""},
      {"a head of an unknown tag on a sound list",
       [](const std::string& p) {
         ChunkFile file;
         bool ok = file.Open(p, kChunkModeReadWrite) == kChunkOk &&
                   file.Append(MakeTag("ZZZZ"), 4, "zzzz") == kChunkOk;
         return file.Close() == kChunkOk && ok;
       },
       true, "which a catalog does not use"},
      {"an entry appended, killed before its link was written",
       [](const std::string& p) {
         const int64_t tail = ChunkOfTag(p, kEntry, kDamageBaseEntries - 1);
         ChunkFile file;
         const std::string record(EntryRecord::kEncodedLength, '\0');
         bool ok = file.Open(p, kChunkModeReadWrite) == kChunkOk &&
                   file.Append(kEntry, record.size(), record.data()) == kChunkOk;
         ok = file.Close() == kChunkOk && ok;
         return ok && WriteAt(p, tail + kNextInTagOffset, -1);
       },
       false, ""},
      {"a PDF appended, killed before its bytes were all written",
       [](const std::string& p) {
         const int64_t tail = ChunkOfTag(p, kData, 2);
         ChunkFile file;
         const std::string pdf(64, 'B');
         bool ok = file.Open(p, kChunkModeReadWrite) == kChunkOk &&
                   file.Append(kData, pdf.size(), pdf.data()) == kChunkOk;
         ok = file.Close() == kChunkOk && ok && WriteAt(p, tail + kNextInTagOffset, -1);
         std::unique_ptr<platform::File> cut =
             platform::Platform::Current().Open(p, platform::OpenMode::kReadWrite);
         return ok && cut && cut->Truncate(cut->Size() - 30);
       },
       false, "an append cut short left it"},
  };
  return rows;
}

}  // namespace veldra::testing
