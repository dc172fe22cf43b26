// Result codes of shell and COM calls.
//
// Shell and COM calls report a 32-bit result code: a code with the top bit
// set is a failure, every other code a success. On POSIX the counterparts of
// these calls report a failed system call as the code 0x8007xxxx carrying
// errno in its low 16 bits, the way Windows wraps its own error codes.
#pragma once

#include <cstdint>
#include <string>

namespace vor::platform {

constexpr int32_t kResultOk = 0;                                              // S_OK
constexpr int32_t kResultFalse = 1;                                           // S_FALSE
constexpr int32_t kResultNotImplemented = static_cast<int32_t>(0x80004001u);  // E_NOTIMPL
constexpr int32_t kResultFail = static_cast<int32_t>(0x80004005u);            // E_FAIL

inline bool ResultFailed(int32_t code) { return code < 0; }

// The code of a failed system call with error number error (0x8007xxxx).
inline int32_t ResultFromOsError(uint32_t error) {
  return static_cast<int32_t>(0x80070000u | (error & 0xFFFFu));
}

// The system's message text for a result code, without trailing line breaks.
std::string ResultMessage(int32_t code);

}  // namespace vor::platform
