#include "storage/chunk_file.h"

#include <cstring>
#include <limits>

#include "storage/chunk_file_impl.h"

namespace veldra {

using chunk_format::kChunkHeaderSize;
using chunk_format::kFileHeaderSize;
using chunk_format::kNoOffset;
using chunk_format::AsOffset;

// ---- Walks shared by the operations -------------------------------------------------------

int ChunkFile::Impl::ReadTagged(uint32_t offset, ChunkTag tag, ChunkHeader* out,
                                uint8_t* raw) {
  if (io->ReadHeader(offset, out, raw) != 0) return kChunkIoError;
  return out->tag == tag ? kChunkOk : kChunkIoError;
}

int ChunkFile::Impl::FindHead(ChunkTag tag, WalkBudget& budget, ChunkHeader* head,
                              uint8_t* raw) {
  ChunkHeader h;
  if (io->ReadHeader(chunk_format::kRootOffset, &h) != 0 || !budget.Spend(h)) {
    return kChunkIoError;
  }
  uint32_t at = chunk_format::kRootOffset;
  while (AsOffset(h.next_head) != kNoOffset) {
    at = AsOffset(h.next_head);
    if (io->ReadHeader(at, &h, raw) != 0 || !budget.Spend(h)) return kChunkIoError;
    if (h.tag == tag) {
      *head = h;
      return kChunkOk;
    }
  }
  last_head = at;
  return kChunkNoSuchTag;
}

int ChunkFile::Impl::FindLastHead(ChunkHeader* last, uint8_t* raw) {
  if (last_head != kNoOffset) {
    if (io->ReadHeader(last_head, last, raw) == 0 && AsOffset(last->next_head) == kNoOffset) {
      return kChunkOk;
    }
    last_head = kNoOffset;  // not what was remembered: walk instead
  }
  WalkBudget budget = NewBudget();
  uint32_t at = chunk_format::kRootOffset;
  for (;;) {
    if (io->ReadHeader(at, last, raw) != 0 || !budget.Spend(*last)) return kChunkIoError;
    if (AsOffset(last->next_head) == kNoOffset) break;
    at = AsOffset(last->next_head);
  }
  last_head = at;
  return kChunkOk;
}

int ChunkFile::Impl::FindTail(ChunkTag tag, ChunkHeader* tail, uint8_t* raw) {
  const auto known = tails.find(tag);
  if (known != tails.end()) {
    if (ReadTagged(known->second, tag, tail, raw) == kChunkOk &&
        AsOffset(tail->next_in_tag) == kNoOffset) {
      return kChunkOk;
    }
    tails.erase(known);
  }
  WalkBudget budget = NewBudget();
  const int found = FindHead(tag, budget, tail, raw);
  if (found != kChunkOk) return found;
  while (AsOffset(tail->next_in_tag) != kNoOffset) {
    if (ReadTagged(AsOffset(tail->next_in_tag), tag, tail, raw) != kChunkOk ||
        !budget.Spend(*tail)) {
      return kChunkIoError;
    }
  }
  tails[tag] = AsOffset(tail->self);
  return kChunkOk;
}

// ---- Opening and closing ------------------------------------------------------------------

ChunkFile::ChunkFile() : impl_(std::make_unique<Impl>()) {}

ChunkFile::~ChunkFile() { Close(); }

bool ChunkFile::is_open() const { return impl_->io != nullptr; }

int ChunkFile::Close() {
  impl_->Reset();
  current_ = ChunkHeader();
  has_current_ = false;
  return kChunkOk;
}

int ChunkFile::Sync() {
  if (!is_open()) return kChunkBadArgument;
  return impl_->io->Sync() ? kChunkOk : kChunkIoError;
}

int ChunkFile::Create(const std::string& path) {
  Close();
  if (path.empty()) return kChunkBadArgument;
  platform::Platform& os = platform::Platform::Current();
  // Refuses an existing file, so an existing catalog is never overwritten.
  std::unique_ptr<platform::File> file = os.Open(path, platform::OpenMode::kCreateNew);
  if (!file) return kChunkBadArgument;
  impl_->io = std::make_unique<ChunkIo>(std::move(file));
  impl_->mode = kChunkModeReadWrite;

  uint8_t bytes[chunk_format::kNewContainerSize] = {};
  std::memcpy(bytes, chunk_format::kMagic, sizeof chunk_format::kMagic);
  coding::EncodeFixed16(bytes + chunk_format::kVersionOffset, chunk_format::kVersion);
  ChunkHeader root;
  root.tag = kRootTag;
  root.length = 0;
  root.self = chunk_format::kRootOffset;
  chunk_format::EncodeChunkHeader(root, bytes + kFileHeaderSize);
  if (!impl_->io->Write(0, bytes, kFileHeaderSize) ||
      !impl_->io->Write(chunk_format::kRootOffset, bytes + kFileHeaderSize, kChunkHeaderSize)) {
    // A half-made container would block the path for good: Create refuses existing files.
    Close();
    os.Remove(path);
    return kChunkIoError;
  }
  impl_->last_head = chunk_format::kRootOffset;
  return kChunkOk;
}

int ChunkFile::Open(const std::string& path, int mode) {
  Close();
  if (path.empty()) return kChunkBadArgument;
  if (mode != kChunkModeReadWrite && mode != kChunkModeReadOnly) return kChunkBadArgument;
  std::unique_ptr<platform::File> file = platform::Platform::Current().Open(
      path, mode == kChunkModeReadOnly ? platform::OpenMode::kRead
                                       : platform::OpenMode::kReadWrite);
  if (!file) return kChunkBadArgument;
  impl_->io = std::make_unique<ChunkIo>(std::move(file));
  impl_->mode = mode;
  uint8_t header[kFileHeaderSize];
  if (!impl_->io->Read(0, header, kFileHeaderSize)) {
    Close();
    return kChunkIoError;
  }
  const uint16_t version = chunk_format::DecodeFixed16(header + chunk_format::kVersionOffset);
  if (std::memcmp(header, chunk_format::kMagic, sizeof chunk_format::kMagic) != 0 ||
      version != chunk_format::kVersion) {
    Close();
    return kChunkBadArgument;
  }
  return kChunkOk;
}

// ---- Finding and reading ------------------------------------------------------------------

int ChunkFile::FindFirst(ChunkTag tag) {
  if (!is_open() || tag == kRootTag) return kChunkBadArgument;
  WalkBudget budget = impl_->NewBudget();
  ChunkHeader head;
  const int found = impl_->FindHead(tag, budget, &head, nullptr);
  if (found != kChunkOk) return found;
  current_ = head;
  has_current_ = true;
  impl_->caller_walk = impl_->NewBudget();
  impl_->caller_walk.Spend(head);
  return kChunkOk;
}

int ChunkFile::FindNext() {
  if (!is_open() || !has_current_) return kChunkNoCurrent;
  if (AsOffset(current_.next_in_tag) == kNoOffset) return kChunkEndOfList;
  ChunkHeader next;
  if (impl_->ReadTagged(AsOffset(current_.next_in_tag), current_.tag, &next, nullptr) !=
          kChunkOk ||
      !impl_->caller_walk.Spend(next)) {
    return kChunkIoError;
  }
  current_ = next;
  return kChunkOk;
}

int ChunkFile::CurrentLength() const {
  if (!is_open() || !has_current_) return -1;
  return current_.length;
}

int ChunkFile::ReadCurrent(size_t capacity, void* buffer) {
  if (!is_open() || !has_current_) return kChunkNoCurrent;
  const auto length = static_cast<size_t>(current_.length);
  if (capacity < length || (buffer == nullptr && length > 0)) return kChunkBadArgument;
  const int64_t data = int64_t{AsOffset(current_.self)} + kChunkHeaderSize;
  return impl_->io->Read(data, buffer, length) ? kChunkOk : kChunkIoError;
}

int ChunkFile::ReadCurrentRange(int64_t offset, size_t n, void* buffer) {
  if (!is_open() || !has_current_) return kChunkNoCurrent;
  const int64_t length = current_.length;
  if (offset < 0 || offset > length || n > static_cast<uint64_t>(length - offset) ||
      (buffer == nullptr && n > 0)) {
    return kChunkBadArgument;
  }
  const int64_t data = int64_t{AsOffset(current_.self)} + kChunkHeaderSize + offset;
  return impl_->io->Read(data, buffer, n) ? kChunkOk : kChunkIoError;
}

int ChunkFile::RewriteCurrent(size_t size, const void* data) {
  if (!is_open()) return kChunkNoCurrent;
  if (impl_->mode == kChunkModeReadOnly) return kChunkReadOnly;
  if (!has_current_) return kChunkNoCurrent;
  if (size != static_cast<size_t>(current_.length) || (data == nullptr && size > 0)) {
    return kChunkBadArgument;
  }
  const int64_t at = int64_t{AsOffset(current_.self)} + kChunkHeaderSize;
  if (!impl_->io->Write(at, data, size)) {
    impl_->ForgetAll();
    return kChunkIoError;
  }
  return kChunkOk;
}

}  // namespace veldra
