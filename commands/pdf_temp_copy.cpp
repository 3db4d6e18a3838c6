#include "commands/pdf_temp_copy.h"

#include <algorithm>

#include "platform/platform.h"
#include "storage/catalog_document.h"
#include "storage/catalog_files.h"

namespace veldra::commands {

std::string TemporaryCopyName(std::string_view file_name) {
  // "/" is never the second byte of a CP932 character, so the last one ends the folder part.
  const size_t slash = file_name.rfind('/');
  std::string name(slash == std::string_view::npos ? file_name : file_name.substr(slash + 1));
  if (std::all_of(name.begin(), name.end(), [](char c) { return c == '.'; })) {
    name = kPlainTemporaryName;
  }
  return name;
}

std::string WriteTemporaryCopy(const CVeldraDocument& document, int ordinal,
                               const std::string& folder, std::string_view file_name) {
  if (ordinal < 0) return std::string();
  platform::Platform& os = platform::Platform::Current();
  if (!os.IsDirectory(folder)) return std::string();
  const std::string name = TemporaryCopyName(file_name);
  for (int n = 0; n < kTemporaryNumberLimit; ++n) {
    const std::string path = folder + std::to_string(n) + "_" + name;
    auto file = os.Open(path, platform::OpenMode::kCreatePrivate);
    if (!file) continue;  // the name is taken (or cannot be made): the next number
    const int rc = document.CopyEntryAttachmentIntoFile(ordinal, *file);
    file.reset();
    if (rc == kCopyOk) return path;
    os.Remove(path);
    return std::string();
  }
  return std::string();
}

}  // namespace veldra::commands
