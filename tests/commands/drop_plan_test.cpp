// What a drop becomes: imports, catalogs to open, or things that refuse it, and the words
// of the refusal.
#include "commands/drop_plan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/import_messages.h"
#include "platform/fake_platform.h"
#include "tests/support/test_text.h"

namespace veldra::commands {
namespace {

// What became of the one item dropped: "pdf", "folder", "catalog" or "refused N".
std::string Outcome(const DropPlan& plan) {
  if (plan.imports.size() + plan.catalogs.size() + plan.refused.size() != 1) return "not one";
  if (!plan.imports.empty()) return plan.imports[0].folder ? "folder" : "pdf";
  if (!plan.catalogs.empty()) return "catalog";
  return "refused " + std::to_string(static_cast<int>(plan.refused[0].why));
}

struct PlanRow {
  const char* text;
  bool local;
  std::string onto_browser;
  std::string onto_frame;
};

TEST(DropPlanTest, EachItemIsImportedOpenedOrRefused) {
  platform::FakePlatform fake;
  platform::ScopedPlatform use_fake(&fake);
  fake.WriteFileBytes("/in/a.pdf", "%PDF");
  fake.WriteFileBytes("/in/B.PDF", "%PDF");
  fake.WriteFileBytes("/in/cat.vdc", "RUX");
  fake.WriteFileBytes("/in/Cat.VDC", "RUX");
  fake.WriteFileBytes("/in/notes.txt", "x");
  fake.WriteFileBytes("/in/pdf", "x");
  fake.WriteFileBytes("/in.d/plain", "x");
  fake.AddFolder("/in/dir");
  fake.AddFolder("/in/folder.pdf");
  fake.AddSpecialFile("/in/pipe.pdf");
  const std::string refused_not_local = "refused " + std::to_string(int(DropRefusal::kNotLocal));
  const std::string not_found = "refused " + std::to_string(int(DropRefusal::kNotFound));
  const std::string not_regular = "refused " + std::to_string(int(DropRefusal::kNotRegularFile));
  const std::string not_importable = "refused " + std::to_string(int(DropRefusal::kNotImportable));
  const std::string no_catalog = "refused " + std::to_string(int(DropRefusal::kNoCatalogWindow));
  const PlanRow rows[] = {
      {"/in/a.pdf", true, "pdf", no_catalog},
      {"/in/B.PDF", true, "pdf", no_catalog},
      {"/in/dir", true, "folder", no_catalog},
      {"/in/folder.pdf", true, "folder", no_catalog},
      {"/in/cat.vdc", true, "catalog", "catalog"},
      {"/in/Cat.VDC", true, "catalog", "catalog"},
      {"/in/notes.txt", true, not_importable, not_importable},
      {"/in/pdf", true, not_importable, not_importable},
      {"/in.d/plain", true, not_importable, not_importable},
      {"/in/pipe.pdf", true, not_regular, not_regular},
      {"/in/gone.pdf", true, not_found, not_found},
      {"/in/gone.vdc", true, not_found, not_found},
      {"/in/?.pdf", true, "pdf", no_catalog},
      {"/in/?.txt", true, not_found, not_found},
      {"https://example.com/a.pdf", false, refused_not_local, refused_not_local},
  };
  for (const PlanRow& row : rows) {
    const std::vector<DroppedItem> items = {{row.text, row.local}};
    EXPECT_EQ(Outcome(PlanDrop(items, true)), row.onto_browser) << row.text;
    EXPECT_EQ(Outcome(PlanDrop(items, false)), row.onto_frame) << row.text;
  }
}

TEST(DropPlanTest, RefusalNamesEachThingAndWhy) {
  const std::vector<RefusedDrop> refused = {
      {"https://example.com/a.pdf", DropRefusal::kNotLocal},
      {"/in/gone.pdf", DropRefusal::kNotFound},
      {"/in/pipe", DropRefusal::kNotRegularFile},
      {Sjis("/in/メモ.txt"), DropRefusal::kNotImportable},
      {"/in/a.pdf", DropRefusal::kNoCatalogWindow},
  };
  EXPECT_EQ(Utf8(MessageDropRefused(refused)),
            "ドロップされた次のものは扱えないため、何も取り込まず、何も開きませんでした。\n\n"
            "https://example.com/a.pdf\n　このコンピュータのファイルではありません。\n"
            "/in/gone.pdf\n　見つかりません。\n"
            "/in/pipe\n　通常のファイルではありません。\n"
            "/in/メモ.txt\n　PDFファイルでもフォルダでもカタログ（*.vdc）でもありません。\n"
            "/in/a.pdf\n　PDFとフォルダは、取り込み先のカタログのウィンドウにドロップしてください。\n");
}

}  // namespace
}  // namespace veldra::commands
