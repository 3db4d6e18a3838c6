// Runs veldra-cli commands in a fresh folder of the real file system, with the search index
// in its folder "cache" (XDG_CACHE_HOME).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace veldra::cli::testing {

struct CliResult {
  int code = -1;
  std::string out;
  std::string err;
};

class CliTest : public ::testing::Test {
 protected:
  CliTest();
  ~CliTest() override;

  // The absolute path of name inside the test's folder.
  std::string Path(const std::string& name) const;
  // Runs the tool; words are passed as they are.
  CliResult Run(const std::vector<std::string>& words);
  // Runs the tool and expects exit code 0.
  CliResult RunOk(const std::vector<std::string>& words);

  // A small PDF at Path(name) (folders made as needed); returns its bytes.
  std::string WritePdf(const std::string& name, const std::string& text, size_t min_size = 0);
  void WriteFile(const std::string& name, const std::string& bytes);
  std::string ReadFile(const std::string& name) const;
  bool Exists(const std::string& name) const;

  // A new catalog at Path("cat.vdc") holding the PDFs names (written fresh), imported in
  // order; their ids are 0, 1, 2, ...
  std::string MakeCatalog(const std::vector<std::string>& names, const std::string& triple = "");

  std::string dir_;
};

// The lines of text, without their line feeds.
std::vector<std::string> Lines(const std::string& text);

}  // namespace veldra::cli::testing
