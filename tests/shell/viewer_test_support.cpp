#include "tests/shell/viewer_test_support.h"

#include "browser/ui_text.h"
#include "platform/platform.h"
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

}  // namespace veldra::testing
