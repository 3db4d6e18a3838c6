// Writes the seed inputs of the fuzz targets into OUT_DIR (an existing folder):
//   catalog/     small catalogs as the program makes them (new, with entries and their PDFs,
//                after a deletion, a compacted copy, with a remembered folder)
//   entry_text/  companion files of those entries
//   text/        a limit byte and a text, for text_conversion_fuzz
// The catalogs are built on the fake platform with a fixed clock, so the seeds are the same
// bytes on every run.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "commands/compact_copy.h"
#include "commands/delete_entries.h"
#include "commands/import_pdfs.h"
#include "platform/fake_platform.h"
#include "storage/catalog_document.h"
#include "storage/catalog_files.h"
#include "storage/catalog_table.h"
#include "storage/catalog_tags.h"
#include "storage/entry_text.h"
#include "storage/remembered_folder.h"

namespace {

using namespace veldra;

bool Put(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// A few dozen bytes that start and end as a PDF does: the catalog never looks inside.
std::string TinyPdf(int n) {
  return "%PDF-1.4\n1 0 obj << /N " + std::to_string(n) + " >> endobj\n%%EOF\n";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_fuzz_seeds OUT_DIR\n");
    return 2;
  }
  const std::string out = argv[1];
  platform::FakePlatform fake;
  platform::ScopedPlatform use(&fake);
  fake.SetNow({2024, 3, 5, 7, 8, 9, 10});
  fake.AddFolder("/c");
  bool ok = true;
  auto save = [&](const std::string& name, const std::string& fake_path) {
    ok = Put(out + "/catalog/" + name, fake.ReadFileBytes(fake_path)) && ok;
  };

  ok = CreateDefaultCatalog("/c/new.vdc") && ok;
  save("new.vdc", "/c/new.vdc");

  // Three entries with their PDFs, one category named in CP932 ("資料" / "その他" / "a").
  std::vector<std::string> pdfs;
  for (int i = 0; i < 3; ++i) {
    pdfs.push_back("/in/" + std::to_string(i) + ".pdf");
    fake.WriteFileBytes(pdfs.back(), TinyPdf(i));
  }
  const commands::CategoryTriple triple = {"\x8E\x91\x97\xBF", "\x82\xBB\x82\xCC\x91\xBC", "a"};
  CVeldraDocument doc;
  ok = CreateDefaultCatalog("/c/three.vdc") && ok;
  doc.OpenCatalog("/c/three.vdc");
  commands::ImportReport report;
  ok = commands::ImportPdfs(doc, pdfs, triple, &report) == commands::kImportOk && ok;
  save("three.vdc", "/c/three.vdc");
  for (int i = 0; i < doc.entries().Count(); ++i) {
    ok = Put(out + "/entry_text/" + std::to_string(i) + ".vdb",
             EntryTextBytes(EntryAt(doc.entries(), i))) && ok;
  }

  // The first entry deleted (its PDF stays as dead bytes), a folder remembered, the sort
  // levels saved; then the compacted copy of that.
  ok = commands::DeleteEntries(doc, {EntryAt(doc.entries(), 0).id}) == kSaveOk && ok;
  StoreRememberedFolder(&doc, kTagFolderExport, "/out");
  ok = doc.Save() == kSaveOk && ok;
  save("deleted.vdc", "/c/three.vdc");
  ok = commands::WriteCompactCopy(doc, "/c/compact.vdc") == commands::kCompactOk && ok;
  save("compact.vdc", "/c/compact.vdc");

  // Texts: a limit byte, then CP932 (ASCII, kana, kanji, IBM extensions, a lone lead byte at
  // the end), UTF-8, and a UTF-16LE field.
  const std::string texts[] = {
      std::string("\x10") + "plain ASCII text",
      std::string("\x07") + "\x83\x65\x83\x58\x83\x67\x8E\x91\x97\xBF\x81\x60\x5C",
      std::string("\x05") + "\xFA\x40\xFA\x55\xED\x40\x87\x90\x81\xE0\xA0\xDF\x81",
      std::string("\x09") + "\xE8\xB3\x87\xE6\x96\x99 \xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88",
      std::string("\x20") + std::string("\xFF\xFE" "a\0b\0\xC7\x8C\0\0", 10),
  };
  int n = 0;
  for (const std::string& text : texts) ok = Put(out + "/text/" + std::to_string(n++), text) && ok;

  if (!ok) std::fprintf(stderr, "make_fuzz_seeds: a seed could not be made\n");
  return ok ? 0 : 1;
}
