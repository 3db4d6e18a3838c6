// The catalogs open in the application, as the browser asks about them. A catalog is its
// file: two paths that name the same file (a link, another spelling) are one catalog, and
// two paths that differ only in case are two.
#pragma once

#include <string>

namespace veldra {

class CatalogDocumentHost;

class OpenCatalogs {
 public:
  virtual ~OpenCatalogs() = default;
  // The open catalog (one with a browser window) whose file path names, or nullptr.
  virtual CatalogDocumentHost* FindOpenCatalog(const std::string& path) const = 0;
  // Opens the catalog at path (CP932, full path) as File > 開く does once its dialog is
  // answered: an open one is only brought forward. The catalog, or nullptr.
  virtual CatalogDocumentHost* OpenCatalog(const std::string& path) = 0;
};

}  // namespace veldra
