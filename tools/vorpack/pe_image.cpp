// PE headers: parsing, storing and the checksum.
#include "pe_image.h"

#include <algorithm>
#include <cstring>

#include "common/coding.h"
#include "common/pe_checksum.h"

namespace vor::vorpack {

namespace {

constexpr size_t kPeOffsetField = 0x3C;
constexpr size_t kFileHeaderSize = 20;
constexpr size_t kSectionHeaderSize = 40;
constexpr uint16_t kMagicPe32 = 0x10B;
constexpr uint16_t kMagicPe32Plus = 0x20B;
constexpr uint32_t kInitializedData = 0x40;
// Offsets inside the optional header.
constexpr size_t kSizeOfInitializedData = 8;
constexpr size_t kSectionAlignment = 32;
constexpr size_t kFileAlignment = 36;
constexpr size_t kSizeOfImage = 56;
constexpr size_t kSizeOfHeaders = 60;
constexpr size_t kCheckSum = 64;
constexpr size_t kDirectoryCount32 = 92;
constexpr size_t kDirectoryCount64 = 108;
constexpr uint32_t kMaxDirectories = 16;

const uint8_t* At(const std::string& bytes, size_t offset) {
  return reinterpret_cast<const uint8_t*>(bytes.data()) + offset;
}
uint8_t* At(std::string* bytes, size_t offset) {
  return reinterpret_cast<uint8_t*>(&(*bytes)[0]) + offset;
}

bool PowerOfTwo(uint32_t v) { return v != 0 && (v & (v - 1)) == 0; }

uint32_t InitializedBytes(const std::vector<PeSection>& sections) {
  uint32_t sum = 0;
  for (const PeSection& s : sections) {
    if ((s.characteristics & kInitializedData) != 0) sum += s.raw_size;
  }
  return sum;
}

}  // namespace

uint32_t AlignUp(uint32_t value, uint32_t alignment) {
  return (value + alignment - 1) & ~(alignment - 1);
}

std::string PeImage::Parse(const std::string& bytes, PeImage* image) {
  if (bytes.size() < kPeOffsetField + 4 || bytes.compare(0, 2, "MZ") != 0) {
    return "no MZ header";
  }
  const uint64_t pe = DecodeFixed32(At(bytes, kPeOffsetField));
  if (pe + 4 + kFileHeaderSize > bytes.size() || std::memcmp(At(bytes, pe), "PE\0\0", 4) != 0) {
    return "no PE header";
  }
  const size_t file_header = static_cast<size_t>(pe) + 4;
  const uint16_t section_count = DecodeFixed16(At(bytes, file_header + 2));
  const uint16_t optional_size = DecodeFixed16(At(bytes, file_header + 16));
  PeImage out;
  out.optional_offset_ = file_header + kFileHeaderSize;
  if (optional_size < kDirectoryCount32 + 4 ||
      out.optional_offset_ + optional_size > bytes.size()) {
    return "the optional header is missing or cut short";
  }
  const uint16_t magic = DecodeFixed16(At(bytes, out.optional_offset_));
  if (magic != kMagicPe32 && magic != kMagicPe32Plus) return "an unknown optional header";
  out.pe32_plus_ = magic == kMagicPe32Plus;
  const size_t count_field = out.pe32_plus_ ? kDirectoryCount64 : kDirectoryCount32;
  if (optional_size < count_field + 4) return "the optional header is cut short";
  const uint8_t* optional = At(bytes, out.optional_offset_);
  out.size_of_initialized_data_ = DecodeFixed32(optional + kSizeOfInitializedData);
  out.section_alignment_ = DecodeFixed32(optional + kSectionAlignment);
  out.file_alignment_ = DecodeFixed32(optional + kFileAlignment);
  out.size_of_image_ = DecodeFixed32(optional + kSizeOfImage);
  out.size_of_headers_ = DecodeFixed32(optional + kSizeOfHeaders);
  out.checksum_ = DecodeFixed32(optional + kCheckSum);
  if (!PowerOfTwo(out.section_alignment_) || !PowerOfTwo(out.file_alignment_) ||
      out.file_alignment_ > out.section_alignment_) {
    return "its section or file alignment is not a power of two";
  }
  const uint32_t directory_count = DecodeFixed32(optional + count_field);
  if (directory_count > kMaxDirectories || count_field + 4 + directory_count * 8 > optional_size) {
    return "its data directories do not fit the optional header";
  }
  for (uint32_t i = 0; i < directory_count; ++i) {
    const uint8_t* d = optional + count_field + 4 + i * 8;
    out.directories_.push_back({DecodeFixed32(d), DecodeFixed32(d + 4)});
  }
  out.section_table_ = out.optional_offset_ + optional_size;
  if (out.section_table_ + size_t{section_count} * kSectionHeaderSize > bytes.size()) {
    return "the section table runs past the end of the file";
  }
  for (uint16_t i = 0; i < section_count; ++i) {
    const uint8_t* h = At(bytes, out.section_table_ + size_t{i} * kSectionHeaderSize);
    PeSection s;
    s.name.assign(reinterpret_cast<const char*>(h), strnlen(reinterpret_cast<const char*>(h), 8));
    s.virtual_size = DecodeFixed32(h + 8);
    s.virtual_address = DecodeFixed32(h + 12);
    s.raw_size = DecodeFixed32(h + 16);
    s.raw_offset = DecodeFixed32(h + 20);
    s.characteristics = DecodeFixed32(h + 36);
    if (uint64_t{s.raw_offset} + s.raw_size > bytes.size()) {
      return "section " + s.name + " runs past the end of the file";
    }
    out.sections_.push_back(s);
  }
  *image = out;
  return std::string();
}

PeDirectory PeImage::Directory(int slot) const {
  if (slot < 0 || static_cast<size_t>(slot) >= directories_.size()) return PeDirectory();
  return directories_[static_cast<size_t>(slot)];
}

void PeImage::SetDirectory(int slot, PeDirectory directory) {
  if (slot >= 0 && static_cast<size_t>(slot) < directories_.size()) {
    directories_[static_cast<size_t>(slot)] = directory;
  }
}

int PeImage::SectionAt(uint32_t rva) const {
  for (size_t i = 0; i < sections_.size(); ++i) {
    const PeSection& s = sections_[i];
    const uint32_t span = s.virtual_size != 0 ? s.virtual_size : s.raw_size;
    if (rva >= s.virtual_address && rva - s.virtual_address < span) return static_cast<int>(i);
  }
  return -1;
}

void PeImage::Store(std::string* bytes) const {
  PeImage old;
  Parse(*bytes, &old);
  uint8_t* optional = At(bytes, optional_offset_);
  EncodeFixed32(
      optional + kSizeOfInitializedData,
      size_of_initialized_data_ - InitializedBytes(old.sections_) + InitializedBytes(sections_));
  EncodeFixed32(optional + kSizeOfImage, size_of_image_);
  const size_t count_field = pe32_plus_ ? kDirectoryCount64 : kDirectoryCount32;
  for (size_t i = 0; i < directories_.size(); ++i) {
    uint8_t* d = optional + count_field + 4 + i * 8;
    EncodeFixed32(d, directories_[i].address);
    EncodeFixed32(d + 4, directories_[i].size);
  }
  for (size_t i = 0; i < sections_.size(); ++i) {
    uint8_t* h = At(bytes, section_table_ + i * kSectionHeaderSize);
    const PeSection& s = sections_[i];
    std::memset(h, 0, 8);
    std::memcpy(h, s.name.data(), std::min<size_t>(s.name.size(), 8));
    EncodeFixed32(h + 8, s.virtual_size);
    EncodeFixed32(h + 12, s.virtual_address);
    EncodeFixed32(h + 16, s.raw_size);
    EncodeFixed32(h + 20, s.raw_offset);
    EncodeFixed32(h + 36, s.characteristics);
  }
  const auto* data = reinterpret_cast<const uint8_t*>(bytes->data());
  EncodeFixed32(optional + kCheckSum,
                PeChecksum(data, bytes->size(), optional_offset_ + kCheckSum));
}

}  // namespace vor::vorpack
