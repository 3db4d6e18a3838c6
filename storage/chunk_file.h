// ChunkFile: the handle of an open chunk container (layout in chunk_format.h).
//
// Chunks of one tag are chained into a doubly linked list in order of appending; the first
// chunk of each tag (its head) is chained into a list of heads that starts at the root.
// Appending writes at the end and patches one link, deleting unlinks, rewriting overwrites
// in place with the same length: a container only grows.
//
// Every operation returns 0 or one of the negative codes below. A handle is used for one
// short sequence of operations and closed again; Close is safe in every state and the
// destructor closes too.
//
// A damaged container is met safely: every walk (FindFirst, FindNext loops, Append,
// ReadAll, WriteAll, DeleteCurrent) checks each header before using it (inside the file,
// self equal to its offset, data inside the file, the expected tag) and spends from a
// budget of the file's size, so a cycle or a wild link ends the walk with -2 instead of a
// hang or an unbounded allocation, and writing operations refuse it without writing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "storage/chunk_header.h"
#include "storage/record_array.h"

namespace veldra {

// Result codes.
constexpr int kChunkOk = 0;
constexpr int kChunkBadArgument = -1;  // bad argument, cannot open/create, exists, bad magic
                                       // or version, capacity or size mismatch
constexpr int kChunkIoError = -2;      // seek, read or write failed or short; damaged links
constexpr int kChunkNoCurrent = -3;
constexpr int kChunkEndOfList = -4;
constexpr int kChunkNoSuchTag = -5;
constexpr int kChunkReadOnly = -6;
constexpr int kChunkNotAsRemembered = -7;  // RewriteRecords: the tag's list is not the one
                                           // the caller remembers; nothing was written

constexpr int kChunkModeReadWrite = 0;
constexpr int kChunkModeReadOnly = 1;

class ChunkFile {
 public:
  ChunkFile();
  ~ChunkFile();
  ChunkFile(const ChunkFile&) = delete;
  ChunkFile& operator=(const ChunkFile&) = delete;

  // Makes a new container at path, left open read/write with no current chunk.
  // -1 when a file exists at path or it cannot be created; -2 on a short write, in which
  // case the half-made file is removed again.
  int Create(const std::string& path);
  // Opens an existing container; mode 0 read/write, 1 read-only. Checks magic and version.
  int Open(const std::string& path, int mode);
  int Close();
  bool is_open() const;
  // Waits until every byte written through the handle is on the storage device, so that a
  // file renamed into place afterwards is whole after a crash. 0, -2 when that cannot be
  // confirmed, -1 with no open file.
  int Sync();

  int FindFirst(ChunkTag tag);
  int FindNext();
  // The current chunk's data length, or -1 with no file or no current chunk.
  int CurrentLength() const;
  // The current chunk's header (valid when has_current()). It is the copy read when the
  // chunk became current: an Append behind it does not change it.
  const ChunkHeader& current() const { return current_; }
  bool has_current() const { return has_current_; }

  int ReadCurrent(size_t capacity, void* buffer);
  int RewriteCurrent(size_t size, const void* data);
  // The new chunk (header and data) is written at the end of the file first and linked
  // only after that succeeded; when anything fails the file is cut back to its old length,
  // so a failed append leaves the container as it was. -1 when any byte of the chunk would
  // lie at or past offset 0xFFFFFFFF, or length exceeds 2^31-1.
  int Append(ChunkTag tag, size_t length, const void* data);
  // Cuts off what an append cut short leaves at the end of the file: walks the chunks in
  // file order from from (the end of a chunk known to be whole, where the next header
  // starts) and truncates the file where the last one starts when no list reaches it and it
  // is either torn (its header or data runs past the end of the file) or whole with nothing
  // linked behind it (its holder's link, written last, never was). Otherwise (a header that
  // is not one, a chunk a list reaches) the file is left as it is. Append does this once per
  // opened handle, from the end of the chunk it hangs the new one behind, so that no chunk
  // is ever appended behind one that no list reaches (which would then read as cut off from
  // its list). 0, or -2 when reading or truncating fails.
  int CutUnlinkedTail(int64_t from);
  // Unlinks the current chunk, using its links as they stand on disk now.
  int DeleteCurrent();

