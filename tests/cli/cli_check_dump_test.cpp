// check and dump on sound and deliberately damaged catalogs, and what the changing commands
// do with a catalog that cannot be read completely or saved.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <sstream>

#include "cli/tool.h"

#include "platform/fake_platform.h"
#include "storage/catalog_document.h"
#include "storage/catalog_table.h"
#include "storage/catalog_tags.h"
#include "storage/chunk_file.h"
#include "storage/chunk_format.h"
#include "storage/chunk_inspect.h"
#include "tests/cli/cli_fixture.h"

namespace veldra::cli::testing {
namespace {

using Strings = std::vector<std::string>;

class CliCheckTest : public CliTest {
 protected:
  // A sound catalog with three entries, one of them deleted (so dead chunks exist).
  void SetUp() override {
    catalog_ = MakeCatalog({"a.pdf", "b.pdf", "c.pdf"});
    RunOk({"delete", catalog_, "--id", "1"});
    sound_ = ReadFile("cat.vdc");
  }

  // The live chunks of tag in the sound catalog, in file order.
  std::vector<ChunkRecord> Chunks(ChunkTag tag) {
    ContainerReport report;
    EXPECT_TRUE(InspectContainer(catalog_, &report));
    std::vector<ChunkRecord> out;
    for (const ChunkRecord& c : report.chunks) {
      if (c.header.tag == tag && c.live) out.push_back(c);
    }
    return out;
  }

  // A copy of the sound catalog with the i32 at offset set to value; its path.
  std::string Damaged(const std::string& name, size_t offset, int32_t value) {
    std::string bytes = sound_;
    std::memcpy(bytes.data() + offset, &value, 4);  // little-endian host
    WriteFile(name, bytes);
    return Path(name);
  }

  CliResult Check(const std::string& path) {
    CliResult r = Run({"check", path});
    EXPECT_EQ(r.code, 1) << path;
    EXPECT_NE(r.err.find("problem(s) found"), std::string::npos) << r.err;
    return r;
  }

