#include "commands/attachment_cursor.h"

#include <new>

#include "storage/catalog_tags.h"

namespace veldra::commands {

int AttachmentCursor::SeekTo(int ordinal) {
  if (ordinal < 0) return kChunkBadArgument;
  if (position_ < 0 || ordinal < position_ || !file_.has_current() ||
      file_.current().tag != kTagAttachmentData) {
    position_ = -1;
    int rc = file_.FindFirst(kTagAttachmentData);
    if (rc != kChunkOk) return rc;
    position_ = 0;
  }
  while (position_ < ordinal) {
    int rc = file_.FindNext();
    if (rc != kChunkOk) {
      // FindNext leaves the current chunk where it was on -4; on -2 nothing can be trusted.
      if (rc != kChunkEndOfList) position_ = -1;
      return rc;
    }
    ++position_;
  }
  return kChunkOk;
}

int64_t AttachmentCursor::ReadCurrent(std::vector<uint8_t>* out) {
  out->clear();
  const int length = file_.CurrentLength();
  if (length <= 0) return -1;
  try {
    out->resize(static_cast<size_t>(length));
  } catch (const std::bad_alloc&) {
    out->clear();
    return -1;
  }
  if (file_.ReadCurrent(out->size(), out->data()) != kChunkOk) {
    out->clear();
    out->shrink_to_fit();
    return -1;
  }
  return length;
}

}  // namespace veldra::commands
