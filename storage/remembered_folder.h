// The folders last chosen in the import, export and new-catalog dialogs ("PW01" batch
// import, "PW02" single import, "PW03" new catalog, "PW04" export). Each is a 256-byte
// record kept both in the open catalog's file and in the preference file; the catalog's
// value wins, and the preference value is the fallback, so a catalog opened for the first
// time starts where the user last was. "PW03" lives in the preference file only.
#pragma once

#include <string>

#include "storage/chunk_file.h"

namespace veldra {

class CVeldraDocument;

// The folder remembered for tag: the catalog's value when catalog is given and its file has
// one, else the preference file's; "" when neither has one.
std::string ReadRememberedFolder(const CVeldraDocument* catalog, ChunkTag tag);

// Stores folder for tag in the catalog's file (when catalog is given and tag is not "PW03")
// and in the preference file. Failures are silent. A folder that does not fit the record
// (more than 255 bytes) is not stored: a cut path would name another folder.
void StoreRememberedFolder(CVeldraDocument* catalog, ChunkTag tag, const std::string& folder);

// A per-user setting that is a short text in the same 256-byte record, in the preference file
// only ("PV01"): "" when it was never stored; a text of 256 bytes or more is not stored.
std::string ReadPreferenceText(ChunkTag tag);
void StorePreferenceText(ChunkTag tag, const std::string& text);

}  // namespace veldra
