// ReturnLargeAllocations on Windows: the process heap hands blocks above
// about 512 KiB to VirtualAlloc and releases them on free already.
#include "platform/memory.h"

namespace vor::platform {

void ReturnLargeAllocations(size_t /*bytes*/) {}

}  // namespace vor::platform
