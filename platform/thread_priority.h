// Background work at low priority: a thread that should give way to the user's windows
// lowers its own priority (the nice value, which Linux keeps per thread and passes on to the
// threads and processes it starts).
#pragma once

namespace veldra::platform {

// The nice value background work runs at (the text worker's processes run at it too).
constexpr int kBackgroundNice = 10;

// Lowers the calling thread's priority to kBackgroundNice unless it is lower already. Other
// threads of the process keep theirs. false when the system refused.
bool LowerThisThreadPriority();

}  // namespace veldra::platform
