// Bad input to search and index: each row a clear answer with its exit code, and the
// catalog byte for byte as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <sstream>

#include "cli/tool.h"
#include "tests/cli/cli_fixture.h"

namespace veldra::cli::testing {
namespace {

using Strings = std::vector<std::string>;

class CliSearchInputTest : public CliTest {
 protected:
  // Runs the tool in a process of its own, as the user "nobody" when the test runs as root
  // (whom no file permission binds).
  CliResult RunUnprivileged(const Strings& words) {
    int pipe_fds[2];
    EXPECT_EQ(::pipe(pipe_fds), 0);
    const pid_t child = ::fork();
    if (child == 0) {
      ::close(pipe_fds[0]);
      if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(100);
      std::ostringstream out, err;
      const int code = RunCli(words, out, err);
      const std::string text = err.str();
      const ssize_t written = ::write(pipe_fds[1], text.data(), text.size());
      ::_exit(written == static_cast<ssize_t>(text.size()) ? code : 101);
    }
    ::close(pipe_fds[1]);
    CliResult result;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipe_fds[0], buffer, sizeof buffer)) > 0;) result.err.append(buffer, n);
    ::close(pipe_fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    result.code = WEXITSTATUS(status);
    return result;
  }
};

struct InputRow {
  const char* name;
  Strings words;  // after "search CATALOG"
  int code;
  // Words of the error output ("{index}" stands for the index file's path); "" when it must
  // name no error.
  const char* err;
  std::function<void()> setup = nullptr;
  bool unprivileged = false;
};

TEST_F(CliSearchInputTest, BadInputIsAnsweredClearlyAndTheCatalogIsKept) {
  const std::string catalog = MakeCatalog({"a.pdf"});
  const std::string cache = Path("cache/veldra");
  const std::string index = cache + "/index.sqlite";
  const std::vector<InputRow> rows = {
      {"spaces only", {"  ", "　 "}, 2, "veldra-cli: the query has no term\n"},
      {"an unbalanced quote", {"\"形態素 解析"}, 2,
       "veldra-cli: the query has a quote that is never closed\n"},
      {"nothing to search for", {"title:"}, 2,
       "veldra-cli: a term of the query has no character to search for (title:)\n"},
      {"bytes that are not UTF-8", {"\xff\xfe"}, 2, "veldra-cli: the query is not valid UTF-8\n"},
      {"10,000 characters", {std::string(10000, 'x')}, 1, ""},
      {"10,000 Japanese characters", {[] {
         std::string text;
         for (int i = 0; i < 10000; ++i) text += "形";
         return text;
       }()},
       1, ""},
      {"characters outside code page 932", {"café 𠮷"}, 1, ""},
      {"no query", {}, 2, "veldra-cli search: missing arguments\n"},
      {"an unknown option", {"x", "--fuzzy"}, 2, "veldra-cli search: unknown option --fuzzy\n"},
      {"--limit 0", {"x", "--limit", "0"}, 2, "--limit takes a whole number of 1 or more, not '0'"},
      {"--limit -1", {"x", "--limit", "-1"}, 2, "--limit takes a whole number of 1 or more, not '-1'"},
      {"--limit x", {"x", "--limit=x"}, 2, "--limit takes a whole number of 1 or more, not 'x'"},
      {"--order x", {"x", "--order", "rank"}, 2, "--order is 'relevance' or 'list', not 'rank'"},
      {"a cache folder that is a file", {"x"}, 2,
       "the search index {index} cannot be opened: a file stands where the index's folder must be",
       [&] { WriteFile("cache/veldra", "not a folder"); }},
      {"an index that is a symbolic link", {"x"}, 2,
       "the search index {index} cannot be opened: the index file is a symbolic link",
       [&] {
         WriteFile("elsewhere.sqlite", "");
         std::filesystem::create_directories(cache);
         std::filesystem::create_symlink(Path("elsewhere.sqlite"), index);
       }},
      {"a read-only cache folder", {"x"}, 2,
       "the search index {index} cannot be opened: the index's folder cannot be written",
       [&] {
         ::chmod(dir_.c_str(), 0755);
         ::mkdir(Path("cache").c_str(), 0755);
         ::mkdir(cache.c_str(), 0555);
       },
       true},
  };
  const std::string before = ReadFile("cat.vdc");
  for (const InputRow& row : rows) {
    SCOPED_TRACE(row.name);
    std::filesystem::remove_all(Path("cache"));
    if (row.setup) row.setup();
    Strings words = {"search", catalog, "--no-update"};
    words.insert(words.end(), row.words.begin(), row.words.end());
    const CliResult r = row.unprivileged ? RunUnprivileged(words) : Run(words);
    EXPECT_EQ(r.code, row.code) << r.err;
    std::string expected = row.err;
    if (const size_t at = expected.find("{index}"); at != std::string::npos) {
      expected.replace(at, 7, index);
    }
    if (expected.empty()) {
      EXPECT_EQ(r.err.find("veldra-cli: the"), std::string::npos) << r.err;
    } else {
      EXPECT_NE(r.err.find(expected), std::string::npos) << r.err;
    }
    EXPECT_EQ(ReadFile("cat.vdc"), before);
  }
  std::filesystem::remove_all(Path("cache"));

  WriteFile("text.vdc", "not a catalog");
  const CliResult r = Run({"search", Path("text.vdc"), "x"});
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.err, "veldra-cli: " + Path("text.vdc") +
                       " is not a catalog (it cannot be opened or is not a container)\n");
  EXPECT_EQ(ReadFile("text.vdc"), "not a catalog");
}

}  // namespace
}  // namespace veldra::cli::testing
