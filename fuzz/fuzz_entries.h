// Entries of the fuzz targets: each runs one input through the engine.
//
// An entry returns an empty string when the engine answered the input with
// data or with one of its own errors, and otherwise a description of the
// fault its checks found (data that does not round-trip, a size reported
// wrongly, a failure reported as success). Crashes, undefined behaviour and
// unexpected exception types escape to the caller: the fuzz driver and the
// regression tests both treat them as faults.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vor::fuzz {

// Byte 0: compression type (0x80 | type: compress the rest with type, then
// decompress and compare). Bytes 1-4: the expected size. Rest: the block.
std::string UnpackEntry(const uint8_t* data, size_t size);
// Byte 0 picks a format identifier, byte 1 the call; the rest is the text.
std::string StringFormatEntry(const uint8_t* data, size_t size);
// 172 record bytes, then the password. A shorter input builds a record from
// its bytes and unlocks it.
std::string PasswordRecordEntry(const uint8_t* data, size_t size);
// Byte 0: flags (1 = two part files, 2 = force, 4 = in memory); with two
// parts bytes 1-4 give the first part's length. The rest is the volume.
std::string VolumeSearchEntry(const uint8_t* data, size_t size);
// Byte 0: flags (1 = recompute the header and page checksums first, so that
// changed bytes reach the structures behind them). The rest is a container
// file: opened read-only, listed, every file read through its file stream
// and through a handle, its structures checked and its tree exported.
std::string ContainerEntry(const uint8_t* data, size_t size);
// Byte 0: what to do after reading (0-3: read only; bit 2: writes too); the
// rest is the raw content of a stored file.
std::string BlockStreamEntry(const uint8_t* data, size_t size);

// The password the container entry opens containers with; the seed maker
// protects its enciphered seeds with it.
extern const char kContainerPassword[];
// The file name the volume and container entries give their first part.
extern const char kVolumeFileName[];

}  // namespace vor::fuzz
