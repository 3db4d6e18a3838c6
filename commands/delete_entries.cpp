#include "commands/delete_entries.h"

namespace veldra::commands {

int DeleteEntries(CVeldraDocument& document, const std::vector<int32_t>& entry_ids) {
  for (int32_t id : entry_ids) {
    document.RemoveEntry(id);
    document.RemoveAttachmentLink(id);
  }
  return document.SaveTables(document.path());
}

}  // namespace veldra::commands
