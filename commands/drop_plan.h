// What becomes of the things dropped onto the application. PDF files and folders dropped
// onto a catalog's browser are imported into that catalog (a folder as the batch import
// walks it); catalogs (".vdc") are opened as File > 開く opens them, wherever they are
// dropped. Anything else refuses the whole drop: nothing is imported and nothing opened,
// and the message names each thing refused and why.
#pragma once

#include <string>
#include <vector>

namespace veldra::commands {

struct DroppedItem {
  std::string text;   // CP932: the path of a local file, else the address as dropped
  bool local = true;  // false: an address that names no file of this computer
};

// A PDF to import, or a folder whose PDFs are imported as the batch import finds them.
struct ImportSource {
  std::string path;
  bool folder = false;
};

enum class DropRefusal {
  kNotLocal,         // an address, not a file of this computer
  kNotFound,         // nothing at the path (or a name CP932 cannot hold)
  kNotRegularFile,   // a pipe, a device, a socket
  kNotImportable,    // a file that is neither a PDF nor a catalog
  kNoCatalogWindow,  // a PDF or a folder dropped where no catalog takes it
};

struct RefusedDrop {
  std::string text;
  DropRefusal why = DropRefusal::kNotImportable;
};

struct DropPlan {
  std::vector<ImportSource> imports;   // in the order dropped
  std::vector<std::string> catalogs;   // in the order dropped
  std::vector<RefusedDrop> refused;    // not empty: the drop is refused as a whole
};

// Sorts items. onto_catalog: they were dropped onto a catalog's browser, which imports; else
// onto the main frame, which only opens catalogs. A file is a PDF or a catalog by its
// extension, "pdf" or "vdc" in any case, as the file dialogs' filters take them. A PDF whose
// name holds "?" for a character CP932 cannot hold goes to the import, which deals with such
// names as it does in a batch.
DropPlan PlanDrop(const std::vector<DroppedItem>& items, bool onto_catalog);

}  // namespace veldra::commands
