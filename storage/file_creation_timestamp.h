// The creation time of a document file as an entry records it (en_file_create_date).
// Paths are CP932 with "/" as the separator.
#pragma once

#include <cstddef>
#include <string>

namespace veldra {

// Writes the file's creation time (local time, "%04d%02d%02d%02d%02d%02d%03d", NUL) into
// buffer. path may end in a name with "*" and "?" wildcards: the first match in byte order
// of names is taken. -1 when buffer_size is 17 or less or the file is not found (buffer
// untouched).
int MakeFileCreationTimestamp(size_t buffer_size, char* buffer, const std::string& path);

}  // namespace veldra
