// Helpers shared by the fuzz entries: a scratch folder for the process,
// whole-file writes and a raw stream over memory the caller keeps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "container/stream/stream.h"

namespace vor::fuzz {

// A folder of this process's own, made on first use and removed (with
// everything in it) when the process ends.
const std::string& ScratchFolder();
// ScratchFolder()/name.
std::string ScratchPath(const std::string& name);
// Creates or truncates path with size bytes of data; false on failure.
bool WriteWholeFile(const std::string& path, const uint8_t* data, size_t size);
// Removes every file in the scratch folder.
void ClearScratchFolder();

// A raw stream that hands every call to a memory stream the caller keeps, so
// that the bytes can be looked at after the stream that owned this is gone.
class ForwardingStream : public TStream {
 public:
  explicit ForwardingStream(TMemoryStream& target) : target_(target) {}
  int32_t Read(void* buffer, int32_t count) override { return target_.Read(buffer, count); }
  int32_t Write(const void* buffer, int32_t count) override { return target_.Write(buffer, count); }
  int64_t Seek(int64_t offset, uint16_t origin) override { return target_.Seek(offset, origin); }
  void SetSize(int64_t new_size) override { target_.SetSize(new_size); }
  int64_t Size() override { return target_.Size(); }

 private:
  TMemoryStream& target_;
};

}  // namespace vor::fuzz
