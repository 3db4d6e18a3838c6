// CheckCatalog adds its sentences after those the caller already has, and judges the catalog
// by its own: a caller's earlier line never hides a fault nor turns a sound catalog unsound.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/catalog_check.h"
#include "tests/commands/catalog_fixture.h"

namespace veldra::commands {
namespace {

using testing::CatalogTest;

class CatalogCheckTest : public CatalogTest {};

TEST_F(CatalogCheckTest, AppendsToTheCallersSentences) {
  AddSavedEntry("a.pdf");
  const std::string sound = fake_.ReadFileBytes(kCatalogPath);
  std::string header_byte = sound;  // one fault only: a file header byte that is not zero
  header_byte[100] = 1;
  struct Row {
    const char* name;
    std::string bytes;
    bool sound;
  };
  const Row rows[] = {{"sound", sound, true}, {"header byte", header_byte, false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fake_.WriteFileBytes(kCatalogPath, row.bytes);
    std::vector<std::string> alone;
    EXPECT_EQ(CheckCatalog(kCatalogPath, &alone), row.sound);
    std::vector<std::string> appended = {"an earlier line"};
    EXPECT_EQ(CheckCatalog(kCatalogPath, &appended), row.sound);
    alone.insert(alone.begin(), "an earlier line");
    EXPECT_EQ(appended, alone);
  }
}

}  // namespace
}  // namespace veldra::commands
