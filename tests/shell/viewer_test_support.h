// Catalogs with PDFs for the viewer window's and the search window's tests, on whatever
// platform is installed, and the texts of their PDFs put into a search index.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace veldra::testing {

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const QString& value) : name_(name), saved_(qgetenv(name)) {
    qputenv(name, value.toUtf8());
  }
  ~ScopedEnv() {
    if (saved_.isNull()) qunsetenv(name_); else qputenv(name_, saved_);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  QByteArray saved_;
};

struct ViewerTestEntry {
  std::string title;      // UTF-8
  std::string file_name;  // UTF-8; what the entry says its file was called
  std::string pdf;        // the PDF's bytes; "" for an entry without a PDF
};

// Creates a catalog at path (CP932) with the entries in order, ids from 0, each PDF
// attached. Every new entry has all four stored placement values zero. false on failure.
bool MakeViewerCatalog(const std::string& path, const std::vector<ViewerTestEntry>& entries);

// Puts into the index at index_path (CP932, a real file) the page texts (UTF-8) of the PDFs
// of the catalog at catalog_path, by entry id, as if the indexer had extracted them. false on
// failure.
bool PutIndexTexts(const std::string& catalog_path, const std::string& index_path,
                   const std::map<int32_t, std::vector<std::string>>& pages);

}  // namespace veldra::testing
