// Whole files in and out of a container, for tests that store content and
// read it back through the file stream.
#pragma once

#include <cstdint>
#include <string>

#include "container/coffer.h"

namespace vor::testing {

// Creates (or replaces) the file path of coffer with content, its blocks
// packed with the given compression type.
void StoreFile(TCoffer& coffer, const std::string& path, const std::string& content,
               uint8_t compression);

// The whole uncompressed content of the file path of coffer, opened
// read-only.
std::string LoadFile(TCoffer& coffer, const std::string& path);

}  // namespace vor::testing
