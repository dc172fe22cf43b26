// libFuzzer driver: runs one entry of fuzz_entries.h, named by VOR_FUZZ_ENTRY,
// and aborts with its description when the entry reports a fault.
#include <cstdio>
#include <cstdlib>

#include "fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string fault = vor::fuzz::VOR_FUZZ_ENTRY(data, size);
  if (!fault.empty()) {
    std::fprintf(stderr, "fault: %s\n", fault.c_str());
    std::abort();
  }
  return 0;
}
