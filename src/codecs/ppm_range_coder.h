// Carry-less range coder of the PPM codec.
//
// Registers are unsigned 32-bit with wrap-around arithmetic. An event is the
// interval [low_count, high_count) out of a scale (or out of 2^14 for binary
// contexts). Normalisation shifts out the top byte of Low while it is settled,
// and when Range falls below 2^15 without the top byte settling, cuts Range
// to the rest of the current 2^15 block so that no carry can ever arise.
#pragma once

#include <cstdint>

namespace vor {

constexpr uint32_t kPpmRangeTop = 1u << 24;
constexpr uint32_t kPpmRangeBottom = 1u << 15;

// Writes into a caller's buffer of fixed capacity; a byte that would not fit
// sets overflowed() and is dropped.
class PpmRangeEncoder {
 public:
  PpmRangeEncoder(uint8_t* out, uint32_t capacity) : out_(out), capacity_(capacity) {}

  void Encode(uint32_t low_count, uint32_t high_count, uint32_t scale) {
    range_ /= scale;
    if (range_ == 0) failed_ = true;
    low_ += range_ * low_count;
    range_ *= high_count - low_count;
  }
  void EncodeBinary(uint32_t low_count, uint32_t high_count) {
    range_ >>= 14;
    low_ += range_ * low_count;
    range_ *= high_count - low_count;
  }

  void Normalize() {
    for (;;) {
      if ((low_ ^ (low_ + range_)) >= kPpmRangeTop) {
        if (range_ >= kPpmRangeBottom) return;
        range_ = (0u - low_) & (kPpmRangeBottom - 1);
      }
      Put(static_cast<uint8_t>(low_ >> 24));
      range_ <<= 8;
      low_ <<= 8;
    }
  }

  // Writes the four bytes of Low, high byte first.
  void Flush() {
    for (int i = 0; i < 4; ++i) {
      Put(static_cast<uint8_t>(low_ >> 24));
      low_ <<= 8;
    }
  }

  uint32_t written() const { return pos_; }
  // True when the output did not fit or an interval collapsed; the stream
  // is then unusable.
  bool failed() const { return failed_; }

 private:
  void Put(uint8_t b) {
    if (pos_ < capacity_) {
      out_[pos_++] = b;
    } else {
      failed_ = true;
    }
  }

  uint8_t* out_;
  uint32_t capacity_;
  uint32_t pos_ = 0;
  uint32_t low_ = 0;
  uint32_t range_ = 0xFFFFFFFFu;
  bool failed_ = false;
};

// Reads from a caller's buffer; past its end every byte fetched sets Code to
// all ones.
class PpmRangeDecoder {
 public:
  PpmRangeDecoder(const uint8_t* in, uint32_t size) : in_(in), size_(size) {
    for (int i = 0; i < 4; ++i) Fetch();
  }

  // Divides Range by the scale and returns the count of Code in it. A scale
  // larger than Range cannot come from a sound model; it marks the decoder
  // failed and keeps Range non-zero so that normalisation still ends.
  uint32_t GetCount(uint32_t scale) {
    range_ /= scale;
    if (range_ == 0) {
      failed_ = true;
      range_ = 1;
    }
    return (code_ - low_) / range_;
  }
  uint32_t GetBinaryCount() {
    range_ >>= 14;
    return (code_ - low_) / range_;
  }
  // Takes the interval [low_count, high_count) after GetCount.
  void Decode(uint32_t low_count, uint32_t high_count) {
    low_ += range_ * low_count;
    range_ *= high_count - low_count;
  }

  void Normalize() {
    for (;;) {
      if ((low_ ^ (low_ + range_)) >= kPpmRangeTop) {
        if (range_ >= kPpmRangeBottom) return;
        range_ = (0u - low_) & (kPpmRangeBottom - 1);
      }
      Fetch();
      range_ <<= 8;
      low_ <<= 8;
    }
  }

  bool failed() const { return failed_; }

 private:
  void Fetch() {
    if (pos_ < size_) {
      code_ = (code_ << 8) | in_[pos_++];
    } else {
      code_ = 0xFFFFFFFFu;
    }
  }

  const uint8_t* in_;
  uint32_t size_;
  uint32_t pos_ = 0;
  uint32_t low_ = 0;
  uint32_t range_ = 0xFFFFFFFFu;
  uint32_t code_ = 0;
  bool failed_ = false;
};

}  // namespace vor
