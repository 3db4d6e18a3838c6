#include "platform/thread_priority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

namespace veldra::platform {

bool LowerThisThreadPriority() {
  // On Linux the nice value is the thread's: the thread is named by its own id.
  const auto thread = static_cast<id_t>(::syscall(SYS_gettid));
  errno = 0;
  const int nice = ::getpriority(PRIO_PROCESS, thread);
  if (errno != 0) return false;
  return nice >= kBackgroundNice || ::setpriority(PRIO_PROCESS, thread, kBackgroundNice) == 0;
}

}  // namespace veldra::platform
