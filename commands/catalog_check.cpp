#include "commands/catalog_check.h"

#include "storage/catalog_document.h"

namespace veldra::commands {

std::vector<Finding> FindCatalogProblems(const std::string& path) {
  ContainerReport report;
  if (!InspectContainer(path, &report)) {
    return {{FindingKind::kDamage,
             report.problems.empty() ? "the file is not a container" : report.problems.front()}};
  }
  CVeldraDocument document;
  document.Load(path);
  return JudgeCatalog(report, document);
}

bool CheckCatalog(const std::string& path, std::vector<std::string>* problems) {
  const std::vector<Finding> findings = FindCatalogProblems(path);
  for (const Finding& finding : findings) problems->push_back(finding.text);
  return findings.empty();
}

}  // namespace veldra::commands
