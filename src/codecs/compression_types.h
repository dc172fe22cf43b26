// The table of compression types behind compression.h, shared by the
// decoding entry points (compression.cpp) and the encoding one
// (compression_encode.cpp), which are separate so that a program that only
// reads links no encoder.
#pragma once

#include <cstdint>

#include "codecs/compression.h"

namespace vor::compression_detail {

enum class Family { kStore, kDeflate, kPpm, kBzip2 };

struct TypeInfo {
  Family family;
  int32_t parameter;  // deflate level, bzip2 block size parameter, PPM model MiB
  int32_t max_order;  // PPM only
  int32_t block_size;
};

constexpr int32_t kRefusedBlockSize = 1048576;

inline constexpr TypeInfo kTypes[kLastCompressionType + 1] = {
    {Family::kStore, 0, 0, 1048576},    // 0
    {Family::kDeflate, 1, 0, 524288},   // 1
    {Family::kDeflate, 5, 0, 1048576},  // 2
    {Family::kPpm, 25, 5, 1048576},     // 3
    {Family::kPpm, 50, 13, 1572864},    // 4
    {Family::kDeflate, 9, 0, 1572864},  // 5
    {Family::kPpm, 10, 3, 524288},      // 6
    {Family::kBzip2, 2, 0, 524288},     // 7
    {Family::kBzip2, 6, 0, 1048576},    // 8
    {Family::kBzip2, 9, 0, 1572864},    // 9
};

}  // namespace vor::compression_detail
