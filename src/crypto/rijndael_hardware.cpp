// Rijndael rounds on the processor's AES instructions.
//
// The round function of the container cipher is the standard one, so the
// instructions apply directly; only the key expansion is the container's
// own, and it is taken from the schedule built by ExpandKey. The
// decryption area already holds the equivalent inverse cipher's keys, the
// form the instructions expect. Compiled for the AES extension per
// function and entered only after a run-time check of the processor.

#include <cpuid.h>
#include <immintrin.h>

#include "crypto/rijndael_core.h"

namespace vor::rijndael {

// CPUID leaf 1 (processor features): ECX bit 25 is AES-NI, EDX bit 26
// SSE2. Asked directly rather than through the compiler's processor-model
// table, whose run-time code would come with it.
bool HardwareAesAvailable() {
  unsigned int eax = 0;
  unsigned int ebx = 0;
  unsigned int ecx = 0;
  unsigned int edx = 0;
  if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) return false;  // no leaf 1
  return (ecx & bit_AES) != 0 && (edx & bit_SSE2) != 0;
}

namespace {

#define VOR_AES_TARGET __attribute__((target("aes,sse2")))

VOR_AES_TARGET inline __m128i LoadKey(const uint8_t* area, int round) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(area + 16 * round));
}

}  // namespace

VOR_AES_TARGET void EncipherBlocksHardware(const uint8_t* schedule, int rounds, uint8_t* blocks,
                                           size_t count) {
  __m128i keys[15];
  for (int r = 0; r <= rounds; ++r) keys[r] = LoadKey(schedule, r);
  for (size_t i = 0; i < count; ++i) {
    __m128i* p = reinterpret_cast<__m128i*>(blocks + 16 * i);
    __m128i s = _mm_xor_si128(_mm_loadu_si128(p), keys[0]);
    for (int r = 1; r < rounds; ++r) s = _mm_aesenc_si128(s, keys[r]);
    _mm_storeu_si128(p, _mm_aesenclast_si128(s, keys[rounds]));
  }
}

VOR_AES_TARGET void DecipherBlocksHardware(const uint8_t* schedule, int rounds, uint8_t* blocks,
                                           size_t count) {
  const uint8_t* area = schedule + kAreaSize;
  __m128i keys[15];
  for (int r = 0; r <= rounds; ++r) keys[r] = LoadKey(area, r);
  size_t i = 0;
  // Four independent blocks at a time keep the instruction pipeline full.
  for (; i + 4 <= count; i += 4) {
    __m128i* p = reinterpret_cast<__m128i*>(blocks + 16 * i);
    __m128i s0 = _mm_xor_si128(_mm_loadu_si128(p), keys[rounds]);
    __m128i s1 = _mm_xor_si128(_mm_loadu_si128(p + 1), keys[rounds]);
    __m128i s2 = _mm_xor_si128(_mm_loadu_si128(p + 2), keys[rounds]);
    __m128i s3 = _mm_xor_si128(_mm_loadu_si128(p + 3), keys[rounds]);
    for (int r = rounds - 1; r > 0; --r) {
      s0 = _mm_aesdec_si128(s0, keys[r]);
      s1 = _mm_aesdec_si128(s1, keys[r]);
      s2 = _mm_aesdec_si128(s2, keys[r]);
      s3 = _mm_aesdec_si128(s3, keys[r]);
    }
    _mm_storeu_si128(p, _mm_aesdeclast_si128(s0, keys[0]));
    _mm_storeu_si128(p + 1, _mm_aesdeclast_si128(s1, keys[0]));
    _mm_storeu_si128(p + 2, _mm_aesdeclast_si128(s2, keys[0]));
    _mm_storeu_si128(p + 3, _mm_aesdeclast_si128(s3, keys[0]));
  }
  for (; i < count; ++i) {
    __m128i* p = reinterpret_cast<__m128i*>(blocks + 16 * i);
    __m128i s = _mm_xor_si128(_mm_loadu_si128(p), keys[rounds]);
    for (int r = rounds - 1; r > 0; --r) s = _mm_aesdec_si128(s, keys[r]);
    _mm_storeu_si128(p, _mm_aesdeclast_si128(s, keys[0]));
  }
}

#undef VOR_AES_TARGET

}  // namespace vor::rijndael
