// IHandleFiles: the handle-level file calls the streams of this layer work
// on.
//
// The container facade (TCoffer) implements it; the streams hold a pointer
// to it and never see the facade itself, so this layer depends only on the
// page store below it. Results and codes are those of TCoffer's calls of the
// same names (coffer.h): a handle number or a negative code from FileOpen,
// short counts with the code in LastError from FileRead and FileWrite.
#pragma once

#include <cstdint>
#include <string>

#include "common/error.h"

namespace vor {

class IHandleFiles {
 public:
  virtual ~IHandleFiles() = default;

  virtual int32_t FileOpen(const std::string& file_name, uint16_t mode, const std::string& password,
                           const std::string& question, const std::string& answer) = 0;
  virtual void FileClose(int32_t handle) = 0;
  virtual int32_t FileRead(int32_t handle, void* buffer, int32_t count) = 0;
  virtual int32_t FileWrite(int32_t handle, const void* buffer, int32_t count) = 0;
  virtual int64_t FileSeek(int32_t handle, int32_t origin, int64_t offset) = 0;
  virtual int64_t FileSetSize(int32_t handle, int64_t new_size) = 0;
  // The compression type a new stored file takes when none is given.
  virtual uint8_t DefaultCompression() const = 0;
  virtual int32_t LastError() const = 0;
  // The kind of LastError's code (kGeneral when it is 0).
  virtual ErrorKind LastErrorKind() const = 0;
  // Why the last FileOpen that returned a negative code failed.
  virtual ErrorKind OpenFailureKind() const = 0;
};

}  // namespace vor
