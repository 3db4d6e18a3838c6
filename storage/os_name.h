// The name of the operating system an entry records (en_os). None shows a message; each
// reports failure by its return value and leaves its output untouched.
#pragma once

#include <cstddef>
#include <string>

namespace veldra {

// The version record of the Windows family, kept as a pure naming rule.
struct OsVersionRecord {
  int major = 0;
  int minor = 0;
  int platform_id = 0;      // 2 is the NT family
  std::string service_pack;  // may be empty
};

// Result codes of GetOsName.
constexpr int kOsNameOk = 0;
constexpr int kOsNameFailed = -1;     // the query failed or the text does not fit
constexpr int kOsNameUnlisted = -2;   // a version the table does not name

// The Windows naming table: name, one blank, the service-pack text ("%s %s").
int OsNameFromVersion(const OsVersionRecord& version, size_t buffer_size, std::string* out);

// The name of the running system (on Linux: PRETTY_NAME, a blank, the kernel release),
// with the same result codes: -1 when it cannot be told or does not fit buffer_size
// (the terminator included); out is untouched on failure.
int GetOsName(size_t buffer_size, std::string* out);

}  // namespace veldra
