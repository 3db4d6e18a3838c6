// Sample catalogs for the tests, the benchmarks and the screenshot: a default catalog with
// category triples and entries built in memory (no PDF data), saved once.
#pragma once

#include <string>

namespace veldra {

struct SampleCatalogShape {
  int entries = 0;
  int triples = 0;         // category triples, besides the default "その他" triple
  bool japanese = false;   // realistic Japanese titles, names and categories
};

// Creates a catalog at path (CP932); false when it cannot be created or saved.
bool MakeSampleCatalog(const std::string& path, const SampleCatalogShape& shape);

}  // namespace veldra
