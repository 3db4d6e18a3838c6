// Reading a small file in one piece.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace veldra::platform {

// The bytes of the file at path, opened through platform, in *out. false, *out untouched,
// when the file cannot be opened or read completely or holds more than max_bytes bytes.
bool ReadWholeFile(Platform& platform, const std::string& path, uint64_t max_bytes,
                   std::string* out);

}  // namespace veldra::platform
