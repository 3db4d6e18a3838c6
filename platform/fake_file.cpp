#include <algorithm>
#include <cstring>

#include "platform/fake_state.h"

namespace veldra::platform {

bool FakeState::AdmitWrite(size_t n, size_t* stored) {
  ++write_calls;
  *stored = 0;
  if (writes_dead) {
    ++failed_writes;
    return false;
  }
  if (write_countdown > 0 && --write_countdown == 0) {
    *stored = std::min(n, torn_prefix);
    writes_dead = sticky;
    ++failed_writes;
    return false;
  }
  *stored = n;
  return true;
}

FakeFile::FakeFile(std::shared_ptr<FakeState> state, std::shared_ptr<FakeNode> node,
                   bool writable)
    : state_(std::move(state)), node_(std::move(node)), writable_(writable) {}

int64_t FakeFile::ReadAt(int64_t offset, void* buf, size_t n) {
  if (offset < 0) return -1;
  const std::string& bytes = node_->bytes;
  if (static_cast<uint64_t>(offset) >= bytes.size()) return 0;
  const size_t count = std::min(n, bytes.size() - static_cast<size_t>(offset));
  std::memcpy(buf, bytes.data() + offset, count);
  state_->bytes_read += static_cast<int64_t>(count);
  return static_cast<int64_t>(count);
}

bool FakeFile::WriteAt(int64_t offset, const void* buf, size_t n) {
  if (!writable_ || offset < 0) return false;
  size_t stored = 0;
  const bool admitted = state_->AdmitWrite(n, &stored);
  if (stored > 0) {
    std::string& bytes = node_->bytes;
    const size_t end = static_cast<size_t>(offset) + stored;
    if (bytes.size() < end) bytes.resize(end, '\0');
    std::memcpy(bytes.data() + offset, buf, stored);
    state_->bytes_written += static_cast<int64_t>(stored);
  }
  return admitted;
}

int64_t FakeFile::Size() { return static_cast<int64_t>(node_->bytes.size()); }

bool FakeFile::Sync() {
  ++state_->sync_calls;
  if (state_->writes_dead) return false;  // the program stopped at a failed write
  if (state_->crash_mode) node_->synced = node_->bytes;
  return true;
}

bool FakeFile::Truncate(int64_t length) {
  if (!writable_ || length < 0 || state_->writes_dead) return false;
  node_->bytes.resize(static_cast<size_t>(length), '\0');
  return true;
}

}  // namespace veldra::platform
