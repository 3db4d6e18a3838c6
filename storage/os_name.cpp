#include "storage/os_name.h"

#include "platform/platform.h"

namespace veldra {
namespace {

const char* OsNameOf(const OsVersionRecord& v) {
  switch (v.major) {
    case 4:
      if (v.minor == 0) return v.platform_id == 2 ? "Windows NT 4.0" : "Windows 95";
      if (v.minor == 10) return "Windows 98";
      if (v.minor == 90) return "Windows Me";
      return nullptr;
    case 5:
      if (v.minor == 0) return "Windows 2000";
      if (v.minor == 1) return "Windows XP";
      if (v.minor == 2) return "Windows 2003 Server";
      return nullptr;
    case 6:
      return "Windows Vista";
    default:
      return nullptr;
  }
}

}  // namespace

int OsNameFromVersion(const OsVersionRecord& version, size_t buffer_size, std::string* out) {
  const char* name = OsNameOf(version);
  if (name == nullptr) return kOsNameUnlisted;
  std::string text = std::string(name) + " " + version.service_pack;
  if (text.size() + 1 > buffer_size) return kOsNameFailed;
  *out = std::move(text);
  return kOsNameOk;
}

int GetOsName(size_t buffer_size, std::string* out) {
  std::string name;
  if (!platform::Platform::Current().OsName(&name)) return kOsNameFailed;
  if (name.size() + 1 > buffer_size) return kOsNameFailed;
  *out = std::move(name);
  return kOsNameOk;
}

}  // namespace veldra
