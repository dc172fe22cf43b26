// The headers of a Windows program (PE) file that the resource writer
// changes: the optional header's sizes, data directories and checksum, and
// the section table. Every field is read and written through the
// little-endian helpers of common/coding.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vor::vorpack {

// Data directory slots used here.
constexpr int kDirectoryResource = 2;
constexpr int kDirectorySecurity = 4;
constexpr int kDirectoryBaseRelocation = 5;

struct PeSection {
  std::string name;  // up to 8 characters
  uint32_t virtual_size = 0;
  uint32_t virtual_address = 0;
  uint32_t raw_size = 0;
  uint32_t raw_offset = 0;
  uint32_t characteristics = 0;
};

struct PeDirectory {
  uint32_t address = 0;  // an RVA, or a file offset for the security directory
  uint32_t size = 0;
};

// A parsed PE file. Parse checks that the headers and the section table lie
// inside the bytes and that the sections lie inside the file.
class PeImage {
 public:
  // "" when bytes hold a PE file whose headers can be rewritten, else why not.
  static std::string Parse(const std::string& bytes, PeImage* image);

  bool Pe32Plus() const { return pe32_plus_; }
  uint32_t SectionAlignment() const { return section_alignment_; }
  uint32_t FileAlignment() const { return file_alignment_; }
  uint32_t SizeOfImage() const { return size_of_image_; }
  uint32_t SizeOfHeaders() const { return size_of_headers_; }
  uint32_t CheckSum() const { return checksum_; }
  const std::vector<PeSection>& Sections() const { return sections_; }
  std::vector<PeSection>& Sections() { return sections_; }
  // The directory in slot (zero when the header has fewer slots).
  PeDirectory Directory(int slot) const;
  void SetDirectory(int slot, PeDirectory directory);
  void SetSizeOfImage(uint32_t size) { size_of_image_ = size; }
  // The index of the section holding rva, or -1.
  int SectionAt(uint32_t rva) const;

  // Writes the headers kept here (sizes, directories, sections) into bytes,
  // which must hold the same headers Parse read, and then the checksum of
  // the whole of bytes.
  void Store(std::string* bytes) const;

 private:
  bool pe32_plus_ = false;
  size_t optional_offset_ = 0;
  size_t section_table_ = 0;
  uint32_t section_alignment_ = 0;
  uint32_t file_alignment_ = 0;
  uint32_t size_of_image_ = 0;
  uint32_t size_of_headers_ = 0;
  uint32_t size_of_initialized_data_ = 0;
  uint32_t checksum_ = 0;
  std::vector<PeDirectory> directories_;
  std::vector<PeSection> sections_;
};

// Rounds value up to a multiple of alignment (a power of two).
uint32_t AlignUp(uint32_t value, uint32_t alignment);

}  // namespace vor::vorpack
