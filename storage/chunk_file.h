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
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/platform.h"
#include "storage/record_array.h"

namespace veldra {

// A four-letter chunk type; the letters packed with the first in the most significant
// byte ("ENTR" is 0x454E5452, stored little-endian, so "RTNE" on disk).
using ChunkTag = int32_t;
constexpr ChunkTag MakeTag(const char (&s)[5]) {
  return static_cast<ChunkTag>((static_cast<uint32_t>(static_cast<uint8_t>(s[0])) << 24) |
                               (static_cast<uint32_t>(static_cast<uint8_t>(s[1])) << 16) |
                               (static_cast<uint32_t>(static_cast<uint8_t>(s[2])) << 8) |
                               static_cast<uint32_t>(static_cast<uint8_t>(s[3])));
}
constexpr ChunkTag kRootTag = -1;

// Result codes.
constexpr int kChunkOk = 0;
constexpr int kChunkBadArgument = -1;  // bad argument, cannot open/create, exists, bad magic
                                       // or version, capacity or size mismatch
constexpr int kChunkIoError = -2;      // seek, read or write failed or short; damaged links
constexpr int kChunkNoCurrent = -3;
constexpr int kChunkEndOfList = -4;
constexpr int kChunkNoSuchTag = -5;
constexpr int kChunkReadOnly = -6;

constexpr int kChunkModeReadWrite = 0;
constexpr int kChunkModeReadOnly = 1;

// The seven fields of a chunk header.
struct ChunkHeader {
  ChunkTag tag = 0;
  int32_t length = 0;
  int32_t self = -1;
  int32_t prev_in_tag = -1;
  int32_t next_in_tag = -1;
  int32_t prev_head = -1;
  int32_t next_head = -1;
};

class ChunkFile {
 public:
  ChunkFile();
  ~ChunkFile();
  ChunkFile(const ChunkFile&) = delete;
  ChunkFile& operator=(const ChunkFile&) = delete;

  // Makes a new container at path, left open read/write with no current chunk.
  // -1 when a file exists at path or it cannot be created; -2 on a short write.
  int Create(const std::string& path);
  // Opens an existing container; mode 0 read/write, 1 read-only. Checks magic and version.
  int Open(const std::string& path, int mode);
  int Close();
  bool is_open() const;

  int FindFirst(ChunkTag tag);
  int FindNext();
  // The current chunk's data length, or -1 with no file or no current chunk.
  int CurrentLength() const;
  // The current chunk's header (valid when has_current()).
  const ChunkHeader& current() const { return current_; }
  bool has_current() const { return has_current_; }

  int ReadCurrent(size_t capacity, void* buffer);
  int RewriteCurrent(size_t size, const void* data);
  int Append(ChunkTag tag, size_t length, const void* data);
  int DeleteCurrent();

  // Bounded-memory access to large chunks (attachments):
  // reads n bytes of the current chunk's data starting at offset within it.
  int ReadCurrentRange(int64_t offset, size_t n, void* buffer);
  // Appends a chunk of length bytes whose data is produced block by block: fill(buf, n)
  // must put exactly n bytes into buf and return true, or return false to abandon the
  // append. Same results and same bytes on disk as Append with the whole data.
  int AppendStream(ChunkTag tag, int64_t length,
                   const std::function<bool(uint8_t* buf, size_t n)>& fill);

  // Every chunk of tag, in list order, as a new array; nullptr when the tag has no chunk,
  // the chunks differ in length, or a read fails.
  std::unique_ptr<RecordArray> ReadAll(ChunkTag tag);
  // Makes the chunks of tag hold exactly the records of array (record_size bytes each).
  int WriteAll(ChunkTag tag, const RecordArray& array, size_t record_size);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  ChunkHeader current_;
  bool has_current_ = false;
};

}  // namespace veldra
