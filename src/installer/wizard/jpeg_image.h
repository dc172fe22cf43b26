// Decoding of JPEG pictures (the side panel's picture) with libjpeg.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vor {

// A decoded picture: rows top to bottom, three bytes per pixel (red, green,
// blue), no padding between rows.
struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;
};

// Decodes a complete JPEG file held in memory. Raises EVorError with
// "JPEG error: " followed by libjpeg's message when the data is not a
// picture libjpeg can decode to RGB.
RgbImage DecodeJpeg(const uint8_t* data, size_t size);

}  // namespace vor
