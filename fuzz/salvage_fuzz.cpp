// Any bytes as a damaged catalog, through `veldra-cli salvage`: SalvageCatalog must leave the
// damaged file as it was, leave nothing at the target when it fails, make the same bytes
// twice, and write a catalog that checks sound and opens for a change, holding every entry
// id of a catalog that opened for a change itself.
#include <cstddef>
#include <cstdint>
#include <string>

#include "commands/catalog_check.h"
#include "commands/salvage.h"
#include "fuzz/fuzz_support.h"
#include "storage/catalog_document.h"
#include "storage/catalog_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using veldra::fuzz::Require;
  veldra::fuzz::FakeInput input(data, size);
  veldra::commands::SalvageReport report;
  const int rc = veldra::commands::SalvageCatalog(input.path(), "/fuzz/a.vdc", &report);
  Require(input.Unchanged(), "salvage wrote to the damaged catalog");
  if (rc != veldra::commands::kSalvageOk) {
    Require(input.fake().FilePaths().size() == 1, "a failed salvage left a file behind");
    return 0;
  }
  veldra::commands::SalvageReport again;
  Require(veldra::commands::SalvageCatalog(input.path(), "/fuzz/b.vdc", &again) == rc &&
              input.fake().ReadFileBytes("/fuzz/a.vdc") == input.fake().ReadFileBytes("/fuzz/b.vdc"),
          "two salvages of one file differ");
  std::vector<std::string> problems;
  Require(veldra::commands::CheckCatalog("/fuzz/a.vdc", &problems), "a salvaged catalog checks unsound");
  veldra::CVeldraDocument salvaged;
  salvaged.LoadForChange("/fuzz/a.vdc");
  Require(salvaged.read_complete(), "a salvaged catalog does not open for a change");
  veldra::CVeldraDocument source;
  source.LoadForChange(input.path());
  for (int i = 0; source.read_complete() && i < source.entries().Count(); ++i) {
    Require(salvaged.FindEntry(veldra::EntryAt(source.entries(), i).id).has_value(),
            "salvage lost an entry of a catalog that opened for a change");
  }
  return 0;
}
