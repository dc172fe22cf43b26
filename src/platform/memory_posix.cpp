// ReturnLargeAllocations on POSIX: the glibc allocator's mmap threshold.
#include <climits>

#include "platform/memory.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace vor::platform {

void ReturnLargeAllocations(size_t bytes) {
#if defined(__GLIBC__)
  // A fixed threshold also stops glibc from raising it after large frees,
  // which would move such buffers into the thread heaps for good.
  mallopt(M_MMAP_THRESHOLD, static_cast<int>(bytes > INT_MAX ? INT_MAX : bytes));
#else
  (void)bytes;
#endif
}

}  // namespace vor::platform
