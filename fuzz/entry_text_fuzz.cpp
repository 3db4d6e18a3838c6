// Any bytes as a companion (.vdb) file's text: the parse must neither crash nor read outside
// the text, every text field it keeps must fit its record field, and what it read must come
// back the same when written as a companion again and read, with LF or CR LF line ends.
// (Nothing ends a value but the next key's line, so a value that holds a line starting with a
// key cannot be told from that key, nor a value that ends in a carriage return (a text cut by
// a NUL) from a CR LF line end: such texts are only parsed, not compared. And the tail
// keys from "[en_file_path]" on are read with a moving limit that an empty value leaves
// behind, so the tail comes back only when its three texts are not empty.)
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "storage/entry_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using veldra::fuzz::Require;
  veldra::EntryRecord entry;
  veldra::ParseEntryText(std::string_view(reinterpret_cast<const char*>(data), size), &entry);
  Require(entry.title.Text().size() < 128 && entry.note.Text().size() < 256,
          "a field holds more than its read limit");

  const std::string written = veldra::EntryTextBytes(entry);
  if (written.find("\r\n") != std::string::npos) return 0;  // a value ends in CR
  for (const veldra::EntryTextKey& key : veldra::kEntryTextKeys) {
    const std::string line = "\n" + std::string(key.key) + " ";
    const size_t first = written.find(line);
    if (first == std::string::npos || written.find(line, first + 1) != std::string::npos) {
      return 0;  // a value holds a key's line
    }
  }
  const bool whole_tail = !entry.file_path.Text().empty() && !entry.os.Text().empty() &&
                          !entry.machine_name.Text().empty();
  veldra::EntryRecord expected = entry;  // the selection flag is written as 0 or 1
  expected.is_select_entrylist = entry.is_select_entrylist != 0 ? 1 : 0;
  auto same = [&](veldra::EntryRecord read) {
    if (!whole_tail) {
      read.file_path = expected.file_path;
      read.os = expected.os;
      read.machine_name = expected.machine_name;
      read.pdf_window_position = expected.pdf_window_position;
      read.entry_window_ordered_index = expected.entry_window_ordered_index;
      read.pdf_window_ordered_index = expected.pdf_window_ordered_index;
      read.is_select_entrylist = expected.is_select_entrylist;
    }
    return read == expected;
  };

  veldra::EntryRecord again;
  veldra::ParseEntryText(written, &again);
  Require(same(again), "an entry read from a companion does not read back the same");

  std::string crlf;
  for (char c : written) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  veldra::EntryRecord from_crlf;
  veldra::ParseEntryText(crlf, &from_crlf);
  Require(same(from_crlf), "a companion with CR LF line ends reads differently");
  return 0;
}
