// Process memory: how the C runtime keeps freed memory.
#pragma once

#include <cstddef>

namespace vor::platform {

// Makes every allocation of at least `bytes` come straight from the
// operating system and go back to it when freed, so that large buffers used
// once in a while (a PPM model of tens of MiB) do not stay resident in a
// thread's heap after use. A no-op where the runtime already does so.
void ReturnLargeAllocations(size_t bytes);

}  // namespace vor::platform
