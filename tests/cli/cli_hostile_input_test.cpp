// Hostile input end to end: names that are no regular file where a catalog or a companion
// is wanted, PDFs the catalog cannot take, a device that fills up. The runs that could wait
// on a pipe run the tool as a process of its own, killed should it not end.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>

#include "platform/fake_platform.h"
#include "storage/catalog_document.h"
#include "storage/catalog_files.h"
#include "storage/catalog_tags.h"
#include "tests/cli/child_process.h"
#include "tests/cli/cli_fixture.h"
#include "tests/commands/test_pdf.h"

namespace veldra::cli::testing {
namespace {

using Strings = std::vector<std::string>;

// Long enough for any run on a loaded machine; a run that waits on a pipe never ends.
constexpr int kRunLimitMs = 20000;

class CliHostileInputTest : public CliTest {
 protected:
  CliResult RunChild(const Strings& words) {
    ChildProcess child(VELDRA_CLI_PROGRAM, words);
    EXPECT_TRUE(child.started());
    CliResult result;
    result.code = child.WaitFor(kRunLimitMs);
    EXPECT_NE(result.code, ChildProcess::kTimedOut) << words[0] << " " << words[1];
    result.out = child.ReadRestOfOut();
    result.err = child.ReadRestOfErr();
    return result;
  }

  void MakeFifo(const std::string& name) { ASSERT_EQ(::mkfifo(Path(name).c_str(), 0600), 0); }

