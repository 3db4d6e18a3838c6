#include "tests/commands/catalog_fixture.h"

#include "storage/catalog_files.h"
#include "storage/category_names.h"
#include "storage/catalog_table.h"
#include "tests/commands/test_pdf.h"

namespace veldra::testing {

CatalogTest::CatalogTest() {
  fake_.SetNow({2024, 5, 6, 7, 8, 9, 10});
  fake_.AddFolder("/data");
  fake_.AddFolder("/pdf");
  doc_ = std::make_unique<CVeldraDocument>();
  doc_->OpenCatalog(kCatalogPath);
}

std::string CatalogTest::AddPdfFile(const std::string& path, const std::string& text) {
  std::string bytes = MakePdf(text);
  fake_.WriteFileBytes(path, bytes);
  return bytes;
}

int32_t CatalogTest::AddEntry(const std::string& pdf_path, const std::string& c1,
                              const std::string& c2, const std::string& c3) {
  const EntryRecord entry = AddTestEntry(*doc_, pdf_path, c1, c2, c3);
  AttachPdf(entry, pdf_path, doc_->path(), doc_->attachments(), doc_->counters());
  fake_.AdvanceMs(1);
  return entry.id;
}

int32_t CatalogTest::AddSavedEntry(const std::string& name, const std::string& c1,
                                   const std::string& c2, const std::string& c3) {
  const std::string path = "/pdf/" + name;
  AddPdfFile(path, name);
  auto pick = [](const std::string& n) {
    return n.empty() ? std::string(kOtherCategoryName) : Sjis(n);
  };
  int32_t id = AddEntry(path, pick(c1), pick(c2), pick(c3));
  if (!doc_->CategoryExists(pick(c1), pick(c2), pick(c3))) {
    NewCategoryRecord(doc_->categories(), doc_->counters(), pick(c1), pick(c2), pick(c3));
    doc_->RebuildLevelNames();
  }
  EXPECT_EQ(doc_->SaveTables(doc_->path()), 0);
  return id;
}

std::unique_ptr<CVeldraDocument> CatalogTest::Reload() const {
  auto document = std::make_unique<CVeldraDocument>();
  document->Load(kCatalogPath);
  EXPECT_TRUE(document->read_complete());
  return document;
}

EntryRecord CatalogTest::EntryById(const CVeldraDocument& document, int32_t id) const {
  for (int i = 0; i < document.entries().Count(); ++i) {
    EntryRecord e = EntryAt(document.entries(), i);
    if (e.id == id) return e;
  }
  ADD_FAILURE() << "no entry " << id;
  return EntryRecord{};
}

std::vector<std::string> CatalogTest::Triples(const CVeldraDocument& document) const {
  std::vector<std::string> out;
  for (int i = 0; i < document.categories().Count(); ++i) {
    CategoryRecord c = CategoryAt(document.categories(), i);
    out.push_back(Utf8(c.Name(1)) + "/" + Utf8(c.Name(2)) + "/" + Utf8(c.Name(3)));
  }
  return out;
}

}  // namespace veldra::testing
