#include "platform/process_identity.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <fstream>

namespace veldra::platform {

int64_t CurrentProcessId() { return static_cast<int64_t>(::getpid()); }

std::string BootId() {
  static const std::string id = [] {
    std::ifstream in("/proc/sys/kernel/random/boot_id");
    std::string line;
    std::getline(in, line);
    return line;
  }();
  return id;
}

bool ProcessAlive(int64_t pid) {
  if (pid <= 0 || pid > INT_MAX) return false;
  // A process of another user answers EPERM: it exists all the same.
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

}  // namespace veldra::platform