  // Bounded-memory access to large chunks (attachments):
  // reads n bytes of the current chunk's data starting at offset within it; -1 when the
  // range is not inside the data.
  int ReadCurrentRange(int64_t offset, size_t n, void* buffer);
  // Appends a chunk of length bytes whose data is produced block by block: fill(buf, n)
  // must put exactly n bytes into buf and return true, or return false to abandon the
  // append (-2, the container left as it was). Same results and same bytes on disk as
  // Append with the whole data.
  int AppendStream(ChunkTag tag, int64_t length,
                   const std::function<bool(uint8_t* buf, size_t n)>& fill);

  // Every chunk of tag, in list order, as a new array; nullptr when the tag has no chunk,
  // the chunks differ in length, or a read fails.
  std::unique_ptr<RecordArray> ReadAll(ChunkTag tag);
  // The same, and the offset of each chunk read, in list order, in *chunks.
  //
  // Each chunk's header and data come in one read straight into the array, unless the
  // chunk follows the previous one directly in the file: then the read window serves a run
  // of neighbours with a few large reads. Nothing between two chunks that are not
  // neighbours (another tag's data) is read.
  std::unique_ptr<RecordArray> ReadAll(ChunkTag tag, std::vector<uint32_t>* chunks);
  // What ReadTables made of one tag: result 0 with records and chunks as ReadAll gives
  // them; kChunkNoSuchTag when the tag has no chunk; kChunkIoError when ReadAll would give
  // nullptr (damage, a failed read, chunks of unequal lengths); kChunkBadArgument for the
  // root tag or a closed handle.
  struct TableRead {
    ChunkTag tag = 0;
    int result = kChunkBadArgument;
    std::unique_ptr<RecordArray> records;
    std::vector<uint32_t> chunks;
    // Whether a link pointing back along the list (a prev-in-tag, the head's prev-head) or
    // a head link of a chunk that is not a head disagrees with the list as walked forward:
    // what an unlink cut short leaves. WriteAll of the tag puts them right.
    bool stale_back_links = false;
  };
  // Several tables in one pass: for each tag, in the order given, what ReadAll(tag, &chunks)
  // gives. One walk of the heads finds every tag's head, then the tags' lists are walked
  // together in file order; where a chunk of another tag lies directly behind the chunk
  // being read (an entry and its attachment link), the same read carries it, header and
  // data straight into its array. Each tag keeps its own checks and budget: damage in one
  // list fails that tag only. Afterwards the current chunk is the last chunk of the last
  // tag read; unchanged when none was read.
  std::vector<TableRead> ReadTables(const std::vector<ChunkTag>& tags);
  // The same, and every chunk header the pass read and checked (as CheckChunkHeader does)
  // appended to *seen: the heads met, every chunk of the tables walked, and the header that
  // a read found directly behind the chunks it was for (an attachment's, in a catalog as
  // imports lay it out). In no particular order; a header may appear twice.
  std::vector<TableRead> ReadTables(const std::vector<ChunkTag>& tags,
                                    std::vector<ChunkHeader>* seen);
  // Makes the chunks of tag hold exactly the records of array (record_size bytes each,
  // at most array.record_size()).
  int WriteAll(ChunkTag tag, const RecordArray& array, size_t record_size);
  // The same, and on success the offset of each chunk of tag, in list order, in *chunks.
  int WriteAll(ChunkTag tag, const RecordArray& array, size_t record_size,
               std::vector<uint32_t>* chunks);
  // Rewrites in place the records of array at indexes (ascending) into the chunks of tag,
  // which the caller remembers at chunks (list order, one per record of array, as ReadAll
  // or WriteAll reported them). The bytes on disk are those WriteAll would leave.
  // Before anything is written every chunk to be rewritten is checked: it carries the tag,
  // the record size and links to its remembered neighbours, and they link back to it; and
  // the tag's head and last chunk are the remembered ones. When a check fails nothing is written and the result is
  // kChunkNotAsRemembered (WriteAll then knows what to do). Rewrites of chunks that follow
  // each other directly in the file go out in one write that carries the header between
  // them as it stands.
  int RewriteRecords(ChunkTag tag, const std::vector<uint32_t>& chunks, const RecordArray& array,
                     size_t record_size, const std::vector<int>& indexes);

 private:
  struct Impl;
  // Append and AppendStream: exactly one of data and fill is given.
  int AppendChunk(ChunkTag tag, int64_t length, const void* data,
                  const std::function<bool(uint8_t* buf, size_t n)>* fill);

  std::unique_ptr<Impl> impl_;
  ChunkHeader current_;
  bool has_current_ = false;
};

}  // namespace veldra
