// System random bytes on Windows through RtlGenRandom (exported by advapi32
// as SystemFunction036 since Windows XP).

#include <windows.h>

#include "platform/entropy.h"

extern "C" __declspec(dllimport) BOOLEAN WINAPI SystemFunction036(PVOID buffer, ULONG length);

namespace vor::platform {

bool SystemRandomBytes(void* buffer, size_t size) {
  auto* p = static_cast<unsigned char*>(buffer);
  while (size > 0) {
    const ULONG chunk = size > 0x10000 ? 0x10000 : static_cast<ULONG>(size);
    if (!SystemFunction036(p, chunk)) return false;
    p += chunk;
    size -= chunk;
  }
  return true;
}

}  // namespace vor::platform
