#include "storage/chunk_io.h"

#include <algorithm>
#include <cstring>

namespace veldra {

namespace {

// A read that starts at most this far past the window's end still counts as moving forward.
constexpr int64_t kForwardSlack = 64 * 1024;

}  // namespace

ChunkIo::ChunkIo(std::unique_ptr<platform::File> file) : file_(std::move(file)) {
  size_ = file_ ? file_->Size() : -1;
}

void ChunkIo::Forget() {
  window_len_ = 0;
  next_fill_ = kMinFill;
  size_ = file_ ? file_->Size() : -1;
}

bool ChunkIo::Fill(int64_t offset, size_t need) {
  const int64_t window_end = window_start_ + static_cast<int64_t>(window_len_);
  const bool forward = window_len_ > 0 && offset >= window_start_ &&
                       offset <= window_end + kForwardSlack;
  next_fill_ = forward ? std::min(next_fill_ * 2, kMaxFill) : kMinFill;
  size_t want = std::max(need, next_fill_);
  want = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(want), size_ - offset));
  if (window_.size() < want) window_.resize(std::max(want, std::min(kMaxFill, want * 2)));
  window_len_ = 0;
  const int64_t got = file_->ReadAt(offset, window_.data(), want);
  if (got < 0) return false;
  window_start_ = offset;
  window_len_ = static_cast<size_t>(got);
  return window_len_ >= need;
}

bool ChunkIo::InWindow(int64_t offset, size_t n) const {
  return window_len_ > 0 && offset >= window_start_ &&
         offset + static_cast<int64_t>(n) <= window_start_ + static_cast<int64_t>(window_len_);
}

const uint8_t* ChunkIo::Peek(int64_t offset, size_t n) {
  if (!file_ || offset < 0 || n > kMaxFill) return nullptr;
  if (offset + static_cast<int64_t>(n) > size_) return nullptr;
  if (!InWindow(offset, n) && !Fill(offset, n)) return nullptr;
  return window_.data() + (offset - window_start_);
}

bool ChunkIo::Read(int64_t offset, void* out, size_t n) {
  if (n == 0) return true;
  if (!file_ || offset < 0 || offset + static_cast<int64_t>(n) > size_) return false;
  if (n > kMaxFill / 2) {
    // Large blocks go straight into the caller's buffer.
    return file_->ReadAt(offset, out, n) == static_cast<int64_t>(n);
  }
  const uint8_t* bytes = Peek(offset, n);
  if (bytes == nullptr) return false;
  std::memcpy(out, bytes, n);
  return true;
}

int64_t ChunkIo::ReadDirect(int64_t offset, const platform::ReadSlice* slices, size_t count) {
  if (!file_ || offset < 0) return -1;
  return file_->ReadAtScattered(offset, slices, count);
}

bool ChunkIo::Write(int64_t offset, const void* data, size_t n) {
  if (!file_ || offset < 0) return false;
  if (n == 0) return true;
  if (!file_->WriteAt(offset, data, n)) {
    Forget();
    return false;
  }
  const int64_t end = offset + static_cast<int64_t>(n);
  const int64_t window_end = window_start_ + static_cast<int64_t>(window_len_);
  const int64_t from = std::max(offset, window_start_);
  const int64_t to = std::min(end, window_end);
  if (window_len_ > 0 && from < to) {
    std::memcpy(window_.data() + (from - window_start_),
                static_cast<const uint8_t*>(data) + (from - offset),
                static_cast<size_t>(to - from));
  }
  size_ = std::max(size_, end);
  return true;
}

bool ChunkIo::Truncate(int64_t length) {
  if (!file_ || !file_->Truncate(length)) {
    Forget();
    return false;
  }
  if (window_start_ + static_cast<int64_t>(window_len_) > length) {
    window_len_ = window_start_ >= length ? 0 : static_cast<size_t>(length - window_start_);
  }
  size_ = length;
  return true;
}

int ChunkIo::CheckedHeader(uint32_t offset, const uint8_t* bytes, ChunkHeader* out,
                           uint8_t* raw) {
  const ChunkHeader h = chunk_format::DecodeChunkHeader(bytes);
  if (chunk_format::CheckChunkHeader(h, offset, size_) != chunk_format::HeaderFault::kNone) {
    return -2;
  }
  if (raw != nullptr) std::memcpy(raw, bytes, chunk_format::kChunkHeaderSize);
  *out = h;
  return 0;
}

int ChunkIo::ReadHeader(uint32_t offset, ChunkHeader* out, uint8_t* raw) {
  if (offset == chunk_format::kNoOffset) return -2;
  const uint8_t* bytes = Peek(offset, chunk_format::kChunkHeaderSize);
  return bytes == nullptr ? -2 : CheckedHeader(offset, bytes, out, raw);
}

int ChunkIo::ReadHeaderOnly(uint32_t offset, ChunkHeader* out, uint8_t* raw) {
  using chunk_format::kChunkHeaderSize;
  if (offset == chunk_format::kNoOffset) return -2;
  if (InWindow(offset, kChunkHeaderSize)) return ReadHeader(offset, out, raw);
  uint8_t bytes[kChunkHeaderSize];
  if (!file_ || int64_t{offset} + static_cast<int64_t>(kChunkHeaderSize) > size_ ||
      file_->ReadAt(offset, bytes, kChunkHeaderSize) !=
          static_cast<int64_t>(kChunkHeaderSize)) {
    return -2;
  }
  return CheckedHeader(offset, bytes, out, raw);
}

}  // namespace veldra
