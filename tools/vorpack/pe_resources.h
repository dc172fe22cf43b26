// The resource section of a Windows program: its tree of types, names and
// languages read into memory, changed, and laid out anew; and the rewrite
// of a program whose resource section grows or shrinks.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace vor::vorpack {

// Resource types used here.
constexpr uint32_t kResourceIcon = 3;
constexpr uint32_t kResourceGroupIcon = 14;
constexpr uint32_t kResourceVersion = 16;
constexpr uint32_t kResourceManifest = 24;
// English (United States), the language the installer program's own
// resources carry.
constexpr uint16_t kLanguageEnglishUs = 0x409;

// A type or a name: a number, or a string (UTF-16 code units) when named.
struct ResourceKey {
  uint32_t id = 0;
  std::u16string name;

  static ResourceKey Id(uint32_t id) { return ResourceKey{id, {}}; }
  bool Named() const { return !name.empty(); }
  // The directory's order: named entries first, by code units, then
  // numbered ones by number.
  bool operator<(const ResourceKey& other) const {
    if (Named() != other.Named()) return Named();
    return Named() ? name < other.name : id < other.id;
  }
  bool operator==(const ResourceKey& other) const { return id == other.id && name == other.name; }
};

struct ResourceData {
  std::string bytes;
  uint32_t code_page = 0;
};

using ResourceLanguages = std::map<uint16_t, ResourceData>;
using ResourceNames = std::map<ResourceKey, ResourceLanguages>;
using ResourceTree = std::map<ResourceKey, ResourceNames>;

// Reads the tree of a resource section whose bytes section_bytes start at
// section_rva. "" on success, else why the section cannot be read (a
// directory, name or data entry outside it, or a loop).
std::string ReadResourceTree(const std::string& section_bytes, uint32_t section_rva,
                             ResourceTree* tree);

// Lays the tree out as a resource section starting at section_rva.
std::string WriteResourceTree(const ResourceTree& tree, uint32_t section_rva);

// The program bytes with their resource section replaced by tree. The
// resource section may be followed only by the base-relocation section,
// which moves behind the new one; the image size, the directories, the
// section table and the checksum are set anew, and a signature (the
// security directory and the certificate behind the sections) is dropped,
// since it would no longer match. "" in *why on success; otherwise *why
// says why the program cannot be rewritten and the result is empty.
std::string ReplaceResources(const std::string& program, const ResourceTree& tree,
                             std::string* why);

// The tree of the program's resource section; false with *why when the
// program has none or it cannot be read.
bool ProgramResources(const std::string& program, ResourceTree* tree, std::string* why);

}  // namespace vor::vorpack
