#include "tests/shell/viewer_test_support.h"

#include "browser/ui_text.h"
#include "platform/platform.h"
#include "search/index_plan.h"
#include "search/index_store.h"
#include "storage/catalog_document.h"
#include "storage/catalog_files.h"
#include "storage/catalog_table.h"
#include "storage/catalog_tags.h"

namespace veldra::testing {

bool MakeViewerCatalog(const std::string& path, const std::vector<ViewerTestEntry>& entries) {
  platform::Platform& os = platform::Platform::Current();
  if (!CreateDefaultCatalog(path)) return false;
  CVeldraDocument doc;
  doc.OpenCatalog(path);
  const std::string source = path + ".source.pdf";
  for (const ViewerTestEntry& wanted : entries) {
    EntryRecord entry;
    entry.id = NextId(doc.counters(), kTagEntry, kCounterKeyEntry);
    entry.title.SetText(UiText(wanted.title));
    entry.file_name.SetText(UiText(wanted.file_name));
    entry.entry_window_ordered_index = -1;
    entry.pdf_window_ordered_index = -1;
    if (AppendRecord(doc.entries(), entry) != 0) return false;
    if (wanted.pdf.empty()) continue;
    auto file = os.Open(source, platform::OpenMode::kCreate);
    if (!file || !file->WriteAt(0, wanted.pdf.data(), wanted.pdf.size())) return false;
    file.reset();
    if (AttachPdf(entry, source, path, doc.attachments(), doc.counters()) != 0) return false;
  }
  os.Remove(source);
  return doc.Save() == kSaveOk;
}

bool PutIndexTexts(const std::string& catalog_path, const std::string& index_path,
                   const std::map<int32_t, std::vector<std::string>>& pages) {
  CVeldraDocument doc;
  doc.Load(catalog_path);
  search::IndexStore store;
  if (store.Open(index_path).problem != search::StoreProblem::kNone) return false;
  const search::IndexPlan plan = search::MakeIndexPlan(doc);
  const search::ResolvedDigests digests = search::ResolveDigests(plan, store);
  for (size_t i = 0; i < plan.pdfs.size(); ++i) {
    const auto text = pages.find(plan.pdfs[i].entry_id);
    if (text == pages.end()) continue;
    if (!digests.digests[i] ||
        store.PutText(*digests.digests[i], {text->second, false, "test"}) !=
            search::StoreProblem::kNone) {
      return false;
    }
  }
  return true;
}

}  // namespace veldra::testing
