// A catalog on the in-memory platform, with helpers to add entries and to read back what a
// command left in the file.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/fake_platform.h"
#include "storage/catalog_document.h"
#include "storage/catalog_entry_record.h"
#include "tests/support/test_catalog.h"
#include "tests/support/test_text.h"

namespace veldra::testing {

class CatalogTest : public ::testing::Test {
 protected:
  static constexpr char kCatalogPath[] = "/data/cat.vdc";

  CatalogTest();

  // Writes a small PDF at path (the fake's file system) and returns its bytes.
  std::string AddPdfFile(const std::string& path, const std::string& text);

  // Imports path as a new entry with the triple (CP932) as the single import does, without
  // saving. Returns the new entry's id.
  int32_t AddEntry(const std::string& pdf_path, const std::string& c1,
                   const std::string& c2, const std::string& c3);
  // As AddEntry with a fresh PDF named name under /pdf, then SaveTables.
  int32_t AddSavedEntry(const std::string& name, const std::string& c1 = "",
                        const std::string& c2 = "", const std::string& c3 = "");

  // A new document loaded from the catalog file.
  std::unique_ptr<CVeldraDocument> Reload() const;

  EntryRecord EntryById(const CVeldraDocument& document, int32_t id) const;
  // The category triples of document in table order, "a/b/c" in UTF-8.
  std::vector<std::string> Triples(const CVeldraDocument& document) const;

  platform::FakePlatform fake_;
  platform::ScopedPlatform use_fake_{&fake_};
  std::unique_ptr<CVeldraDocument> doc_;
};

}  // namespace veldra::testing
