#include "commands/drop_plan.h"

#include "platform/platform.h"

namespace veldra::commands {
namespace {

using platform::FileKind;

// The text after the last "." of the file name, ASCII letters in lower case; "" without one.
std::string LowerExtension(const std::string& path) {
  const size_t slash = path.rfind('/');
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string extension = path.substr(dot + 1);
  for (char& c : extension) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return extension;
}

}  // namespace

DropPlan PlanDrop(const std::vector<DroppedItem>& items, bool onto_catalog) {
  DropPlan plan;
  for (const DroppedItem& item : items) {
    auto refuse = [&](DropRefusal why) { plan.refused.push_back({item.text, why}); };
    auto import = [&](bool folder) {
      if (onto_catalog) {
        plan.imports.push_back({item.text, folder});
      } else {
        refuse(DropRefusal::kNoCatalogWindow);
      }
    };
    if (!item.local) {
      refuse(DropRefusal::kNotLocal);
      continue;
    }
    const std::string extension = LowerExtension(item.text);
    switch (platform::Platform::Current().KindOf(item.text)) {
      case FileKind::kDirectory:
        import(/*folder=*/true);
        break;
      case FileKind::kRegularFile:
        if (extension == "vdc") {
          plan.catalogs.push_back(item.text);
        } else if (extension == "pdf") {
          import(/*folder=*/false);
        } else {
          refuse(DropRefusal::kNotImportable);
        }
        break;
      case FileKind::kOther:
        refuse(DropRefusal::kNotRegularFile);
        break;
      case FileKind::kMissing:
        if (extension == "pdf" && item.text.find('?') != std::string::npos) {
          import(/*folder=*/false);
        } else {
          refuse(DropRefusal::kNotFound);
        }
        break;
    }
  }
  return plan;
}

}  // namespace veldra::commands
