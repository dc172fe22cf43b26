// Where a seek lands.
//
// Every stream of the engine takes the same three origins: 0 counts the
// offset from the beginning, 1 from the current position, 2 from the end.
// ResolveSeek does that sum once for all of them; what a stream then does
// with an unknown origin or a result before the beginning (keep, clamp or
// raise, with its own message) stays with the stream.
#pragma once

#include <cstdint>
#include <optional>

namespace vor {

// The position offset bytes from origin, for a stream at position whose
// content is size bytes long; nothing for an origin other than 0, 1 or 2.
// The sum wraps as 64-bit unsigned arithmetic does instead of overflowing,
// so a hostile offset gives a (negative or far) position, never undefined
// behaviour. The result may be negative: callers check it.
inline std::optional<int64_t> ResolveSeek(int64_t origin, int64_t offset, int64_t position,
                                          int64_t size) {
  int64_t base;
  switch (origin) {
    case 0:
      base = 0;
      break;
    case 1:
      base = position;
      break;
    case 2:
      base = size;
      break;
    default:
      return std::nullopt;
  }
  return static_cast<int64_t>(static_cast<uint64_t>(base) + static_cast<uint64_t>(offset));
}

}  // namespace vor
