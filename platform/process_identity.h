// Who this process is, in terms that outlive it: its id and the id of the current boot of
// the machine. A record that names a process by both (a claim on work in a shared cache)
// can be told stale once that process is gone, or the machine was started again.
#pragma once

#include <cstdint>
#include <string>

namespace veldra::platform {

int64_t CurrentProcessId();

// The id of this boot of the machine (/proc/sys/kernel/random/boot_id); "" when it cannot
// be told.
std::string BootId();

// True when a process with this id exists now (on this boot). An id of 0 or below never
// names one.
bool ProcessAlive(int64_t pid);

}  // namespace veldra::platform
