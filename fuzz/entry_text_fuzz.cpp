// Any bytes as a companion (.vdb) file's text: the parse must neither crash nor read outside
// the text, and every text field it keeps must fit its record field.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "storage/entry_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  veldra::EntryRecord entry;
  veldra::ParseEntryText(std::string_view(reinterpret_cast<const char*>(data), size), &entry);
  if (entry.title.Text().size() >= 128 || entry.note.Text().size() >= 256) std::abort();
  return 0;
}
