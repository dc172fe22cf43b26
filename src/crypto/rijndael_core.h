// Rijndael block transformation and the container's key expansion.
//
// A schedule is 480 bytes: the encryption round keys in bytes 0..239 and
// the decryption round keys (the equivalent inverse cipher's, round keys
// 1 .. rounds-1 passed through InvMixColumns) in bytes 240..479. Words are
// stored with the first byte of a word at the lowest address and a block
// maps onto the state column by column, so the schedule can feed both the
// table-driven rounds and the processor's AES instructions unchanged.
//
// The key expansion equals the standard one for keys of up to 24 bytes;
// for longer keys (14 rounds) it chains all eight words before the
// SubWord step on word 4, which the standard does not (see ExpandKey).
#pragma once

#include <cstddef>
#include <cstdint>

namespace vor::rijndael {

constexpr int kBlockSize = 16;
constexpr int kMaxKeySize = 32;
constexpr int kScheduleSize = 480;
constexpr int kAreaSize = 240;

// Builds both schedule areas from `size` key bytes (clamped to 0..32; a
// shorter key is padded with zero bytes to 16, 24 or 32) and returns the
// round count: 10, 12 or 14. Unused words of each area are left zero.
int ExpandKey(const uint8_t* key, int size, uint8_t* schedule);

// One 16-byte block in place with the table-driven rounds.
void EncipherBlockTable(const uint8_t* schedule, int rounds, uint8_t* block);
void DecipherBlockTable(const uint8_t* schedule, int rounds, uint8_t* block);

// True when the processor offers the AES instructions.
bool HardwareAesAvailable();

// The same transformations with the AES instructions; callable only when
// HardwareAesAvailable(). `count` consecutive blocks are handled in place.
void EncipherBlocksHardware(const uint8_t* schedule, int rounds, uint8_t* blocks, size_t count);
void DecipherBlocksHardware(const uint8_t* schedule, int rounds, uint8_t* blocks, size_t count);

// Dispatching forms: the hardware path when present, else the tables.
void EncipherBlocks(const uint8_t* schedule, int rounds, uint8_t* blocks, size_t count);
void DecipherBlocks(const uint8_t* schedule, int rounds, uint8_t* blocks, size_t count);

}  // namespace vor::rijndael
