// The chunk tags of a catalog file and the keys of its id counters (docs/catalog-format.md).
#pragma once

#include "storage/chunk_file.h"

namespace veldra {

constexpr ChunkTag kTagIdCounter = MakeTag("IDCO");       // IdCounterRow, 140 bytes
constexpr ChunkTag kTagLabel = MakeTag("LABE");           // LabelRecord, 328 bytes
constexpr ChunkTag kTagCategory = MakeTag("CATS");        // CategoryRecord, 836 bytes
constexpr ChunkTag kTagEntry = MakeTag("ENTR");           // EntryRecord, 4644 bytes
constexpr ChunkTag kTagAttachment = MakeTag("ATTA");      // AttachmentRecord, 76 bytes
constexpr ChunkTag kTagAttachmentData = MakeTag("ATTD");  // the bytes of one PDF
constexpr ChunkTag kTagEnvironment = MakeTag("ENVI");     // EnvironmentRecord, 452 bytes
constexpr ChunkTag kTagSortLevel = MakeTag("ENSO");       // SortLevelRecord, 76 bytes

// Remembered folders (RememberedFolder, 256 bytes). PW03 lives in the preference file only.
constexpr ChunkTag kTagFolderBatchImport = MakeTag("PW01");
constexpr ChunkTag kTagFolderSingleImport = MakeTag("PW02");
constexpr ChunkTag kTagFolderNewCatalog = MakeTag("PW03");
constexpr ChunkTag kTagFolderExport = MakeTag("PW04");
// The PDF viewer's page mode the reader last chose ("bookmarks" or "none"), a text in the
// same 256-byte record, in the preference file only.
constexpr ChunkTag kTagViewerPageMode = MakeTag("PV01");

static_assert(kTagEntry == 0x454E5452);
static_assert(kTagAttachment == 0x41545441);

// Counter keys; each issues the ids of the table whose tag it serves.
inline constexpr char kCounterKeyCounter[] = "ic_id";      // IDCO
inline constexpr char kCounterKeyLabel[] = "la_id";        // LABE
inline constexpr char kCounterKeyCategory[] = "ct_id";     // CATS
inline constexpr char kCounterKeyEntry[] = "en_id";        // ENTR
inline constexpr char kCounterKeyAttachment[] = "at_id";   // ATTA
inline constexpr char kCounterKeyEnvironment[] = "ev_id";  // ENVI

}  // namespace veldra
