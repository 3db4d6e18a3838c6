#include "storage/preference_store.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/platform.h"
#include "storage/record_array.h"

namespace veldra {
namespace {

constexpr char kFolderName[] = "/VELDRA";
constexpr char kFileName[] = "/Preference.rux";

std::string& PathHolder() {
  static std::string path;
  return path;
}

}  // namespace

std::string PreferencePath() {
  platform::Platform& os = platform::Platform::Current();
  const std::string app_data = os.AppDataFolder();
  // A fresh account may not have its configuration folder yet; make it and its parents so
  // that the first remembered folder is not silently lost.
  for (size_t slash = app_data.find('/', 1); !app_data.empty(); slash = app_data.find('/', slash + 1)) {
    os.MakeDirectory(app_data.substr(0, slash));
    if (slash == std::string::npos) break;
  }
  const std::string outer = app_data + kFolderName;
  os.MakeDirectory(outer);
  const std::string inner = outer + kFolderName;
  os.MakeDirectory(inner);
  return inner + kFileName;
}

void SetPreferencePath(const std::string& path) { PathHolder() = path; }

const std::string& CurrentPreferencePath() { return PathHolder(); }

bool WritePreferenceFile(const std::string& path, ChunkTag tag, size_t size,
                         const void* data) {
  if (size == 0 || data == nullptr) return false;
  ChunkFile file;
  if (file.Open(path, kChunkModeReadWrite) != kChunkOk && file.Create(path) != kChunkOk) {
    return false;
  }
  RecordArray records(size, 1, 1);
  if (records.Append(data) != 0) {
    file.Close();
    return false;
  }
  const int result = file.WriteAll(tag, records, size);
  file.Close();
  return result == kChunkOk;
}

bool ReadPreferenceFile(const std::string& path, ChunkTag tag, void* out, size_t out_size) {
  ChunkFile file;
  if (file.Open(path, kChunkModeReadOnly) != kChunkOk) return false;
  std::unique_ptr<RecordArray> records = file.ReadAll(tag);
  file.Close();
  if (!records || records->Count() == 0) return false;
  // A record larger than the caller's buffer (a damaged or foreign file) is cut, never
  // copied past the buffer.
  const size_t n = std::min(records->record_size(), out_size);
  auto* bytes = static_cast<uint8_t*>(out);
  std::memcpy(bytes, records->At(0), n);
  std::memset(bytes + n, 0, out_size - n);
  return true;
}

bool WritePreference(ChunkTag tag, size_t size, const void* data) {
  return WritePreferenceFile(CurrentPreferencePath(), tag, size, data);
}

bool ReadPreference(ChunkTag tag, void* out, size_t out_size) {
  return ReadPreferenceFile(CurrentPreferencePath(), tag, out, out_size);
}

}  // namespace veldra
