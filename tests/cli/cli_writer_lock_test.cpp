// One writer at a time: a command that changes a catalog another process holds is refused
// before anything is written, or waits with --wait; reading commands go on; two writers run
// one after the other; a holder that is killed leaves no lock behind.
#include <gtest/gtest.h>

#include <signal.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "cli/tool.h"
#include "platform/fake_platform.h"
#include "platform/platform.h"
#include "tests/cli/child_process.h"
#include "tests/cli/cli_fixture.h"

namespace veldra::cli::testing {
namespace {

using platform::FileLock;
using platform::LockResult;
using platform::Platform;

// The lock another VELDRA process would hold (a second lock excludes the first also
// within one process).
std::unique_ptr<FileLock> HoldLock(const std::string& path) {
  std::unique_ptr<FileLock> lock;
  EXPECT_EQ(Platform::Real().TryLockFile(path, &lock), LockResult::kLocked) << path;
  return lock;
}

class CliWriterLockTest : public CliTest {
 protected:
  void SetUp() override {
    catalog_ = MakeCatalog({"a.pdf", "b.pdf"});
    WriteFile("out/.keep", "");
  }
  std::string catalog_;
};

TEST_F(CliWriterLockTest, EveryChangingCommandIsRefusedBeforeItWrites) {
  const std::vector<std::vector<std::string>> commands = {
      {"import", catalog_, Path("src/a.pdf")},
      {"export", catalog_, Path("out"), "--all"},
      {"delete", catalog_, "--id", "0"},
      {"label", catalog_, "1", "x"},
      {"category-add", catalog_, "1", "new"},
      {"category-delete", catalog_, "1", "unused"},
      {"recategorize", catalog_, "--id", "0", "--c1", "x"},
      {"set", catalog_, "0", "--title", "t"},
      {"new", catalog_},
  };
  const std::string before = ReadFile("cat.vdc");
  auto lock = HoldLock(catalog_);
  for (const auto& words : commands) {
    const CliResult r = Run(words);
    EXPECT_EQ(r.code, kExitFailed) << words[0];
    EXPECT_EQ(r.err, "veldra-cli: " + catalog_ +
                         " is open in another VELDRA process; nothing was changed\n")
        << words[0];
    EXPECT_EQ(r.out, "") << words[0];
    EXPECT_EQ(ReadFile("cat.vdc"), before) << words[0];
  }
  EXPECT_FALSE(Exists("out/a.pdf"));
  lock.reset();
  EXPECT_EQ(Run({"label", catalog_, "1", "x"}).code, kExitOk);
  EXPECT_NE(ReadFile("cat.vdc"), before);
}

TEST_F(CliWriterLockTest, ReadingCommandsWorkWhileTheCatalogIsHeld) {
  auto lock = HoldLock(catalog_);
  for (const std::vector<std::string>& words :
       std::vector<std::vector<std::string>>{{"list", catalog_},
                                             {"show", catalog_, "0"},
                                             {"categories", catalog_},
                                             {"check", catalog_},
                                             {"dump", catalog_}}) {
    const CliResult r = Run(words);
    EXPECT_EQ(r.code, kExitOk) << words[0] << ": " << r.err;
    EXPECT_EQ(r.err, "") << words[0];
  }
  EXPECT_EQ(Lines(Run({"list", catalog_}).out).size(), 2u);
}

TEST_F(CliWriterLockTest, CompactReadsAHeldCatalogButNeverWritesOverAHeldTarget) {
  {
    auto source_lock = HoldLock(catalog_);
    RunOk({"compact", catalog_, Path("copy.vdc")});
  }
  EXPECT_EQ(Lines(RunOk({"list", Path("copy.vdc")}).out).size(), 2u);

  RunOk({"new", Path("other.vdc")});
  const std::string other = ReadFile("other.vdc");
  auto target_lock = HoldLock(Path("other.vdc"));
  const CliResult r = Run({"compact", catalog_, Path("other.vdc")});
  EXPECT_EQ(r.code, kExitFailed);
  EXPECT_EQ(r.err, "veldra-cli: " + Path("other.vdc") +
                       " is open in another VELDRA process; nothing was written\n");
  EXPECT_EQ(ReadFile("other.vdc"), other);
}

TEST_F(CliWriterLockTest, WaitMustBeAWholeNumberOfSeconds) {
  for (const char* value : {"-1", "x", "1.5", ""}) {
    const CliResult r = Run({"label", catalog_, "1", "x", "--wait", value});
    EXPECT_EQ(r.code, kExitUsage) << value;
    EXPECT_NE(r.err.find("--wait takes a whole number of seconds"), std::string::npos) << value;
  }
  EXPECT_EQ(Run({"list", catalog_, "--wait", "3"}).code, kExitUsage);  // a reader never waits
  EXPECT_NE(RunOk({"label", "--help"}).out.find("--wait SECONDS"), std::string::npos);
  EXPECT_NE(RunOk({"compact", "--help"}).out.find("has NEWPATH open"), std::string::npos);
  EXPECT_EQ(RunOk({"list", "--help"}).out.find("--wait"), std::string::npos);
}

// --wait on the fake platform, whose clock moves only while the command sleeps: the other
// holder lets go after release_after_ms of waiting (-1: never).
TEST(CliWaitTest, WaitsAsLongAsAskedAndNoLonger) {
  struct Row {
    int64_t release_after_ms;
    const char* wait;  // nullptr: no --wait
    int code;
    int64_t slept_ms;
    const char* err;
  };
  const Row rows[] = {
      {-1, nullptr, kExitFailed, 0,
       "veldra-cli: /d/cat.vdc is open in another VELDRA process; nothing was changed\n"},
      {1500, "0", kExitFailed, 0,
       "veldra-cli: /d/cat.vdc is open in another VELDRA process; nothing was changed\n"},
      {1500, "5", kExitOk, 1500,
       "veldra-cli: /d/cat.vdc is open in another VELDRA process; waiting up to 5 s\n"},
      {6000, "5", kExitFailed, 5000,
       "veldra-cli: /d/cat.vdc is open in another VELDRA process; waiting up to 5 s\n"
       "veldra-cli: /d/cat.vdc is still open in another VELDRA process after 5 s; nothing "
       "was changed\n"},
  };
  for (const Row& row : rows) {
    platform::FakePlatform fake;
    platform::ScopedPlatform use(&fake);
    fake.AddFolder("/d");
    std::ostringstream ignored;
    ASSERT_EQ(RunCli({"new", "/d/cat.vdc"}, ignored, ignored), kExitOk);
    const std::string before = fake.ReadFileBytes("/d/cat.vdc");
    ASSERT_TRUE(fake.HoldLockElsewhere("/d/cat.vdc", row.release_after_ms));
    std::vector<std::string> words = {"label", "/d/cat.vdc", "1", "x"};
    if (row.wait != nullptr) words.insert(words.end(), {"--wait", row.wait});
    std::ostringstream out, err;
    EXPECT_EQ(RunCli(words, out, err), row.code) << row.release_after_ms;
    EXPECT_EQ(err.str(), row.err);
    EXPECT_EQ(fake.SleptMs(), row.slept_ms);
    EXPECT_EQ(fake.ReadFileBytes("/d/cat.vdc") == before, row.code != kExitOk);
    EXPECT_EQ(fake.IsLocked("/d/cat.vdc"), row.code != kExitOk);  // the command let go
  }
}

TEST(CliWaitTest, AFileSystemWithoutLocksIsWrittenAsBefore) {
  platform::FakePlatform fake;
  platform::ScopedPlatform use(&fake);
  fake.AddFolder("/d");
  fake.SetLocksFail(true);
  std::ostringstream out, err;
  EXPECT_EQ(RunCli({"new", "/d/cat.vdc"}, out, err), kExitOk);
  EXPECT_EQ(RunCli({"label", "/d/cat.vdc", "1", "x"}, out, err), kExitOk);
  EXPECT_EQ(err.str(), "");
}

// Real processes from here on.

TEST_F(CliWriterLockTest, AKilledHolderLeavesNoLockBehind) {
  ChildProcess holder(VELDRA_LOCK_HOLDER_PROGRAM, {catalog_});
  ASSERT_TRUE(holder.started());
  ASSERT_EQ(holder.ReadOutLine(), "locked");
  const std::string before = ReadFile("cat.vdc");
  EXPECT_EQ(Run({"label", catalog_, "1", "x"}).code, kExitFailed);
  EXPECT_EQ(ReadFile("cat.vdc"), before);
  holder.Kill(SIGKILL);
  EXPECT_EQ(holder.Wait(), 128 + SIGKILL);
  RunOk({"label", catalog_, "1", "x"});
  EXPECT_NE(RunOk({"categories", catalog_}).out.find("labels\tx\t"), std::string::npos);
}

TEST_F(CliWriterLockTest, AWaitingCommandRunsOnceTheHolderHasGone) {
  ChildProcess holder(VELDRA_LOCK_HOLDER_PROGRAM, {catalog_});
  ASSERT_EQ(holder.ReadOutLine(), "locked");
  ChildProcess waiter(VELDRA_CLI_PROGRAM, {"label", catalog_, "1", "waited", "--wait", "120"});
  ASSERT_TRUE(waiter.started());
  // The waiter says it waits only after it found the catalog held.
  EXPECT_EQ(waiter.ReadErrLine(), "veldra-cli: " + catalog_ +
                                      " is open in another VELDRA process; waiting up to 120 s");
  holder.CloseInput();
  EXPECT_EQ(holder.Wait(), 0);
  EXPECT_EQ(waiter.Wait(), 0);
  EXPECT_NE(RunOk({"categories", catalog_}).out.find("labels\twaited\t"), std::string::npos);
}

TEST_F(CliWriterLockTest, TwoImportsAtOnceRunOneAfterTheOther) {
  constexpr int kPerImport = 30;
  std::vector<std::string> first = {"import", catalog_, "--wait", "120"};
  std::vector<std::string> second = first;
  std::set<std::string> expected = {Path("src/a.pdf"), Path("src/b.pdf")};
  for (int i = 0; i < kPerImport; ++i) {
    for (auto* words : {&first, &second}) {
      const std::string name = (words == &first ? "one/" : "two/") + std::to_string(i) + ".pdf";
      WritePdf(name, name, 256 * 1024);
      words->push_back(Path(name));
      expected.insert(Path(name));
    }
  }
  ChildProcess one(VELDRA_CLI_PROGRAM, first);
  ChildProcess two(VELDRA_CLI_PROGRAM, second);
  const std::string out_one = one.ReadRestOfOut();
  const std::string out_two = two.ReadRestOfOut();
  EXPECT_EQ(one.Wait(), 0);
  EXPECT_EQ(two.Wait(), 0);
  EXPECT_EQ(Lines(out_one).size() + Lines(out_two).size(), 2u * kPerImport);

  RunOk({"check", catalog_});
  std::multiset<std::string> listed;
  for (const std::string& line : Lines(RunOk({"list", catalog_, "--json"}).out)) {
    const size_t key = line.find("\"en_file_path\": \"");
    if (key != std::string::npos) {
      const size_t start = key + 17;
      listed.insert(line.substr(start, line.find('"', start) - start));
    }
  }
  EXPECT_EQ(std::set<std::string>(listed.begin(), listed.end()), expected);
  EXPECT_EQ(listed.size(), expected.size());  // each once
}

}  // namespace
}  // namespace veldra::cli::testing
