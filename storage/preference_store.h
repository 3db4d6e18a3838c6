// The per-user preference file: a chunk container in the application-data folder holding
// one 256-byte record per setting (the remembered folders "PW01" to "PW04").
//
// The application computes the file's path once at start-up (PreferencePath) and hands it
// to SetPreferencePath; WritePreference and ReadPreference then use it. The *File variants
// take the path explicitly. The file is opened and closed within each call; every failure
// is a false return and nothing else.
#pragma once

#include <cstddef>
#include <string>

#include "storage/chunk_file.h"

namespace veldra {

// Application data + "/VELDRA" + "/VELDRA" + "/Preference.rux". Creates the two folders on
// the way (failures ignored). An unknown application-data folder counts as "".
std::string PreferencePath();

// The path the stores use; "" until set, and then every read and write fails.
void SetPreferencePath(const std::string& path);
const std::string& CurrentPreferencePath();

// Makes the chunks of tag in the file at path exactly one record of size bytes holding
// data, creating the file when it does not exist. true when the record was stored.
bool WritePreferenceFile(const std::string& path, ChunkTag tag, size_t size,
                         const void* data);
// Copies the first record of tag into out: at most out_size bytes, the rest of out
// zero-filled when the record is shorter. false (out untouched) when the file cannot be
// opened or holds no record of tag.
bool ReadPreferenceFile(const std::string& path, ChunkTag tag, void* out, size_t out_size);

// The same on CurrentPreferencePath().
bool WritePreference(ChunkTag tag, size_t size, const void* data);
bool ReadPreference(ChunkTag tag, void* out, size_t out_size);

}  // namespace veldra
