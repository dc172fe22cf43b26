// Entry points of the PPM codec (placeholder until the model lands).
#include "codecs/ppm.h"

namespace vor {

int32_t PPMCompress(const uint8_t*, int32_t, uint8_t*, int32_t, int32_t, int32_t) { return 0; }

int32_t PPMDecompress(const uint8_t*, int32_t, uint8_t*, int32_t) { return 0; }

}  // namespace vor
