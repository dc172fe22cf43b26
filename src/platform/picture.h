// Decoding of pictures held in memory (the installer window's side panel).
//
// On Windows the system's picture loader decodes them, so the program
// carries no decoder of its own; elsewhere libjpeg does. Both give the same
// pixels layout and raise the same error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vor::platform {

// A decoded picture: rows top to bottom, three bytes per pixel (red, green,
// blue), no padding between rows.
struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;
};

// Decodes a complete JPEG file held in memory. Raises EVorError of kind
// kDamaged with "JPEG error: " followed by the decoder's message when the
// data is not a picture it can decode.
RgbImage DecodePicture(const uint8_t* data, size_t size);

}  // namespace vor::platform
