// The index store on bad caches (each a clear problem, or a broken file set aside and a new
// index made), a full disk in the middle of a write, and claims between processes.
#include "search/index_store.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <string>

#include "tests/search/search_test_support.h"

namespace veldra::search {
namespace {

using testing::PutPages;
using testing::ReadAll;
using testing::Sql;
using testing::TempFolder;

void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// The index's folder folder/veldra, made; the index's path in it.
std::string IndexIn(const std::string& folder) {
  ::mkdir((folder + "/veldra").c_str(), 0700);
  return folder + "/veldra/index.sqlite";
}

// Runs open in a process of its own; for root, as the user "nobody", whom file permissions
// bind. The child's exit code is the StoreProblem it met.
StoreProblem OpenAsUnprivileged(const std::string& path) {
  const pid_t child = ::fork();
  if (child == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(100);
    IndexStore store;
    ::_exit(static_cast<int>(store.Open(path).problem));
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return static_cast<StoreProblem>(WEXITSTATUS(status));
}

// The full-text rows a one-phrase query finds.
std::vector<int64_t> Rows(IndexStore& store, const std::string& phrase) {
  std::vector<int64_t> rows;
  EXPECT_EQ(store.MatchPhrase("\"" + phrase + "\"",
                              [&](int64_t id, int64_t, const int32_t*, size_t) { rows.push_back(id); }),
            StoreProblem::kNone);
  return rows;
}

// A child process that writes PDFs "<prefix>0", "<prefix>1", ... (count of them, or until it
// is killed) into the index at path, each holding "共通語"; it writes a byte to notify after
// the first one. Exits 0 when every write succeeded.
pid_t StartWriter(const std::string& path, const std::string& prefix, int count, int notify) {
  const pid_t child = ::fork();
  if (child != 0) return child;
  IndexStore store;
  bool ok = store.Open(path).problem == StoreProblem::kNone;
  for (int i = 0; ok && (count < 0 || i < count); ++i) {
    const std::string name = prefix + std::to_string(i);
    ok = store.PutText(testing::DigestOfName(name),
                       PdfText{{"共通語と " + name, std::string(3000, 'x') + " 次の頁"}}) ==
         StoreProblem::kNone;
    if (i == 0 && notify >= 0) (void)!::write(notify, "x", 1);
  }
  ::_exit(ok ? 0 : 1);
}

struct BadCacheRow {
  const char* name;
  // Prepares the cache folder for the index at folder/index.
  std::function<void(const std::string& folder)> make;
  StoreProblem problem;
  const char* text;  // the problem as it is told
  const char* index = "veldra/index.sqlite";
};

TEST(IndexStore, BadCachesGiveAClearProblemOrAreSetAsideAndRebuilt) {
  const char* kFolderIsFile = "a file stands where the index's folder must be";
  const char* kIsLink = "the index file is a symbolic link, which is never followed";
  const auto folder_is_file = [](const std::string& f) { WriteAll(f + "/veldra", "x"); };
  const std::vector<BadCacheRow> rows = {
      {"the cache folder is a file", folder_is_file, StoreProblem::kFolderIsFile, kFolderIsFile},
      {"a folder above it is a file", folder_is_file, StoreProblem::kFolderIsFile, kFolderIsFile,
       "veldra/sub/index.sqlite"},
      {"the index is a symbolic link",
       [](const std::string& f) {
         IndexStore elsewhere;
         elsewhere.Open(f + "/target.sqlite");
         ::symlink((f + "/target.sqlite").c_str(), IndexIn(f).c_str());
       },
       StoreProblem::kIndexIsLink, kIsLink},
      {"the index is a dangling symbolic link",
       [](const std::string& f) { ::symlink((f + "/nothing").c_str(), IndexIn(f).c_str()); },
       StoreProblem::kIndexIsLink, kIsLink},
      {"the index is a folder", [](const std::string& f) { ::mkdir(IndexIn(f).c_str(), 0700); },
       StoreProblem::kIndexNotFile, "the index file's name is taken by something else"},
      // The rest are set aside: a new index in their place.
      {"no SQLite file",
       [](const std::string& f) { WriteAll(IndexIn(f), std::string(5000, 'z')); },
       StoreProblem::kNone, ""},
      {"another program's database",
       [](const std::string& f) { Sql(IndexIn(f), "CREATE TABLE notes(x); INSERT INTO notes VALUES(1);"); },
       StoreProblem::kNone, ""},
      {"an index of another schema version",
       [](const std::string& f) {
         Sql(IndexIn(f),
             "PRAGMA application_id=1447315800; PRAGMA user_version=99; CREATE TABLE pdf(x);");
       },
       StoreProblem::kNone, ""},
      {"a damaged database",
       [](const std::string& f) {
         const std::string path = IndexIn(f);
         Sql(path, "CREATE TABLE t(x); INSERT INTO t VALUES(randomblob(20000));");
         std::string bytes = ReadAll(path);
         for (size_t i = 100; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
         WriteAll(path, bytes);
       },
       StoreProblem::kNone, ""},
  };
  for (const BadCacheRow& row : rows) {
    SCOPED_TRACE(row.name);
    TempFolder folder;
    row.make(folder.path());
    const std::string path = folder.Path(row.index);
    const std::string before = ReadAll(path);
    IndexStore store;
    const StoreOpening opening = store.Open(path);
    EXPECT_EQ(opening.problem, row.problem) << StoreProblemText(opening.problem);
    EXPECT_EQ(store.is_open(), row.problem == StoreProblem::kNone);
    const bool set_aside = row.problem == StoreProblem::kNone;
    EXPECT_EQ(!opening.set_aside.empty(), set_aside);
    if (set_aside) {
      EXPECT_EQ(opening.set_aside.rfind(path + ".broken-", 0), 0u) << opening.set_aside;
      EXPECT_EQ(ReadAll(opening.set_aside), before) << "the broken file is kept as it was";
      EXPECT_GT(PutPages(store, "p", {"新しい索引"}), 0) << "the new index takes texts";
    } else {
      EXPECT_STREQ(StoreProblemText(opening.problem), row.text);
    }
  }
}

TEST(IndexStore, AReadOnlyCacheFolderIsAClearProblem) {
  TempFolder folder;
  ::chmod(folder.path().c_str(), 0755);
  ::mkdir(folder.Path("veldra").c_str(), 0555);
  EXPECT_EQ(OpenAsUnprivileged(folder.Path("veldra/index.sqlite")), StoreProblem::kFolderReadOnly);
  EXPECT_STREQ(StoreProblemText(StoreProblem::kFolderReadOnly),
               "the index's folder cannot be written");
}

TEST(IndexStore, AFullDiskFailsOneWriteAndKeepsWhatWasThere) {
  TempFolder folder;
  IndexStore store;
  ASSERT_EQ(store.Open(folder.Path("index.sqlite"), testing::FullDiskVfs()).problem,
            StoreProblem::kNone);
  const int64_t kept = PutPages(store, "kept", {"既存のテキスト"});
  testing::SetDiskFull(true);
  const StoreProblem problem =
      store.PutText(testing::DigestOfName("new"), PdfText{{"新しいテキスト", "二ページ目"}});
  testing::SetDiskFull(false);
  EXPECT_EQ(problem, StoreProblem::kDiskFull);
  EXPECT_FALSE(store.FindPdf(testing::DigestOfName("new"))) << "nothing of the PDF was kept";
  EXPECT_EQ(Rows(store, "テキスト"), std::vector<int64_t>{kept});
  EXPECT_GT(PutPages(store, "new", {"新しいテキスト"}), 0) << "the next write works";

  // Damage met later is answered by setting the file aside: a new, empty index in its place.
  const StoreOpening rebuilt = store.SetAsideAndRebuild();
  EXPECT_EQ(rebuilt.problem, StoreProblem::kNone);
  EXPECT_FALSE(rebuilt.set_aside.empty());
  EXPECT_FALSE(store.FindPdf(testing::DigestOfName("kept")));
  EXPECT_EQ(store.path(), folder.Path("index.sqlite"));
}

TEST(IndexStore, TextsAreReplacedAndForgottenAndAScanHasNoText) {
  TempFolder folder;
  IndexStore store;
  ASSERT_EQ(store.Open(folder.Path("index.sqlite")).problem, StoreProblem::kNone);
  const Digest pdf = testing::DigestOfName("retried.pdf");
  ASSERT_EQ(store.PutFailure(pdf, "timed-out"), StoreProblem::kNone);
  EXPECT_EQ(store.FindPdf(pdf)->state, PdfState::kFailed);
  int64_t first = 0;
  ASSERT_EQ(store.PutText(pdf, PdfText{{"最初の本文", "二ページ目"}}, &first), StoreProblem::kNone);
  EXPECT_EQ(store.FindPdf(pdf)->state, PdfState::kText);
  EXPECT_EQ(store.FindPdf(pdf)->pages, 2);
  EXPECT_EQ(Rows(store, "本文"), std::vector<int64_t>{first});
  int64_t second = 0;
  ASSERT_EQ(store.PutText(pdf, PdfText{{"書き直した本文"}}, &second), StoreProblem::kNone);
  EXPECT_NE(second, first) << "a row id is never given again";
  EXPECT_EQ(Rows(store, "最初"), std::vector<int64_t>{});
  EXPECT_EQ(Rows(store, "本文"), std::vector<int64_t>{second});
  ASSERT_EQ(store.Forget(pdf), StoreProblem::kNone);
  EXPECT_FALSE(store.FindPdf(pdf));
  EXPECT_EQ(Rows(store, "本文"), std::vector<int64_t>{});

  const Digest scan = testing::DigestOfName("scan.pdf");
  ASSERT_EQ(store.PutText(scan, PdfText{{"", " \n\u3000", "\t"}}), StoreProblem::kNone);
  EXPECT_EQ(store.FindPdf(scan)->state, PdfState::kNoText);
  EXPECT_EQ(store.FindPdf(scan)->pages, 3);
}

TEST(IndexStore, AKilledWriterLeavesEveryFinishedPdfWholeAndTheIndexWorking) {
  TempFolder folder;
  const std::string path = folder.Path("index.sqlite");
  int notify[2];
  ASSERT_EQ(::pipe(notify), 0);
  const pid_t writer = StartWriter(path, "pdf", -1, notify[1]);
  char byte = 0;
  ASSERT_EQ(::read(notify[0], &byte, 1), 1);
  ::usleep(20000 + static_cast<useconds_t>(::getpid() % 50) * 1000);
  ::kill(writer, SIGKILL);
  ::waitpid(writer, nullptr, 0);

  IndexStore store;
  ASSERT_EQ(store.Open(path).problem, StoreProblem::kNone);
  std::vector<int64_t> finished;
  for (int i = 0;; ++i) {
    const auto record = store.FindPdf(testing::DigestOfName("pdf" + std::to_string(i)));
    if (!record) break;
    EXPECT_EQ(record->state, PdfState::kText);
    std::string page;
    EXPECT_TRUE(store.PageText(record->id, 2, &page)) << "pdf" << i << " has all its pages";
    finished.push_back(record->id);
  }
  ASSERT_FALSE(finished.empty());
  EXPECT_EQ(Rows(store, "共通語"), finished) << "a full-text row for each finished PDF, no other";
  EXPECT_GT(PutPages(store, "after", {"共通語"}), 0) << "the next indexer goes on";
}

TEST(IndexStore, TwoProcessesWriteOneIndexAtOnce) {
  TempFolder folder;
  const std::string path = folder.Path("index.sqlite");
  const pid_t a = StartWriter(path, "a", 40, -1);
  const pid_t b = StartWriter(path, "b", 40, -1);
  int status_a = -1;
  int status_b = -1;
  ::waitpid(a, &status_a, 0);
  ::waitpid(b, &status_b, 0);
  EXPECT_EQ(status_a, 0);
  EXPECT_EQ(status_b, 0);
  IndexStore store;
  ASSERT_EQ(store.Open(path).problem, StoreProblem::kNone);
  EXPECT_EQ(Rows(store, "共通語").size(), 80u);
}

TEST(IndexStore, ClaimsKeepTwoProcessesFromExtractingOnePdf) {
  TempFolder folder;
  const std::string path = folder.Path("index.sqlite");
  IndexStore store;
  ASSERT_EQ(store.Open(path).problem, StoreProblem::kNone);
  const Digest digest = testing::DigestOfName("shared.pdf");

  // Another process claims the PDF and waits until told to end.
  int to_child[2], from_child[2];
  ASSERT_EQ(::pipe(to_child), 0);
  ASSERT_EQ(::pipe(from_child), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    IndexStore other;
    char answer = other.Open(path).problem == StoreProblem::kNone &&
                          other.Claim(digest) == ClaimResult::kClaimed
                      ? 'y'
                      : 'n';
    (void)!::write(from_child[1], &answer, 1);
    (void)!::read(to_child[0], &answer, 1);
    ::_exit(0);
  }
  char answer = 0;
  ASSERT_EQ(::read(from_child[0], &answer, 1), 1);
  EXPECT_EQ(answer, 'y');
  EXPECT_EQ(store.Claim(digest), ClaimResult::kClaimedElsewhere) << "the other is alive";
  (void)!::write(to_child[1], "x", 1);
  ::waitpid(child, nullptr, 0);
  EXPECT_EQ(store.Claim(digest), ClaimResult::kClaimed) << "a dead process's claim is taken";
  EXPECT_EQ(store.Claim(digest), ClaimResult::kClaimedElsewhere) << "now ours: taken";

  const Digest stale = testing::DigestOfName("stale.pdf");
  ClaimOwner other_boot = ClaimOwner::Self();
  other_boot.boot_id = "another-boot";
  ASSERT_EQ(store.Claim(stale, other_boot), ClaimResult::kClaimed);
  EXPECT_EQ(store.Claim(stale), ClaimResult::kClaimed) << "a claim of another boot is stale";
  ClaimOwner old = ClaimOwner::Self();
  old.started -= kClaimLifetimeSeconds + 1;
  const Digest slow = testing::DigestOfName("slow.pdf");
  ASSERT_EQ(store.Claim(slow, old), ClaimResult::kClaimed);
  EXPECT_EQ(store.Claim(slow), ClaimResult::kClaimed) << "a claim past its lifetime is stale";

  ASSERT_EQ(store.ReleaseClaim(slow), StoreProblem::kNone);
  EXPECT_EQ(store.Claim(slow, other_boot), ClaimResult::kClaimed) << "released: free to claim";

  ASSERT_EQ(store.PutText(digest, PdfText{{"本文"}}), StoreProblem::kNone);
  EXPECT_EQ(store.Claim(digest), ClaimResult::kKnown) << "the text is in: nothing to claim";
  ASSERT_EQ(store.PutFailure(stale, "crashed"), StoreProblem::kNone);
  EXPECT_EQ(store.Claim(stale), ClaimResult::kKnown);
  EXPECT_EQ(store.FindPdf(stale)->failure, "crashed");
}

}  // namespace
}  // namespace veldra::search
