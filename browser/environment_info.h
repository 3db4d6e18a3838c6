// Small environment services the catalog records and the browser rely on: the operating
// system's name, a file's creation time, finding every file of one extension below a
// folder, the folder part of a path, and the display texts of sizes, dates and ratings.
// None shows a message; each reports failure by its return value and leaves its output
// untouched. Paths are CP932 with "/" as the separator.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

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

// Writes the file's creation time (local time, "%04d%02d%02d%02d%02d%02d%03d", NUL) into
// buffer. -1 when buffer_size is 16 or less or the file is not found (buffer untouched).
int MakeFileCreationTimestamp(size_t buffer_size, char* buffer, const std::string& path);

// Appends to out the path of every file below folder (depth first, items in byte order of
// their names, hidden folders skipped) whose text after the last "." equals extension
// exactly. -1 when folder cannot be searched (out unchanged); otherwise 0.
//
// The system lists a name holding a character CP932 cannot represent with "?" in its
// place, and such a name reaches nothing. When unnamable is given, every file of the
// extension and every folder to be searched whose listed name is of that kind goes there
// instead (depth first, as met), and is neither listed in out nor searched.
int EnumerateFilesByExtension(const std::string& folder, const std::string& extension,
                              std::vector<std::string>* out,
                              std::vector<std::string>* unnamable = nullptr);

// The path up to and including its last "/"; "" when there is none.
std::string FolderOfPath(const std::string& path);

// "%.1f MB" when at least 1 MiB, else "%.1f KB" (so -1 gives "-0.0 KB").
std::string FormatFileSize(int size);

// "YYYY/MM/DD HH:MM" from a CatalogTimestamp's 17 digits (18 bytes, bytes copied as they
// are); "" for an all-zero timestamp.
std::string FormatShortDate(const char* timestamp);

// 1..5 white stars (U+2606, two CP932 bytes each); anything else "".
std::string FormatRatingStars(int rating);

}  // namespace veldra