  void MakeSocket(const std::string& name, int* fd) {
    *fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(*fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = Path(name);
    ASSERT_LT(path.size(), sizeof(address.sun_path));
    std::copy(path.begin(), path.end(), address.sun_path);
    ASSERT_EQ(::bind(*fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  }

  mode_t TypeOf(const std::string& path) const {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? (st.st_mode & S_IFMT) : 0;
  }
};

// Every command, given a pipe, a socket, a folder or a device as its catalog, says so at
// once (a pipe opened for reading would wait for a writer for ever) and leaves it as it is.
TEST_F(CliHostileInputTest, ACatalogThatIsNoRegularFileIsRefusedByEveryCommand) {
  MakeFifo("pipe.vdc");
  int socket_fd = -1;
  MakeSocket("socket.vdc", &socket_fd);
  std::filesystem::create_directory(Path("folder.vdc"));
  std::filesystem::create_directory(Path("out"));
  WritePdf("a.pdf", "a");
  for (const std::string& catalog :
       {Path("pipe.vdc"), Path("socket.vdc"), Path("folder.vdc"), std::string("/dev/null")}) {
    const mode_t type = TypeOf(catalog);
    const std::vector<Strings> runs = {
        {"list", catalog},
        {"show", catalog, "0"},
        {"categories", catalog},
        {"check", catalog},
        {"dump", catalog},
        {"export", catalog, Path("out"), "--all"},
        {"delete", catalog, "--id", "0"},
        {"compact", catalog, Path("copy.vdc")},
        {"label", catalog, "1", "x"},
        {"category-add", catalog, "1", "x"},
        {"category-delete", catalog, "1", "x"},
        {"recategorize", catalog, "--id", "0", "--c1", "x"},
        {"set", catalog, "0", "--title", "x"},
        {"import", catalog, Path("a.pdf")},
    };
    for (const Strings& words : runs) {
      const CliResult r = RunChild(words);
      EXPECT_EQ(r.code, 1) << words[0] << " " << catalog;
      EXPECT_EQ(r.err, "veldra-cli: " + catalog +
                           " is not a regular file (a folder, a pipe, a socket or a device), "
                           "so it is no catalog; it was not opened\n")
          << words[0];
      EXPECT_EQ(r.out, "") << words[0];
    }
    const CliResult made = RunChild({"new", catalog});
    EXPECT_EQ(made.code, 1);
    EXPECT_EQ(made.err, "veldra-cli: something exists at " + catalog +
                            " already; nothing was written\n");
    EXPECT_EQ(TypeOf(catalog), type) << catalog;
  }
  ::close(socket_fd);
  EXPECT_TRUE(std::filesystem::is_empty(Path("folder.vdc")));
  EXPECT_TRUE(std::filesystem::is_empty(Path("out")));
  EXPECT_FALSE(Exists("copy.vdc"));
}

// A pipe or a folder named like a PDF's companion is never opened: the PDF comes in as one
// without a companion, and the companion is named with the cause.
TEST_F(CliHostileInputTest, ACompanionThatIsNoRegularFileIsNamedAndPassedOver) {
  const std::string catalog = MakeCatalog({});
  WritePdf("in/a.pdf", "a");
  WritePdf("in/b.pdf", "b");
  MakeFifo("in/a.vdb");
  std::filesystem::create_directory(Path("in/b.vdb"));
  const CliResult r = RunChild({"import", catalog, Path("in")});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "0\t" + Path("in/a.pdf") + "\n1\t" + Path("in/b.pdf") + "\n");
  for (const std::string& companion : {Path("in/a.vdb"), Path("in/b.vdb")}) {
    EXPECT_NE(r.err.find("veldra-cli: " + companion +
                         ": the companion file was not read (not a regular file: a pipe, a "
                         "device or a folder); the PDF was imported without it\n"),
              std::string::npos)
        << r.err;
  }
  EXPECT_EQ(TypeOf(Path("in/a.vdb")), static_cast<mode_t>(S_IFIFO));
  EXPECT_EQ(RunOk({"check", catalog}).err, "");
  EXPECT_NE(RunOk({"show", catalog, "0"}).out.find("その他"), std::string::npos);
}

// A device given as a PDF, a socket named like one in a folder: skipped unopened, named.
TEST_F(CliHostileInputTest, ADeviceOrSocketGivenAsAPdfIsSkippedUnopened) {
  const std::string catalog = MakeCatalog({});
  WritePdf("in/a.pdf", "a");
  int socket_fd = -1;
  MakeSocket("in/s.pdf", &socket_fd);
  const CliResult r = RunChild({"import", catalog, "/dev/zero", Path("in")});
  ::close(socket_fd);
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "0\t" + Path("in/a.pdf") + "\n");
  EXPECT_EQ(r.err, "veldra-cli: /dev/zero: not a regular file (a pipe or a device); skipped\n"
                   "veldra-cli: " + Path("in/s.pdf") +
                       ": not a regular file (a pipe or a device); skipped\n");
  EXPECT_EQ(RunOk({"check", catalog}).err, "");
}

// A pipe and a socket with the names an export would take are passed over, never written
// into: the entry goes out under the next free number.
TEST_F(CliHostileInputTest, AnExportPassesOverAPipeOrSocketWithItsName) {
  const std::string catalog = MakeCatalog({"x.pdf"});
  std::filesystem::create_directory(Path("out"));
  MakeFifo("out/x.pdf");
  int socket_fd = -1;
  MakeSocket("out/x-1.vdb", &socket_fd);
  const CliResult r = RunChild({"export", catalog, Path("out"), "--all"});
  ::close(socket_fd);
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "0\t" + Path("out/x-2.pdf") + "\n");
  EXPECT_EQ(ReadFile("out/x-2.pdf"), ReadFile("src/x.pdf"));
  EXPECT_EQ(TypeOf(Path("out/x.pdf")), static_cast<mode_t>(S_IFIFO));
  EXPECT_EQ(TypeOf(Path("out/x-1.vdb")), static_cast<mode_t>(S_IFSOCK));
}

// The PDF still becomes an entry, without bytes, and the line says why: an empty file has
// nothing to store, and a PDF of 2 GiB is one byte past what a chunk can hold (a sparse file:
// it takes no room on the disk, and is never read).
TEST_F(CliHostileInputTest, APdfTheCatalogCannotHoldIsToldWhy) {
  struct Row {
    const char* name;
    int64_t size;
    const char* reason;
  };
  const Row rows[] = {
      {"empty.pdf", 0, "the PDF is empty (0 bytes)"},
      {"big.pdf", int64_t{1} << 31,
       "the PDF is too large for a catalog: a catalog holds a PDF of at most 2147483647 bytes "
       "(2 GiB - 1), and is itself below 4 GiB"},
  };
  const std::string catalog = MakeCatalog({});
  const std::string before = ReadFile("cat.vdc");
  int32_t id = 0;
  for (const Row& row : rows) {
    WriteFile(row.name, "");
    std::filesystem::resize_file(Path(row.name), static_cast<uintmax_t>(row.size));
    const CliResult r = Run({"import", catalog, Path(row.name)});
    EXPECT_EQ(r.code, 1) << row.name;
    EXPECT_EQ(r.out, std::to_string(id) + "\t" + Path(row.name) + "\n");
    EXPECT_EQ(r.err, "veldra-cli: " + Path(row.name) + ": the PDF bytes could not be stored (" +
                         row.reason + "); entry " + std::to_string(id) + " has no attachment\n");
    ++id;
  }
  EXPECT_LT(ReadFile("cat.vdc").size(), before.size() + 64 * 1024);  // no PDF bytes went in
  EXPECT_EQ(RunOk({"check", catalog}).err, "");
}

// A device that fills up while a PDF's bytes go in is named as the cause, not the PDF.
TEST_F(CliHostileInputTest, AFullDeviceIsTheCauseNamed) {
  platform::FakePlatform fake;
  platform::ScopedPlatform use(&fake);
  fake.AddFolder("/data");
  fake.WriteFileBytes("/pdf/a.pdf", veldra::testing::MakePdf("a"));
  RunOk({"new", "/data/cat.vdc"});
  fake.FailWriteAfter(1);  // the PDF's chunk; the tables are saved afterwards
  const CliResult r = Run({"import", "/data/cat.vdc", "/pdf/a.pdf"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "veldra-cli: /pdf/a.pdf: the PDF bytes could not be stored (no space left on "
                   "the device); entry 0 has no attachment\n");
  EXPECT_EQ(RunOk({"check", "/data/cat.vdc"}).err, "");
  EXPECT_EQ(fake.FailedWriteCount(), 1);
}

// set and label fail at every write of their save in turn (a device that fills up there):
// the command's word and the file agree. The first write is the changed record; the ones
// after it rewrite the sort levels, when the change is in the file already.
TEST_F(CliHostileInputTest, ASaveThatFailsPartWaySaysWhatTheFileHolds) {
  struct Row {
    Strings words;
    Strings probe;      // a command whose output shows the change
    std::string shown;  // what it shows once the change is in
  };
  const std::string catalog = "/data/cat.vdc";
  const Row rows[] = {
      {{"set", catalog, "0", "--title", "changed"}, {"show", catalog, "0"}, "en_title\tchanged"},
      {{"label", catalog, "2", "changed"}, {"categories", catalog}, "labels\t分類１\tchanged\t"},
  };
  platform::FakePlatform fake;
  platform::ScopedPlatform use(&fake);
  fake.AddFolder("/data");
  fake.WriteFileBytes("/pdf/a.pdf", veldra::testing::MakePdf("a"));
  RunOk({"new", catalog});
  RunOk({"import", catalog, "/pdf/a.pdf"});
  const std::string original = fake.ReadFileBytes(catalog);
  const std::string cut = "veldra-cli: saving " + catalog + " failed (code -2: no space left on "
                          "the device); the file may hold only part of the change\n";
  const std::string sort_order_only =
      "veldra-cli: warning: the change is saved in " + catalog + "; only the sort order "
      "stored after it could not be rewritten (no space left on the device), and the file "
      "keeps the one it had\n";
  for (const Row& row : rows) {
    fake.ResetCounters();
    RunOk(row.words);
    const int writes = fake.WriteCount();  // of a save that goes through
    ASSERT_GT(writes, 1) << row.words[0];
    for (int n = 1; n <= writes; ++n) {
      fake.WriteFileBytes(catalog, original);
      fake.FailWriteAfter(n, /*sticky=*/true);
      const CliResult r = Run(row.words);
      fake.ClearWriteFailure();
      const CliResult probe = RunOk(row.probe);
      const bool in_file = probe.out.find(row.shown) != std::string::npos;
      SCOPED_TRACE(row.words[0] + " failing at write " + std::to_string(n));
      EXPECT_EQ(r.code, n == 1 ? 1 : 0) << r.err;
      EXPECT_EQ(r.err, n == 1 ? cut : sort_order_only);
      EXPECT_EQ(in_file, n != 1) << probe.out;
      EXPECT_EQ(RunOk({"check", catalog}).err, "");
    }
  }
}

// A forged catalog whose counters stand at the top of their range: the commands that would
// make records it has no id for refuse with one line and change nothing.
TEST_F(CliHostileInputTest, ACatalogWhoseCountersRanOutRefusesNewRecords) {
  const std::string catalog = MakeCatalog({"a.pdf"});
  {
    CVeldraDocument doc;
    doc.Load(catalog);
    ASSERT_TRUE(RaiseCounter(doc.counters(), kTagEntry, kCounterKeyEntry, kLastIdValue));
    ASSERT_TRUE(RaiseCounter(doc.counters(), kTagCategory, kCounterKeyCategory, kLastIdValue));
    ASSERT_EQ(doc.SaveTables(catalog), kSaveOk);
  }
  WritePdf("b.pdf", "b");
  const std::string before = ReadFile("cat.vdc");
  const std::string categories =
      "veldra-cli: no new category can be made in " + catalog + ": its category ids have run "
      "out (a counter stops at 2147483647, the last id a catalog can issue); nothing was changed\n";
  const std::pair<Strings, std::string> rows[] = {
      {{"import", catalog, Path("b.pdf")},
       "veldra-cli: the id counters of " + catalog + " have too few ids left for these PDFs (a "
       "counter stops at 2147483647, the last id a catalog can issue); nothing was imported\n"},
      {{"category-add", catalog, "1", "new"}, categories},
      {{"recategorize", catalog, "--id", "0", "--c1", "new"}, categories},
  };
  for (const auto& [words, error] : rows) {
    const CliResult r = Run(words);
    EXPECT_EQ(r.code, 1) << words[0];
    EXPECT_EQ(r.err, error);
    EXPECT_EQ(ReadFile("cat.vdc"), before) << words[0];
  }
  RunOk({"set", catalog, "0", "--title", "no id needed"});
}

}  // namespace
}  // namespace veldra::cli::testing
