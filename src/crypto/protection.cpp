// TProtection: chain links, the pass operations and the seed helpers.

#include "crypto/protection.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "crypto/protection_stream.h"
#include "crypto/string_format.h"
#include "platform/time.h"

namespace vor {

namespace {

constexpr int32_t kPassBufferSize = 4096;

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

// Blank after trimming: no character above the space.
bool IsBlank(const std::string& s) {
  return std::all_of(s.begin(), s.end(),
                     [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

}  // namespace

TProtection::TProtection(std::shared_ptr<TProtection> protection) {
  SetProtection(std::move(protection));
}

TProtection::~TProtection() = default;

void TProtection::SetProtection(std::shared_ptr<TProtection> protection) {
  if (protection == protection_) return;
  for (const TProtection* p = protection.get(); p != nullptr; p = p->protection_.get()) {
    if (p == this) throw EProtection("Circular Protection detected, Protection Object is invalid.");
  }
  protection_ = std::move(protection);
}

void TProtection::StartPass(ProtectionAction action) {
  if (protection_) protection_->StartPass(action);
}

void TProtection::FinishPass(ProtectionAction action) {
  if (protection_) protection_->FinishPass(action);
}

void TProtection::ProcessChunk(void* buffer, int32_t size, ProtectionAction action) {
  if (protection_) protection_->ProcessChunk(buffer, size, action);
}

int32_t TProtection::ProcessBuffer(void* buffer, int32_t size, ProtectionAction action) {
  StartPass(action);
  try {
    ProcessChunk(buffer, size, action);
  } catch (...) {
    FinishPass(action);
    throw;
  }
  FinishPass(action);
  return size;
}

void TProtection::ProcessStream(ByteStream* source, ByteStream* destination, int32_t count,
                                ProtectionAction action) {
  if (source == nullptr) return;
  if (destination == nullptr) destination = source;
  // The whole size is taken at its full width so that a source above 2 GiB
  // is processed completely.
  int64_t remaining = count;
  if (count < 0) {
    remaining = source->Size();
    source->Seek(0, platform::kSeekBegin);
  }
  StartPass(action);
  std::vector<uint8_t> buffer(kPassBufferSize, 0);
  try {
    int64_t destination_position = destination->Position();
    int64_t source_position = source->Position();
    while (remaining > 0) {
      const int32_t want = static_cast<int32_t>(std::min<int64_t>(remaining, kPassBufferSize));
      if (action != ActCalculate) source->Seek(source_position, platform::kSeekBegin);
      const int32_t got = source->Read(buffer.data(), want);
      if (got <= 0) break;
      if (action != ActCalculate) source_position = source->Position();
      ProcessChunk(buffer.data(), got, action);
      if (action != ActCalculate) {
        // Separate positions let source and destination be one stream.
        destination->Seek(destination_position, platform::kSeekBegin);
        destination->Write(buffer.data(), got);
        destination_position = destination->Position();
      }
      remaining -= got;
    }
  } catch (...) {
    std::fill(buffer.begin(), buffer.end(), 0);
    FinishPass(action);
    throw;
  }
  std::fill(buffer.begin(), buffer.end(), 0);
  FinishPass(action);
}

void TProtection::ProcessFile(const std::string& source_name, const std::string& destination_name,
                              ProtectionAction action) {
  const bool separate =
      !EqualIgnoringCase(source_name, destination_name) && !IsBlank(destination_name);
  std::unique_ptr<FileByteStream> source;
  std::unique_ptr<FileByteStream> destination;
  if (action == ActCalculate) {
    // Calculating only reads, in place or not.
    source = FileByteStream::Open(source_name, FileByteStream::Mode::kReadShared);
  } else if (separate) {
    source = FileByteStream::Open(source_name, FileByteStream::Mode::kReadShared);
    destination = FileByteStream::Open(destination_name, FileByteStream::Mode::kCreate);
  } else {
    source = FileByteStream::Open(source_name, FileByteStream::Mode::kReadWrite);
  }
  ProcessStream(source.get(), destination.get(), -1, action);
  if (destination) destination->Truncate();
}

std::string TProtection::ProcessString(const std::string& text, ProtectionAction action,
                                       int32_t format_id) {
  if (text.empty()) return std::string();
  MemoryByteStream stream(action == ActDecipher ? ParseFromFormat(text, format_id) : text);
  ProcessStream(&stream, nullptr, -1, action);
  if (action == ActDecipher) return stream.Data();
  return RenderInFormat(stream.Data(), format_id);
}

void ScrambleWithSeed(uint32_t seed, void* buffer, int32_t size) {
  if (buffer == nullptr) return;
  uint8_t* p = static_cast<uint8_t*>(buffer);
  uint32_t state = seed;
  for (int32_t i = 0; i < size; ++i) {
    state ^= p[i];
    state = state * 134775813u + 1u;
    p[i] = static_cast<uint8_t>(state >> 24);
  }
}

uint32_t TimeSeed() {
  const platform::SystemTime now = platform::GetSystemTimeUtc();
  const uint32_t ms =
      ((static_cast<uint32_t>(now.hour) * 60 + now.minute) * 60 + now.second) * 1000 +
      now.milliseconds;
  const uint64_t counter = static_cast<uint64_t>(platform::QueryPerformanceCounter());
  return ms ^ static_cast<uint32_t>(counter) ^ static_cast<uint32_t>(counter >> 32);
}

}  // namespace vor
