#include "tests/support/test_catalog.h"

#include <algorithm>

#include "platform/platform.h"
#include "storage/catalog_files.h"
#include "storage/catalog_table.h"
#include "storage/little_endian.h"
#include "tests/support/test_text.h"

namespace veldra::testing {

EntryRecord AddTestEntry(CVeldraDocument& document, const std::string& pdf_path,
                         std::string_view c1, std::string_view c2, std::string_view c3) {
  EntryRecord entry;
  NewEntryRecord(document.counters(), pdf_path, c1, c2, c3, &entry);
  AppendRecord(document.entries(), entry);
  return entry;
}

void AddTestEntries(CVeldraDocument& document, int count) {
  for (int i = 0; i < count; ++i) AddTestEntry(document, "/in/" + std::to_string(i) + ".pdf");
}

bool MakeTestCatalog(const std::string& path,
                     const std::vector<std::array<std::string, 3>>& triples,
                     const std::vector<TestEntry>& entries) {
  if (!CreateDefaultCatalog(path)) return false;
  CVeldraDocument doc;
  doc.OpenCatalog(path);
  for (const auto& t : triples) {
    NewCategoryRecord(doc.categories(), doc.counters(), Sjis(t[0]), Sjis(t[1]), Sjis(t[2]));
  }
  for (const TestEntry& wanted : entries) {
    EntryRecord e = AddTestEntry(doc, "/in/" + Sjis(wanted.title) + ".pdf",
                                 Sjis(wanted.categories[0]), Sjis(wanted.categories[1]),
                                 Sjis(wanted.categories[2]));
    e.title.SetText(Sjis(wanted.title));
    e.file_size = wanted.size;
    e.my_rate = static_cast<int16_t>(wanted.rating);
    e.update_date = CatalogTimestamp();
    std::copy_n(wanted.updated.begin(), std::min<size_t>(wanted.updated.size(), 17),
                e.update_date.bytes.begin());
    TextField<256>* people[] = {&e.author_name, &e.editor_name, &e.supervisor_name,
                                &e.translator_name, &e.publisher_name};
    for (int k = 0; k < 5; ++k) people[k]->SetText(Sjis(wanted.people[k]));
    e.note.SetText(Sjis(wanted.note));
    e.entry_window_ordered_index = -1;
    e.pdf_window_ordered_index = -1;
    SetRecordAt(doc.entries(), doc.entries().Count() - 1, e);
  }
  return doc.Save() == kSaveOk;
}

std::string TestPdfBytes(int i, size_t size) {
  std::string bytes = "%PDF-1.4 entry " + std::to_string(i) + "\n";
  while (bytes.size() < size) bytes += static_cast<char>('a' + (bytes.size() * 7 + i) % 26);
  bytes.resize(size);
  return bytes;
}

bool MakeCatalogWithPdfs(const std::string& path, int count) {
  std::vector<std::string> pdfs;
  for (int i = 0; i < count; ++i) pdfs.push_back(TestPdfBytes(i));
  return MakeCatalogWithPdfs(path, pdfs);
}

bool MakeCatalogWithPdfs(const std::string& path, const std::vector<std::string>& pdfs,
                         bool save_each) {
  platform::Platform& os = platform::Platform::Current();
  if (!CreateDefaultCatalog(path)) return false;
  CVeldraDocument doc;
  doc.Load(path);
  NewCategoryRecord(doc.categories(), doc.counters(), "a", "b", "c");
  bool ok = true;
  for (size_t i = 0; ok && i < pdfs.size(); ++i) {
    const std::string pdf_path = path + "." + std::to_string(i) + ".pdf";
    auto pdf = os.Open(pdf_path, platform::OpenMode::kCreate);
    ok = pdf && pdf->WriteAt(0, pdfs[i].data(), pdfs[i].size());
    pdf.reset();
    const EntryRecord entry = AddTestEntry(doc, pdf_path);
    ok = ok && AttachPdf(entry, pdf_path, path, doc.attachments(), doc.counters()) == 0 &&
         (!save_each || doc.SaveTables(path) == kSaveOk);
    os.Remove(pdf_path);
  }
  return ok && (save_each || doc.SaveTables(path) == kSaveOk);
}

std::vector<ChunkRecord> ChunksOf(const std::string& path, ChunkTag tag, bool all) {
  ContainerReport report;
  InspectContainer(path, &report);
  std::vector<ChunkRecord> out;
  for (const ChunkRecord& c : report.chunks) {
    if (c.header.tag == tag && (all || c.live)) out.push_back(c);
  }
  return out;
}

bool PatchInt32(const std::string& path, int64_t offset, int32_t value) {
  auto file = platform::Platform::Current().Open(path, platform::OpenMode::kReadWrite);
  uint8_t bytes[4];
  coding::EncodeFixed32(bytes, static_cast<uint32_t>(value));
  return file && file->WriteAt(offset, bytes, sizeof bytes);
}

}  // namespace veldra::testing
