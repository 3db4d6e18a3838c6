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

// What became of the one item dropped: "pdf", "folder", "catalog" or why it was refused.
std::string Outcome(const DropPlan& plan) {
  if (plan.imports.size() + plan.catalogs.size() + plan.refused.size() != 1) return "not one";
  if (!plan.imports.empty()) return plan.imports[0].folder ? "folder" : "pdf";
  if (!plan.catalogs.empty()) return "catalog";
  const char* why[] = {"not local", "not found", "not regular", "not importable", "no catalog"};
  return why[static_cast<int>(plan.refused[0].why)];
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
  for (const char* file : {"/in/a.pdf", "/in/B.PDF", "/in/cat.vdc", "/in/Cat.VDC", "/in/notes.txt",
                           "/in/pdf", "/in.d/plain"}) {
    fake.WriteFileBytes(file, "x");  // what a drop becomes depends on names and kinds only
  }
  fake.AddFolder("/in/dir");
  fake.AddFolder("/in/folder.pdf");
  fake.AddSpecialFile("/in/pipe.pdf");
  const PlanRow rows[] = {
      {"/in/a.pdf", true, "pdf", "no catalog"},
      {"/in/B.PDF", true, "pdf", "no catalog"},
      {"/in/dir", true, "folder", "no catalog"},
      {"/in/folder.pdf", true, "folder", "no catalog"},
      {"/in/cat.vdc", true, "catalog", "catalog"},
      {"/in/Cat.VDC", true, "catalog", "catalog"},
      {"/in/notes.txt", true, "not importable", "not importable"},
      {"/in/pdf", true, "not importable", "not importable"},
      {"/in.d/plain", true, "not importable", "not importable"},
      {"/in/pipe.pdf", true, "not regular", "not regular"},
      {"/in/gone.pdf", true, "not found", "not found"},
      {"/in/gone.vdc", true, "not found", "not found"},
      {"/in/?.pdf", true, "pdf", "no catalog"},
      {"/in/?.txt", true, "not found", "not found"},
      {"https://example.com/a.pdf", false, "not local", "not local"},
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
