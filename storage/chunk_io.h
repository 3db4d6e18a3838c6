// ChunkIo: the open file of a container with a read window in front of it.
//
// Reads are served from a window of file bytes. The window starts small and doubles while
// reads keep moving forward, so that a walk over neighbouring chunks costs a few large reads
// instead of two small ones per chunk, and a jump (a head far away) costs one small read.
// Every write goes to the file at once and is copied into the window where they overlap,
// so the window never shows bytes older than the file's. After a failed write or truncation
// the window is dropped and the size asked of the file again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/platform.h"
#include "storage/chunk_header.h"

namespace veldra {

class ChunkIo {
 public:
  static constexpr size_t kMinFill = 4 * 1024;
  static constexpr size_t kMaxFill = 1024 * 1024;

  explicit ChunkIo(std::unique_ptr<platform::File> file);

  // The file's length as this handle knows it (the handle is its only writer), or -1.
  int64_t size() const { return size_; }

  // Reads exactly n bytes at offset; false when they are not all there or the read fails.
  bool Read(int64_t offset, void* out, size_t n);
  // The n bytes at offset inside the window (n at most kMaxFill), valid until the next call
  // on this object; nullptr when they are not all there.
  const uint8_t* Peek(int64_t offset, size_t n);
  bool Write(int64_t offset, const void* data, size_t n);
  bool Truncate(int64_t length);
  // Waits until every byte written so far is on the storage device (File::Sync).
  bool Sync() { return file_ != nullptr && file_->Sync(); }

  // Reads and checks the header at offset: 0, or -2 when it cannot be read or fails
  // CheckChunkHeader. raw (36 bytes) receives the bytes as they stand when not null.
  int ReadHeader(uint32_t offset, ChunkHeader* out, uint8_t* raw = nullptr);
  // The same, but a header outside the window is read on its own (36 bytes), leaving the
  // window as it is: for walks that need the headers only, not the data between them.
  int ReadHeaderOnly(uint32_t offset, ChunkHeader* out, uint8_t* raw = nullptr);

  // Reads straight from the file into the slices in turn, leaving the window as it is: for
  // bytes behind a gap (a chunk after another tag's data), where filling the window would
  // read the gap as well. The bytes read (short only at the end of the file), or -1.
  int64_t ReadDirect(int64_t offset, const platform::ReadSlice* slices, size_t count);
  // Whether the n bytes at offset are in the window now.
  bool Holds(int64_t offset, size_t n) const { return InWindow(offset, n); }
  // Checks the 36 header bytes read at offset as ReadHeader does: 0 or -2.
  int CheckHeader(uint32_t offset, const uint8_t* bytes, ChunkHeader* out) {
    return CheckedHeader(offset, bytes, out, nullptr);
  }

  // Drops the window and asks the file for its size again.
  void Forget();

 private:
  bool Fill(int64_t offset, size_t need);
  bool InWindow(int64_t offset, size_t n) const;
  int CheckedHeader(uint32_t offset, const uint8_t* bytes, ChunkHeader* out, uint8_t* raw);

  std::unique_ptr<platform::File> file_;
  int64_t size_ = -1;
  std::vector<uint8_t> window_;
  int64_t window_start_ = 0;
  size_t window_len_ = 0;
  size_t next_fill_ = kMinFill;
};

}  // namespace veldra
