// Reading, laying out and replacing a program's resource section.
#include "pe_resources.h"

#include <algorithm>
#include <set>
#include <vector>

#include "common/coding.h"
#include "pe_image.h"

namespace vor::vorpack {

namespace {

constexpr size_t kDirectoryHeaderSize = 16;
constexpr size_t kDirectoryEntrySize = 8;
constexpr size_t kDataEntrySize = 16;
constexpr uint32_t kHighBit = 0x80000000u;
constexpr uint32_t kDataAlignment = 8;
constexpr int kLevels = 3;  // type, name, language

const uint8_t* At(const std::string& bytes, size_t offset) {
  return reinterpret_cast<const uint8_t*>(bytes.data()) + offset;
}

class TreeReader {
 public:
  TreeReader(const std::string& bytes, uint32_t rva) : bytes_(bytes), rva_(rva) {}

  std::string Read(ResourceTree* tree) {
    std::vector<Entry> types;
    if (!Directory(0, &types)) return why_;
    for (const Entry& type : types) {
      if (!type.directory) return "a resource type is not a directory";
      std::vector<Entry> names;
      if (!Directory(type.offset, &names)) return why_;
      ResourceNames& named = (*tree)[type.key];
      for (const Entry& name : names) {
        if (!name.directory) return "a resource name is not a directory";
        std::vector<Entry> languages;
        if (!Directory(name.offset, &languages)) return why_;
        ResourceLanguages& by_language = named[name.key];
        for (const Entry& language : languages) {
          if (language.directory || language.key.Named() || language.key.id > 0xFFFF) {
            return "a resource language is not a data entry";
          }
          ResourceData data;
          if (!Data(language.offset, &data)) return why_;
          by_language[static_cast<uint16_t>(language.key.id)] = std::move(data);
        }
      }
    }
    return std::string();
  }

 private:
  struct Entry {
    ResourceKey key;
    bool directory = false;
    uint32_t offset = 0;
  };

  bool Fits(uint64_t offset, uint64_t size) const { return offset + size <= bytes_.size(); }

  bool Fail(const std::string& why) {
    why_ = why;
    return false;
  }

  bool Directory(uint32_t offset, std::vector<Entry>* entries) {
    if (!Fits(offset, kDirectoryHeaderSize)) return Fail("a resource directory lies outside");
    const uint32_t count =
        uint32_t{DecodeFixed16(At(bytes_, offset + 12))} + DecodeFixed16(At(bytes_, offset + 14));
    if (!Fits(uint64_t{offset} + kDirectoryHeaderSize, uint64_t{count} * kDirectoryEntrySize)) {
      return Fail("a resource directory runs past the section");
    }
    // The three levels are read in order, so a directory seen twice is a loop.
    if (!seen_.insert(offset).second) return Fail("the resource directories form a loop");
    for (uint32_t i = 0; i < count; ++i) {
      const uint8_t* e = At(bytes_, offset + kDirectoryHeaderSize + i * kDirectoryEntrySize);
      Entry entry;
      const uint32_t name = DecodeFixed32(e);
      const uint32_t target = DecodeFixed32(e + 4);
      if ((name & kHighBit) != 0) {
        if (!Name(name & ~kHighBit, &entry.key.name)) return false;
      } else {
        entry.key.id = name;
      }
      entry.directory = (target & kHighBit) != 0;
      entry.offset = target & ~kHighBit;
      entries->push_back(entry);
    }
    return true;
  }

  bool Name(uint32_t offset, std::u16string* name) {
    if (!Fits(offset, 2)) return Fail("a resource name lies outside the section");
    const uint16_t length = DecodeFixed16(At(bytes_, offset));
    if (length == 0 || !Fits(uint64_t{offset} + 2, uint64_t{length} * 2)) {
      return Fail("a resource name runs past the section");
    }
    for (uint16_t i = 0; i < length; ++i) {
      name->push_back(static_cast<char16_t>(DecodeFixed16(At(bytes_, offset + 2 + i * 2))));
    }
    return true;
  }

  bool Data(uint32_t offset, ResourceData* data) {
    if (!Fits(offset, kDataEntrySize)) return Fail("a resource data entry lies outside");
    const uint32_t rva = DecodeFixed32(At(bytes_, offset));
    const uint32_t size = DecodeFixed32(At(bytes_, offset + 4));
    data->code_page = DecodeFixed32(At(bytes_, offset + 8));
    if (rva < rva_ || !Fits(rva - rva_, size))
      return Fail("resource data lies outside the section");
    data->bytes.assign(bytes_, rva - rva_, size);
    return true;
  }

