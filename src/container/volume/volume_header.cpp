#include "container/volume/volume_header.h"

#include <cstring>

#include "common/coding.h"

namespace vor {

namespace {

constexpr size_t kPartSizeOffset = 8;
constexpr size_t kNextPartNameOffset = 16;

}  // namespace

const char kVolumeSignature[] = "QZMVHFSS";
const char kContainerSignature[] = "QZCFRSGN";

void TCFRVolumeHeader::Init(int64_t part_size) {
  std::memset(bytes_, 0, kNextPartNameOffset);
  std::memset(bytes_ + kNextPartNameOffset, 0, kNextPartNameSize);
  std::memcpy(bytes_, kVolumeSignature, kVolumeSignatureSize);
  EncodeFixedI64(bytes_ + kPartSizeOffset, part_size);
}

bool TCFRVolumeHeader::HasSignature() const {
  return std::memcmp(bytes_, kVolumeSignature, kVolumeSignatureSize) == 0;
}

int64_t TCFRVolumeHeader::PartSize() const { return DecodeFixedI64(bytes_ + kPartSizeOffset); }

std::string TCFRVolumeHeader::NextPartName() const {
  const char* name = reinterpret_cast<const char*>(bytes_ + kNextPartNameOffset);
  const void* zero = std::memchr(name, 0, kNextPartNameSize);
  const size_t length = zero == nullptr
                            ? kNextPartNameSize
                            : static_cast<size_t>(static_cast<const char*>(zero) - name);
  return std::string(name, length);
}

bool TCFRVolumeHeader::SetNextPartName(const std::string& name) {
  if (name.size() > kMaxNextPartNameLength || name.find('\0') != std::string::npos) return false;
  std::memset(bytes_ + kNextPartNameOffset, 0, kNextPartNameSize);
  std::memcpy(bytes_ + kNextPartNameOffset, name.data(), name.size());
  return true;
}

}  // namespace vor
