#include "platform/memory_hint.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace veldra::platform {

void PrepareMemoryForWriting(void* from, void* to) {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
  static const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  if (page == 0 || (page & (page - 1)) != 0) return;
  const uintptr_t first = (reinterpret_cast<uintptr_t>(from) + page - 1) & ~(page - 1);
  const uintptr_t last = reinterpret_cast<uintptr_t>(to) & ~(page - 1);
  if (last > first) {
    (void)madvise(reinterpret_cast<void*>(first), static_cast<size_t>(last - first),
                  MADV_POPULATE_WRITE);
  }
#else
  (void)from;
  (void)to;
#endif
}

}  // namespace veldra::platform