  std::string catalog_;
  std::string sound_;
};

TEST_F(CliCheckTest, ASoundCatalogPassesSilently) {
  CliResult r = RunOk({"check", catalog_});
  EXPECT_EQ(r.out + r.err, "");
}

TEST_F(CliCheckTest, ALinkPastTheEndIsFound) {
  const ChunkRecord first = Chunks(kTagEntry).front();
  Check(Damaged("past.vdc", first.offset + chunk_format::kNextInTagOffset,
                static_cast<int32_t>(sound_.size() + 100)));
}

TEST_F(CliCheckTest, ACycleIsFound) {
  const std::vector<ChunkRecord> labels = Chunks(kTagLabel);
  Check(Damaged("cycle.vdc", labels.back().offset + chunk_format::kNextInTagOffset,
                static_cast<int32_t>(labels.front().offset)));
}

TEST_F(CliCheckTest, AWrongSelfFieldIsFound) {
  const ChunkRecord category = Chunks(kTagCategory).front();
  Check(Damaged("self.vdc", category.offset + chunk_format::kSelfOffset, 12345));
}

TEST_F(CliCheckTest, ALengthBeyondTheFileIsFound) {
  const ChunkRecord last = Chunks(kTagAttachmentData).back();
  Check(Damaged("length.vdc", last.offset + chunk_format::kLengthOffset, 1 << 30));
}

TEST_F(CliCheckTest, ATruncatedFileIsFound) {
  WriteFile("short.vdc", sound_.substr(0, sound_.size() - 10));
  Check(Path("short.vdc"));
}

TEST_F(CliCheckTest, ABadMagicIsFound) {
  std::string bytes = sound_;
  bytes[0] = 'X';
  WriteFile("magic.vdc", bytes);
  Check(Path("magic.vdc"));
}

TEST_F(CliCheckTest, ARecordOfTheWrongSizeIsFound) {
  WriteFile("size.vdc", sound_);
  {
    ChunkFile file;
    ASSERT_EQ(file.Open(Path("size.vdc"), kChunkModeReadWrite), kChunkOk);
    const char ten[10] = {};
    ASSERT_EQ(file.Append(kTagCategory, sizeof ten, ten), kChunkOk);
  }
  CliResult r = Check(Path("size.vdc"));
  EXPECT_NE(r.err.find("holds 10 bytes; its records are 836 bytes"), std::string::npos) << r.err;
}

TEST_F(CliCheckTest, AnAttachmentRecordWithoutItsBytesIsFound) {
  WriteFile("orphan.vdc", sound_);
  {
    CVeldraDocument document;
    document.Load(Path("orphan.vdc"));
    AttachmentRecord record = AttachmentAt(document.attachments(), 1);
    record.ordinal = 9;
    SetRecordAt(document.attachments(), 1, record);
    ASSERT_EQ(document.Save(), 0);
  }
  CliResult r = Check(Path("orphan.vdc"));
  EXPECT_NE(r.err.find("attachment record 2 (entry 2) points at attachment 9, but the file "
                       "holds 3"),
            std::string::npos)
      << r.err;
  // The container itself is sound: only this problem is listed.
  EXPECT_EQ(Lines(r.err).size(), 2u) << r.err;
}

TEST_F(CliCheckTest, EveryDuplicatedEntryIdIsFoundOnce) {
  WriteFile("dup.vdc", sound_);
  const std::string path = Path("dup.vdc");
  std::vector<std::string> import = {"import", path};
  for (const std::string& name : Strings{"d.pdf", "e.pdf", "f.pdf", "g.pdf"}) {
    WritePdf("src/" + name, "pdf " + name);
    import.push_back(Path("src/" + name));
  }
  RunOk(import);
  {
    CVeldraDocument document;
    document.Load(path);
    const int32_t ids[] = {4, 0, 4, 3, 4, 0};  // 4 three times, 0 twice, 3 once
    ASSERT_EQ(document.entries().Count(), 6);
    for (int i = 0; i < 6; ++i) {
      EntryRecord entry = EntryAt(document.entries(), i);
      entry.id = ids[i];
      SetRecordAt(document.entries(), i, entry);
    }
    ASSERT_EQ(document.Save(), 0);
  }
  // The links of the entries whose ids were taken name entries no more.
  CliResult r = Check(path);
  EXPECT_EQ(Lines(r.err),
            (Strings{"veldra-cli: " + path + ": 5 problem(s) found",
                     "  entry id 0 is held by 2 entries", "  entry id 4 is held by 3 entries",
                     "  attachment record 2 (entry 2) names an entry the catalog does not hold",
                     "  attachment record 5 (entry 5) names an entry the catalog does not hold",
                     "  attachment record 6 (entry 6) names an entry the catalog does not hold"}))
      << r.err;
}

TEST_F(CliCheckTest, DumpListsEveryChunkInFileOrderLiveOrDead) {
  Strings lines = Lines(RunOk({"dump", catalog_}).out);
  ContainerReport report;
  ASSERT_TRUE(InspectContainer(catalog_, &report));
  ASSERT_EQ(lines.size(), report.chunks.size() + 1);
  EXPECT_EQ(lines[0], "offset\ttag\tlength\tprev_in_tag\tnext_in_tag\tprev_head\tnext_head\tstate");
  EXPECT_EQ(lines[1], "512\troot\t0\t-1\t-1\t-1\t548\tlive");
  EXPECT_TRUE(lines[2].starts_with("548\tLABE\t328\t-1\t"));
  int dead = 0;
  for (const std::string& line : lines) dead += line.ends_with("\tdead");
  // The deleted entry's record and link went dead (its bytes stay live in the ATTD list).
  EXPECT_GE(dead, 2);
  EXPECT_EQ(Run({"dump", Path("nothing.vdc")}).code, 1);
}

class CliIncompleteTest : public CliTest {};

TEST_F(CliIncompleteTest, ChangingCommandsWriteNothingToACatalogReadInPart) {
  const std::string catalog = MakeCatalog({"a.pdf", "b.pdf"});
  {
    ChunkFile file;
    ASSERT_EQ(file.Open(catalog, kChunkModeReadWrite), kChunkOk);
    const char odd[100] = {};
    ASSERT_EQ(file.Append(kTagEntry, sizeof odd, odd), kChunkOk);
  }
  const std::string before = ReadFile("cat.vdc");
  WritePdf("new.pdf", "n");
  std::filesystem::create_directory(Path("out"));
  for (const Strings& words :
       {Strings{"import", catalog, Path("new.pdf")}, Strings{"export", catalog, Path("out"), "--all"},
        Strings{"delete", catalog, "--id", "0"}, Strings{"compact", catalog, Path("c.vdc")},
        Strings{"label", catalog, "1", "x"}, Strings{"category-add", catalog, "1", "x"},
        Strings{"category-delete", catalog, "1", "x"},
        Strings{"recategorize", catalog, "--id", "0", "--c1", "x"},
        Strings{"set", catalog, "0", "--title", "x"}}) {
    CliResult r = Run(words);
    EXPECT_EQ(r.code, 1) << words[0];
    EXPECT_NE(r.err.find("could not be read completely; nothing was changed"), std::string::npos)
        << words[0] << ": " << r.err;
  }
  EXPECT_EQ(ReadFile("cat.vdc"), before);
  EXPECT_FALSE(Exists("c.vdc"));
  EXPECT_TRUE(std::filesystem::is_empty(Path("out")));
  // Reading still shows what can be read, with a warning and exit code 1.
  CliResult r = Run({"list", catalog});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("warning"), std::string::npos);
}

TEST(CliSaveFailureTest, AFailedSaveIsReported) {
  platform::FakePlatform fake;
  platform::ScopedPlatform use(&fake);
  fake.AddFolder("/data");
  std::ostringstream out, err;
  ASSERT_EQ(RunCli({"new", "/data/cat.vdc"}, out, err), 0);
  fake.FailWriteAfter(1, /*sticky=*/true);
  EXPECT_EQ(RunCli({"label", "/data/cat.vdc", "1", "x"}, out, err), 1);
  EXPECT_NE(err.str().find("saving /data/cat.vdc failed"), std::string::npos) << err.str();
  fake.ClearWriteFailure();
  EXPECT_EQ(RunCli({"category-add", "/data/cat.vdc", "1", "y"}, out, err), 0);
}

}  // namespace
}  // namespace veldra::cli::testing
