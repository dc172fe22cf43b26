#include "codecs/codec_output.h"

#include <algorithm>

namespace vor {

CodecOutput::CodecOutput(int64_t initial, int32_t step, int32_t cap)
    : cap_(static_cast<uint64_t>(std::max<int32_t>(cap, 0))),
      step_(static_cast<uint32_t>(std::max<int32_t>(step, 1))),
      buffer_(static_cast<size_t>(std::clamp<int64_t>(initial, 0, static_cast<int64_t>(cap_)))) {}

void CodecOutput::NextRoom(uint64_t produced, uint8_t** next, uint32_t* avail) {
  if (produced < buffer_.size()) {
    *next = buffer_.data() + produced;
    *avail = static_cast<uint32_t>(buffer_.size() - produced);
    return;
  }
  if (produced < cap_) {
    // The buffer is full: grow it by one step (resize keeps the content).
    buffer_.resize(static_cast<size_t>(std::min<uint64_t>(produced + step_, cap_)));
    *next = buffer_.data() + produced;
    *avail = static_cast<uint32_t>(buffer_.size() - produced);
    return;
  }
  *next = &scratch_;
  *avail = 1;
}

std::vector<uint8_t> CodecOutput::Take(uint64_t produced) {
  buffer_.resize(static_cast<size_t>(std::min<uint64_t>(produced, buffer_.size())));
  return std::move(buffer_);
}

}  // namespace vor
