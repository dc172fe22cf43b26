// CodecOutput: the output buffer of one streaming codec call.
//
// The buffer starts at an initial size, grows by a fixed step whenever the
// codec has filled it, and never grows past a cap. Once the cap is reached
// the codec is offered a single scratch byte instead: a stream that really
// ends at the cap finishes without writing it, one that would run past the
// cap writes it, which OverCap() then reports. So the caller learns of an
// oversized stream without ever holding more than the cap.
#pragma once

#include <cstdint>
#include <vector>

namespace vor {

class CodecOutput {
 public:
  // initial: starting size (clamped to 0..cap); step: growth in bytes (at
  // least 1); cap: the most bytes the output may hold.
  CodecOutput(int64_t initial, int32_t step, int32_t cap);

  CodecOutput(const CodecOutput&) = delete;
  CodecOutput& operator=(const CodecOutput&) = delete;

  // Output room for the next codec call once `produced` bytes have been
  // written: the rest of the buffer if any is left, else a grown buffer,
  // else (at the cap) the scratch byte. May throw std::bad_alloc.
  void NextRoom(uint64_t produced, uint8_t** next, uint32_t* avail);

  // True when the codec has produced more than the cap allows.
  bool OverCap(uint64_t produced) const { return produced > cap_; }

  // Hands out the buffer cut to `produced` bytes (at most the cap).
  std::vector<uint8_t> Take(uint64_t produced);

 private:
  const uint64_t cap_;
  const uint32_t step_;
  std::vector<uint8_t> buffer_;
  uint8_t scratch_ = 0;
};

}  // namespace vor