  const std::string& bytes_;
  uint32_t rva_;
  std::string why_;
  std::set<uint32_t> seen_;
};

}  // namespace

std::string ReadResourceTree(const std::string& section_bytes, uint32_t section_rva,
                             ResourceTree* tree) {
  ResourceTree read;
  TreeReader reader(section_bytes, section_rva);
  const std::string why = reader.Read(&read);
  if (why.empty()) *tree = std::move(read);
  return why;
}

std::string WriteResourceTree(const ResourceTree& tree, uint32_t section_rva) {
  // Directories first (root, types, names), then the data entries, the
  // names' strings and the data.
  auto directory_size = [](size_t entries) {
    return kDirectoryHeaderSize + entries * kDirectoryEntrySize;
  };
  size_t end = directory_size(tree.size());
  std::vector<size_t> type_offsets;
  for (const auto& type : tree) {
    type_offsets.push_back(end);
    end += directory_size(type.second.size());
  }
  std::vector<size_t> name_offsets;
  for (const auto& type : tree) {
    for (const auto& name : type.second) {
      name_offsets.push_back(end);
      end += directory_size(name.second.size());
    }
  }
  size_t data_entries = end;
  for (const auto& type : tree) {
    for (const auto& name : type.second) end += name.second.size() * kDataEntrySize;
  }
  std::map<std::u16string, size_t> strings;
  for (const auto& type : tree) {
    if (type.first.Named()) strings[type.first.name] = 0;
    for (const auto& name : type.second) {
      if (name.first.Named()) strings[name.first.name] = 0;
    }
  }
  for (auto& s : strings) {
    s.second = end;
    end += 2 + s.first.size() * 2;
  }
  std::string out(end, '\0');
  auto put32 = [&out](size_t at, uint32_t v) {
    EncodeFixed32(reinterpret_cast<uint8_t*>(&out[at]), v);
  };
  auto key_field = [&strings](const ResourceKey& key) {
    return key.Named() ? kHighBit | static_cast<uint32_t>(strings[key.name]) : key.id;
  };
  for (const auto& s : strings) {
    EncodeFixed16(reinterpret_cast<uint8_t*>(&out[s.second]),
                  static_cast<uint16_t>(s.first.size()));
    for (size_t i = 0; i < s.first.size(); ++i) {
      EncodeFixed16(reinterpret_cast<uint8_t*>(&out[s.second + 2 + i * 2]), s.first[i]);
    }
  }
  auto header = [&out](size_t at, size_t named, size_t total) {
    uint8_t* p = reinterpret_cast<uint8_t*>(&out[at]);
    EncodeFixed16(p + 12, static_cast<uint16_t>(named));
    EncodeFixed16(p + 14, static_cast<uint16_t>(total - named));
  };
  auto named_count = [](const auto& map) {
    size_t n = 0;
    for (const auto& e : map) n += e.first.Named() ? 1 : 0;
    return n;
  };
  header(0, named_count(tree), tree.size());
  size_t type_index = 0;
  size_t name_index = 0;
  size_t data_entry = data_entries;
  for (const auto& type : tree) {
    const size_t root_entry = kDirectoryHeaderSize + type_index * kDirectoryEntrySize;
    put32(root_entry, key_field(type.first));
    put32(root_entry + 4, kHighBit | static_cast<uint32_t>(type_offsets[type_index]));
    const size_t type_dir = type_offsets[type_index];
    header(type_dir, named_count(type.second), type.second.size());
    size_t i = 0;
    for (const auto& name : type.second) {
      const size_t type_entry = type_dir + kDirectoryHeaderSize + i * kDirectoryEntrySize;
      put32(type_entry, key_field(name.first));
      put32(type_entry + 4, kHighBit | static_cast<uint32_t>(name_offsets[name_index]));
      const size_t name_dir = name_offsets[name_index];
      header(name_dir, 0, name.second.size());
      size_t j = 0;
      for (const auto& language : name.second) {
        const size_t name_entry = name_dir + kDirectoryHeaderSize + j * kDirectoryEntrySize;
        put32(name_entry, language.first);
        put32(name_entry + 4, static_cast<uint32_t>(data_entry));
        // The data itself, aligned, at the end.
        out.resize(AlignUp(static_cast<uint32_t>(out.size()), kDataAlignment), '\0');
        put32(data_entry, section_rva + static_cast<uint32_t>(out.size()));
        put32(data_entry + 4, static_cast<uint32_t>(language.second.bytes.size()));
        put32(data_entry + 8, language.second.code_page);
        out += language.second.bytes;
        data_entry += kDataEntrySize;
        ++j;
      }
      ++i;
      ++name_index;
    }
    ++type_index;
  }
  return out;
}

bool ProgramResources(const std::string& program, ResourceTree* tree, std::string* why) {
  PeImage image;
  *why = PeImage::Parse(program, &image);
  if (!why->empty()) return false;
  const PeDirectory directory = image.Directory(kDirectoryResource);
  const int index = image.SectionAt(directory.address);
  if (directory.address == 0 || index < 0) {
    *why = "it has no resource section";
    return false;
  }
  const PeSection& section = image.Sections()[static_cast<size_t>(index)];
  if (directory.address != section.virtual_address) {
    *why = "its resources do not start their section";
    return false;
  }
  const std::string bytes = program.substr(section.raw_offset, section.raw_size);
  *why = ReadResourceTree(bytes, section.virtual_address, tree);
  return why->empty();
}

std::string ReplaceResources(const std::string& program, const ResourceTree& tree,
                             std::string* why) {
  PeImage image;
  *why = PeImage::Parse(program, &image);
  if (!why->empty()) return std::string();
  const PeDirectory resource = image.Directory(kDirectoryResource);
  const int index = image.SectionAt(resource.address);
  if (resource.address == 0 || index < 0) {
    *why = "it has no resource section";
    return std::string();
  }
  std::vector<PeSection>& sections = image.Sections();
  PeSection& rsrc = sections[static_cast<size_t>(index)];
  if (resource.address != rsrc.virtual_address) {
    *why = "its resources do not start their section";
    return std::string();
  }
  // The sections behind the resources, in address order: only the base
  // relocations, which nothing but their directory points at, can move.
  const PeDirectory relocation = image.Directory(kDirectoryBaseRelocation);
  std::vector<size_t> behind;
  for (size_t i = 0; i < sections.size(); ++i) {
    if (sections[i].virtual_address <= rsrc.virtual_address) continue;
    if (relocation.address != sections[i].virtual_address || relocation.address == 0) {
      *why = "section " + sections[i].name +
             " follows the resource section and cannot move (link the program so that its "
             "resources come last)";
      return std::string();
    }
    behind.push_back(i);
  }
  if (rsrc.raw_size != 0) {
    for (const PeSection& s : sections) {
      if (&s != &rsrc && s.raw_size != 0 && s.raw_offset > rsrc.raw_offset &&
          std::find(behind.begin(), behind.end(), static_cast<size_t>(&s - sections.data())) ==
              behind.end()) {
        *why = "section " + s.name + " lies behind the resource section in the file";
        return std::string();
      }
    }
  }
  std::vector<std::string> moved;
  for (size_t i : behind)
    moved.push_back(program.substr(sections[i].raw_offset, sections[i].raw_size));

  const std::string data = WriteResourceTree(tree, rsrc.virtual_address);
  const uint32_t file_alignment = image.FileAlignment();
  const uint32_t section_alignment = image.SectionAlignment();
  std::string out = program.substr(0, rsrc.raw_offset);
  rsrc.virtual_size = static_cast<uint32_t>(data.size());
  rsrc.raw_size = AlignUp(static_cast<uint32_t>(data.size()), file_alignment);
  out += data;
  out.resize(rsrc.raw_offset + rsrc.raw_size, '\0');
  image.SetDirectory(kDirectoryResource,
                     {rsrc.virtual_address, static_cast<uint32_t>(data.size())});
  uint32_t next_rva = AlignUp(rsrc.virtual_address + rsrc.virtual_size, section_alignment);
  for (size_t k = 0; k < behind.size(); ++k) {
    PeSection& s = sections[behind[k]];
    const uint32_t shift = next_rva - s.virtual_address;
    if (relocation.address == s.virtual_address) {
      image.SetDirectory(kDirectoryBaseRelocation, {relocation.address + shift, relocation.size});
    }
    s.virtual_address = next_rva;
    s.raw_offset = static_cast<uint32_t>(out.size());
    out += moved[k];
    out.resize(s.raw_offset + s.raw_size, '\0');
    next_rva = AlignUp(s.virtual_address + std::max(s.virtual_size, s.raw_size), section_alignment);
  }
  uint32_t image_end = 0;
  for (const PeSection& s : sections) {
    image_end = std::max(
        image_end,
        AlignUp(s.virtual_address + std::max(s.virtual_size, s.raw_size), section_alignment));
  }
  image.SetSizeOfImage(image_end);
  image.SetDirectory(kDirectorySecurity, PeDirectory());
  image.Store(&out);
  return out;
}

}  // namespace vor::vorpack
