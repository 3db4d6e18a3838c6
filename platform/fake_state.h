// What the fake platform and its open files share: file contents, the clock, the write
// counters and the write-failure switch. Open files keep it alive, so a file may outlive
// the platform that opened it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "platform/platform.h"

namespace veldra::platform {

// One file's contents. Shared by the path table and every open handle, so that a file
// renamed or removed while open stays usable through its handles (as on POSIX).
struct FakeNode {
  std::string bytes;
  LocalTime created;
  std::string synced;  // in crash mode: the bytes as of the last Sync, what a crash keeps
};

struct FakeState {
  LocalTime now;

  // Counters since construction or ResetCounters().
  int write_calls = 0;        // WriteAt calls on writable files, failed ones included
  int failed_writes = 0;
  int64_t bytes_written = 0;  // bytes that reached a file (torn prefixes included)
  int64_t bytes_read = 0;     // bytes ReadAt handed out
  int open_calls = 0;         // successful opens
  int sync_calls = 0;         // Sync calls, failed ones included

  bool crash_mode = false;    // files remember their bytes as of their last Sync

  // The files whose lock someone holds, and the time all Sleep calls together waited.
  std::set<const FakeNode*> locked_nodes;
  int64_t slept_ms = 0;

  // The write-failure switch: the write_countdown-th write from when it was set fails.
  int write_countdown = 0;              // 0: no failure pending
  size_t torn_prefix = 0;               // bytes the failing write still stores
  bool sticky = false;                  // later writes fail as well once one failed
  bool writes_dead = false;             // a sticky failure has happened

  // Decides the fate of the next write of n bytes: true when it goes through; when it
  // fails, *stored tells how many of its first bytes are still written.
  bool AdmitWrite(size_t n, size_t* stored);
};

// An open file of the fake platform.
class FakeFile : public File {
 public:
  FakeFile(std::shared_ptr<FakeState> state, std::shared_ptr<FakeNode> node, bool writable);

  int64_t ReadAt(int64_t offset, void* buf, size_t n) override;
  bool WriteAt(int64_t offset, const void* buf, size_t n) override;
  int64_t Size() override;
  bool Truncate(int64_t length) override;
  bool Sync() override;

 private:
  std::shared_ptr<FakeState> state_;
  std::shared_ptr<FakeNode> node_;
  bool writable_;
};

}  // namespace veldra::platform
