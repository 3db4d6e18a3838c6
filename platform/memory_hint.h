// Hints to the system about memory the program is about to use. Hints only: each may be
// refused or ignored, and then nothing changes.
#pragma once

namespace veldra::platform {

// Asks the system to back the whole pages inside [from, to) with memory now, in one call,
// instead of one fault per page while they are written. Nothing is written.
void PrepareMemoryForWriting(void* from, void* to);

}  // namespace veldra::platform
