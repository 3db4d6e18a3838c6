// Any bytes as a container file, through what `veldra-cli check` and `dump` run on it:
// VerifyContainer, InspectContainer and CheckCatalog. Neither may crash, run for ever or
// write; the two must agree, and what they call sound must hold up:
// - the walk in file order of a sound container lands on the end of the file, the root first;
// - every tag whose live chunks have one length reads back with ReadAll, chunk for chunk;
// - a sound container passes the checks before a change (VerifyListsForChange);
// - a catalog CheckCatalog calls sound is a sound container and opens for a change, and
//   one opens for a change exactly when check finds no damage in it (one definition);
// - CheckCatalog appends its sentences to the ones the caller has already.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "commands/catalog_check.h"
#include "fuzz/fuzz_support.h"
#include "storage/catalog_document.h"
#include "storage/chunk_file.h"
#include "storage/chunk_inspect.h"
#include "storage/chunk_verify.h"

namespace {

using veldra::fuzz::Require;

// The live chunks of a sound container as the reader must see them.
void RequireReadable(const std::string& path, const veldra::ContainerReport& report) {
  Require(!report.chunks.empty() && report.chunks.front().offset == 512 &&
              report.chunks.front().header.tag == veldra::kRootTag && report.chunks.front().live,
          "a sound container does not start with its root at 512");
  int64_t end = 512;
  std::map<veldra::ChunkTag, std::vector<int32_t>> live_lengths;
  for (const veldra::ChunkRecord& chunk : report.chunks) {
    Require(chunk.offset == end && chunk.header.self == static_cast<int32_t>(chunk.offset),
            "the walk of a sound container skips bytes");
    end += 36 + int64_t{chunk.header.length};
    if (chunk.live && chunk.header.tag != veldra::kRootTag) {
      live_lengths[chunk.header.tag].push_back(chunk.header.length);
    }
  }
  Require(end == report.file_size, "the walk of a sound container ends before the file");

  veldra::ChunkFile file;
  Require(file.Open(path, veldra::kChunkModeReadOnly) == veldra::kChunkOk,
          "a sound container does not open");
  for (const auto& [tag, lengths] : live_lengths) {
    bool one_length = lengths.front() > 0;
    for (int32_t length : lengths) one_length = one_length && length == lengths.front();
    if (!one_length) continue;
    std::unique_ptr<veldra::RecordArray> records = file.ReadAll(tag);
    Require(records != nullptr && records->Count() == static_cast<int>(lengths.size()),
            "a tag of a sound container does not read back chunk for chunk");
  }
  file.Close();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  veldra::fuzz::FakeInput input(data, size);

  veldra::ContainerReport report;
  const bool container = veldra::InspectContainer(input.path(), &report);
  std::vector<std::string> problems;
  const bool sound = veldra::VerifyContainer(input.path(), &problems);
  Require(sound == (container && report.problems.empty()), "check and dump disagree");
  Require(problems == report.problems, "check and dump describe different problems");
  for (const std::string& problem : problems) Require(!problem.empty(), "an empty problem");
  Require(sound || !problems.empty(), "an unsound container without a problem");
  if (sound) {
    RequireReadable(input.path(), report);
    Require(veldra::VerifyListsForChange(input.path(), {}, nullptr),
            "a sound container fails the checks before a change");
  }

  {
    const std::vector<veldra::Finding> findings = veldra::commands::FindCatalogProblems(input.path());
    veldra::CVeldraDocument doc;
    doc.LoadForChange(input.path());
    Require(doc.writable() == !veldra::HasDamage(findings),
            "check and the check before a change disagree");
  }
  std::vector<std::string> catalog_problems;
  if (veldra::commands::CheckCatalog(input.path(), &catalog_problems)) {
    Require(sound && catalog_problems.empty(), "a catalog called sound with container faults");
    veldra::CVeldraDocument doc;
    doc.LoadForChange(input.path());
    Require(doc.read_complete(), "a catalog called sound does not open for a change");
  } else {
    Require(!catalog_problems.empty(), "a catalog called unsound without a problem");
  }
  std::vector<std::string> appended = {"an earlier line"};
  const bool sound_again = veldra::commands::CheckCatalog(input.path(), &appended);
  catalog_problems.insert(catalog_problems.begin(), "an earlier line");
  Require(sound_again == (catalog_problems.size() == 1) && appended == catalog_problems,
          "CheckCatalog does not append to the caller's sentences");
  Require(input.Unchanged(), "a check wrote to the file it checked");
  return 0;
}
