// Deleting entries. The question before it ("選択しているPDFを削除してもよろしいですか？",
// QuestionDeleteEntries) and the closing of the entries' windows are the caller's.
#pragma once

#include <cstdint>
#include <vector>

#include "storage/catalog_document.h"

namespace veldra::commands {

// For each id in order: RemoveEntry, RemoveAttachmentLink. Then SaveTables to the
// catalog's own file. The PDF bytes stay in the file as dead bytes. The result of
// SaveTables (kSaveOk or the first failure).
int DeleteEntries(CVeldraDocument& document, const std::vector<int32_t>& entry_ids);

}  // namespace veldra::commands
