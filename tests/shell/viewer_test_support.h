// Catalogs with PDFs for the viewer window's tests, on whatever platform is installed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace veldra::testing {

struct ViewerTestEntry {
  std::string title;      // UTF-8
  std::string file_name;  // UTF-8; what the entry says its file was called
  std::string pdf;        // the PDF's bytes; "" for an entry without a PDF
};

// Creates a catalog at path (CP932) with the entries in order, ids from 0, each PDF
// attached. Every new entry has all four stored placement values zero. false on failure.
bool MakeViewerCatalog(const std::string& path, const std::vector<ViewerTestEntry>& entries);

}  // namespace veldra::testing
