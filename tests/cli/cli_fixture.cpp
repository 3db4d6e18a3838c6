#include "tests/cli/cli_fixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/tool.h"
#include "tests/commands/test_pdf.h"

namespace veldra::cli::testing {

CliTest::CliTest() {
  std::string pattern = (std::filesystem::temp_directory_path() / "veldra-cli-XXXXXX").string();
  char* made = mkdtemp(pattern.data());
  EXPECT_NE(made, nullptr);
  dir_ = pattern;
  // The search index of every test is its own, never the user's.
  ::setenv("XDG_CACHE_HOME", Path("cache").c_str(), 1);
}

CliTest::~CliTest() {
  std::error_code error;
  std::filesystem::remove_all(dir_, error);
}

std::string CliTest::Path(const std::string& name) const { return dir_ + "/" + name; }

CliResult CliTest::Run(const std::vector<std::string>& words) {
  std::ostringstream out, err;
  CliResult result;
  result.code = RunCli(words, out, err);
  result.out = out.str();
  result.err = err.str();
  return result;
}

CliResult CliTest::RunOk(const std::vector<std::string>& words) {
  CliResult result = Run(words);
  EXPECT_EQ(result.code, 0) << words.front() << ": " << result.err;
  return result;
}

std::string CliTest::WritePdf(const std::string& name, const std::string& text, size_t min_size) {
  std::string bytes = veldra::testing::MakePdf(text, min_size);
  WriteFile(name, bytes);
  return bytes;
}

void CliTest::WriteFile(const std::string& name, const std::string& bytes) {
  std::filesystem::path path(Path(name));
  std::filesystem::create_directories(path.parent_path());
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  EXPECT_TRUE(file.good()) << name;
}

std::string CliTest::ReadFile(const std::string& name) const {
  std::ifstream file(Path(name), std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

bool CliTest::Exists(const std::string& name) const {
  return std::filesystem::exists(Path(name));
}

std::string CliTest::MakeCatalog(const std::vector<std::string>& names,
                                 const std::string& triple) {
  const std::string catalog = Path("cat.vdc");
  RunOk({"new", catalog});
  std::vector<std::string> words = {"import", catalog};
  for (const std::string& name : names) {
    WritePdf("src/" + name, "pdf " + name);
    words.push_back(Path("src/" + name));
  }
  if (!triple.empty()) {
    words.push_back("--category");
    words.push_back(triple);
  }
  if (!names.empty()) RunOk(words);
  return catalog;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace veldra::cli::testing
