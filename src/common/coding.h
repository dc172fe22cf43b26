// Little-endian encoding of fixed-width integers.
//
// Every integer the system stores on disk (volume, container and page
// headers, file records, maps, block headers, password records) is
// little-endian and goes through these helpers, byte by byte, so that the
// format does not depend on the host's byte order or struct layout.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

namespace vor {

inline void EncodeFixed16(uint8_t* dst, uint16_t v) {
  dst[0] = static_cast<uint8_t>(v);
  dst[1] = static_cast<uint8_t>(v >> 8);
}

inline void EncodeFixed32(uint8_t* dst, uint32_t v) {
  dst[0] = static_cast<uint8_t>(v);
  dst[1] = static_cast<uint8_t>(v >> 8);
  dst[2] = static_cast<uint8_t>(v >> 16);
  dst[3] = static_cast<uint8_t>(v >> 24);
}

inline void EncodeFixed64(uint8_t* dst, uint64_t v) {
  EncodeFixed32(dst, static_cast<uint32_t>(v));
  EncodeFixed32(dst + 4, static_cast<uint32_t>(v >> 32));
}

inline uint16_t DecodeFixed16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t DecodeFixed32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline uint64_t DecodeFixed64(const uint8_t* p) {
  return static_cast<uint64_t>(DecodeFixed32(p)) |
         (static_cast<uint64_t>(DecodeFixed32(p + 4)) << 32);
}

// Signed views of the same encodings (two's complement on disk).
inline void EncodeFixedI32(uint8_t* dst, int32_t v) {
  EncodeFixed32(dst, static_cast<uint32_t>(v));
}
inline void EncodeFixedI64(uint8_t* dst, int64_t v) {
  EncodeFixed64(dst, static_cast<uint64_t>(v));
}
inline int32_t DecodeFixedI32(const uint8_t* p) { return static_cast<int32_t>(DecodeFixed32(p)); }
inline int64_t DecodeFixedI64(const uint8_t* p) { return static_cast<int64_t>(DecodeFixed64(p)); }

// Appending forms, for building records in a std::string.
inline void PutFixed16(std::string* dst, uint16_t v) {
  uint8_t buf[2];
  EncodeFixed16(buf, v);
  dst->append(reinterpret_cast<const char*>(buf), 2);
}
inline void PutFixed32(std::string* dst, uint32_t v) {
  uint8_t buf[4];
  EncodeFixed32(buf, v);
  dst->append(reinterpret_cast<const char*>(buf), 4);
}
inline void PutFixed64(std::string* dst, uint64_t v) {
  uint8_t buf[8];
  EncodeFixed64(buf, v);
  dst->append(reinterpret_cast<const char*>(buf), 8);
}

}  // namespace vor
