// The checks a container gets before it is changed: the damage that no reader notices and the
// next write would make permanent.
//
// A reader walks each list forward and trusts what it finds. A wrong prev link, a second head
// for a tag, or a next link set to -1 in the middle of a list (the chunks behind it vanish,
// and every check a reader makes passes) is written into by the next change: WriteAll deletes
// and appends along the damaged list, and what it cannot see is lost for good.
//
// VerifyListsForChange judges the container as InspectContainer does (the walk in file order,
// reading 36 bytes per chunk and never its data, the root, the list of heads, every tag's
// list in both directions, the chunks cut off from a list, and that the walk reaches the end
// of the file: a change appends there, and a chunk behind bytes the walk cannot pass would be
// found by no one), and takes its damage; the traces of an interrupted write it lets pass.
// The tags themselves are not judged here: a head of a tag the catalog does not use is the
// catalog's to judge (storage/catalog_damage.h).
//
// An unlink cut short is no damage: it writes the forward links first and the links back
// last, so the links back it leaves still name the chunk being unlinked, in two exact shapes
// (the head's successor has taken its place while the list of heads still names the old
// head or the next head still links back to it; a middle chunk's successor still links
// back to it). The next write of the table puts them right.
//
// Cut off from a list: a chunk no list reaches whose own links say it follows the end of a
// list. Appending links the new chunk to the tail and the tail to it; deleting patches the
// neighbours to link past the chunk, and a table drops its surplus chunks from the front,
// each of which was the head (prev-in-tag -1) when it went. So a dead chunk whose prev-in-tag
// names the live tail of its own tag, whose next-in-tag is -1, was cut off by a damaged link
// rather than deleted — unless it is the last chunk of the file and links to nothing
// behind it: that is an append killed before its link was written, which lost nothing. A dead
// head is cut off from the list of heads when its prev-head names the live last head and a
// chunk behind it still links back to it (a head deleted on purpose is no longer linked back
// to by the chunk that took its place).
#pragma once

#include <string>
#include <vector>

#include "storage/chunk_header.h"
#include "storage/chunk_inspect.h"

namespace veldra {

class ChunkIo;

// One sentence per chunk that starts a run cut off from a list, such as
// "next-in-tag of chunk at 8832 is -1, yet chunk at 9400 still links back to it: 12 chunks
// of ENTR from 9400 on are cut off from the list". chunks: every header met in file order,
// with its live flag; ends_at_file_end: whether that walk ended exactly at the end of the file.
std::vector<std::string> DescribeCutOffChunks(const std::vector<ChunkRecord>& chunks,
                                              bool ends_at_file_end);

// Whether the bytes from at to the end of the file (of size bytes) are a chunk whose append
// was cut short: a header cut short, or a whole header whose data runs past the end, that no
// link of chunks reaches (an append patches the one link to its chunk only after the whole
// chunk is written). The next change cuts it off (ChunkFile::CutUnlinkedTail).
bool IsTornTail(ChunkIo& io, const std::vector<ChunkRecord>& chunks, int64_t at, int64_t size);

// true when the container at path shows no damage in the ways above. Otherwise problems
// (when not null) receives one sentence per fault, the first fault first, in the words of
// VerifyContainer. A file that cannot be opened or read gives false with a sentence.
// seen: headers already read and checked from the same file, unchanged since (ReadTables
// collects them); the walk in file order reads only the others.
bool VerifyListsForChange(const std::string& path, std::vector<ChunkHeader> seen,
                          std::vector<std::string>* problems);

}  // namespace veldra
