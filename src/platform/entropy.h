// The operating system's cryptographic random generator.
#pragma once

#include <cstddef>

namespace vor::platform {

// Fills `size` bytes from the system's cryptographic generator
// (RtlGenRandom on Windows, getrandom or /dev/urandom on POSIX). False when
// the system cannot deliver them; the buffer's contents are then undefined.
bool SystemRandomBytes(void* buffer, size_t size);

}  // namespace vor::platform
