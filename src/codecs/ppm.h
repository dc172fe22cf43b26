// The PPM codec: prediction by partial matching with a range coder, used by
// compression types 3, 4 and 6. One call codes one whole block; every call
// builds its model from nothing in its own storage, so calls on different
// threads do not interfere.
#pragma once

#include <cstdint>

namespace vor {

// Compresses in[0..in_size) into out (out_capacity bytes), with a model heap
// of memory_mb MiB and the given maximum order. Returns the bytes written,
// header included, or 0 when the model memory cannot be had or the output
// would not fit in out_capacity.
int32_t PPMCompress(const uint8_t* in, int32_t in_size, uint8_t* out, int32_t out_capacity,
                    int32_t memory_mb, int32_t max_order);

// Decodes the stream in[0..in_size) into out, which holds out_capacity bytes
// (the expected size). Returns the bytes decoded, or 0 when the stream is not
// a valid stream, the model memory cannot be had, or the output would run
// past out_capacity.
int32_t PPMDecompress(const uint8_t* in, int32_t in_size, uint8_t* out, int32_t out_capacity);

}  // namespace vor
