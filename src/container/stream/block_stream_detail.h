// Internal helpers shared by the reading (block_stream.cpp) and the writing
// (block_stream_write.cpp) halves of TCFRAdvancedFileStream.
#pragma once

namespace vor::block_stream_detail {

// Sets a flag for its lifetime and puts the old value back.
class BusyScope {
 public:
  explicit BusyScope(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }
  ~BusyScope() { flag_ = old_; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  bool& flag_;
  bool old_;
};

}  // namespace vor::block_stream_detail
