#include "platform/whole_file.h"

#include <memory>

namespace veldra::platform {

bool ReadWholeFile(Platform& platform, const std::string& path, uint64_t max_bytes,
                   std::string* out) {
  std::unique_ptr<File> file = platform.Open(path, OpenMode::kRead);
  if (!file) return false;
  const int64_t size = file->Size();
  if (size < 0 || static_cast<uint64_t>(size) > max_bytes) return false;
  std::string bytes(static_cast<size_t>(size), '\0');
  if (size > 0 && file->ReadAt(0, bytes.data(), bytes.size()) != size) return false;
  *out = std::move(bytes);
  return true;
}

}  // namespace veldra::platform
