// Making a new, empty container with a chosen page size.
//
// Page sizes run from the engine's smallest (600 bytes) to 65,536 and are a
// multiple of 4: the page checksum adds up the data as 32-bit words and
// leaves the last PageSize mod 4 bytes out, so a page size that is no
// multiple of 4 would store bytes that no checksum guards.
#pragma once

#include <cstdint>
#include <string>

namespace vor::coffer {

// The page size of a container when none is chosen.
constexpr int32_t kDefaultPageSize = 4096;
// The largest page size the tools make containers with.
constexpr int32_t kLargestPageSize = 65536;
// Pages per extent of every container the tools make.
constexpr int32_t kToolExtentPageCount = 8;

// Empty when page_size can be used, else why not.
std::string PageSizeProblem(int64_t page_size);

// The page size written as text (decimal bytes) for the option named option;
// raises ECofferError with kExitUsage when it is not a number or not usable.
int32_t ParsePageSize(const std::string& option, const std::string& text);

// Makes the empty container path with page_size and default compression
// (and a password record when password is not empty). Raises as the engine
// does; a refused page size raises ECofferError with kExitUsage before
// anything is written. The caller removes path when this raises.
void MakeEmptyContainer(const std::string& path, const std::string& password,
                        const std::string& question, const std::string& answer, uint8_t compression,
                        int32_t page_size);

}  // namespace vor::coffer
