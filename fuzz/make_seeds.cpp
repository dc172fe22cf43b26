// Writes the seed corpora of the fuzz targets, every one made by the engine
// itself: blocks of every compression type, texts of every string format,
// password records, volumes with and without a prefix and in two parts,
// containers with folders, files of every compression type and a password,
// and raw block streams.
//
// Usage: fuzz_make_seeds <folder>; makes <folder>/<target>/ for each target.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "codecs/compression.h"
#include "common/coding.h"
#include "container/coffer.h"
#include "container/store/page_file.h"
#include "container/stream/block_stream.h"
#include "container/stream/file_stream.h"
#include "container/stream/stream.h"
#include "crypto/password_record.h"
#include "crypto/string_format.h"
#include "entries/fuzz_support.h"
#include "fuzz_entries.h"
#include "platform/file.h"
#include "platform/fs.h"

namespace vor::fuzz {
namespace {

using Bytes = std::vector<uint8_t>;

std::string g_root;
int g_count = 0;

void Seed(const std::string& target, const std::string& name, const Bytes& bytes) {
  const std::string folder = g_root + "/" + target;
  platform::CreateDirectory(folder);
  if (!WriteWholeFile(folder + "/" + name, bytes.data(), bytes.size())) {
    std::fprintf(stderr, "cannot write seed %s/%s\n", target.c_str(), name.c_str());
    std::exit(1);
  }
  ++g_count;
}

Bytes ReadFile(const std::string& path) {
  auto file = platform::FileHandle::Open(path, platform::FileAccess::kReadOnly,
                                         platform::FileShare::kShared,
                                         platform::FileDisposition::kOpenExisting);
  Bytes bytes;
  if (file == nullptr) return bytes;
  uint8_t buffer[65536];
  for (;;) {
    const int32_t n = file->Read(buffer, sizeof(buffer));
    if (n <= 0) break;
    bytes.insert(bytes.end(), buffer, buffer + n);
  }
  return bytes;
}

Bytes Text(size_t size) {
  static const char kWords[] =
      "the quick brown fox jumps over the lazy dog; PACK my box with five dozen liquor jugs. ";
  Bytes bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(kWords[(i * 7 + i / 13) % 86]);
  return bytes;
}

Bytes Noise(size_t size, uint32_t seed) {
  Bytes bytes(size);
  for (uint8_t& b : bytes) {
    seed = seed * 134775813u + 1;
    b = static_cast<uint8_t>(seed >> 24);
  }
  return bytes;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

Bytes Fixed32(uint32_t value) {
  Bytes bytes(4);
  EncodeFixed32(bytes.data(), value);
  return bytes;
}

Bytes Str(const std::string& s) { return Bytes(s.begin(), s.end()); }

void UnpackSeeds() {
  const Bytes samples[] = {Text(300), Text(5000), Noise(200, 7), Bytes(4000, 0)};
  for (uint8_t type = 0; type <= kLastCompressionType; ++type) {
    for (size_t s = 0; s < 4; ++s) {
      Bytes packed;
      const Bytes& in = samples[s];
      if (!PrepareBuffer(in.data(), static_cast<int32_t>(in.size()), &packed, type)) continue;
      const std::string name = "t" + std::to_string(type) + "_" + std::to_string(s);
      Seed("unpack", name, Cat({{type}, Fixed32(static_cast<uint32_t>(in.size())), packed}));
    }
    Seed("unpack", "rt" + std::to_string(type),
         Cat({{static_cast<uint8_t>(0x80 | type)}, Fixed32(0), Text(700)}));
  }
}

void StringFormatSeeds() {
  const Bytes samples[] = {Str("abc"), Noise(46, 3), Noise(100, 9)};
  for (uint8_t index = 0; index < 9; ++index) {
    static const int32_t kIds[] = {1, 16, 1016, 4196, 21845, 22616, -1, 0, 2};
    for (size_t s = 0; s < 3; ++s) {
      std::string text;
      try {
        text =
            RenderInFormat(samples[s].data(), static_cast<int32_t>(samples[s].size()), kIds[index]);
      } catch (const EStringFormat&) {
        text = "0x1F";
      }
      const std::string name = "f" + std::to_string(index) + "_" + std::to_string(s);
      Seed("string_format", name + "p", Cat({{index, 0}, Str(text)}));
      Seed("string_format", name + "r", Cat({{index, 2}, samples[s]}));
    }
  }
}

void PasswordRecordSeeds() {
  TPasswordRecord plain;
  BuildPasswordRecord(&plain, "secret", "", "");
  TPasswordRecord asked;
  BuildPasswordRecord(&asked, "secret", "favourite colour?", "blue");
  for (const TPasswordRecord* record : {&plain, &asked}) {
    const Bytes bytes(record->bytes, record->bytes + kPasswordRecordSize);
    const std::string name = record == &plain ? "plain" : "asked";
    Seed("password_record", name + "_right", Cat({bytes, Str("secret")}));
    Seed("password_record", name + "_wrong", Cat({bytes, Str("Secret")}));
  }
  Seed("password_record", "build",
       Str("pw\xFFquestion\xFF"
           "answer"));
  Seed("password_record", "build_plain", Str("password"));
}

// A small container made with the page file alone: small pages and parts so
// that it spans several part files.
std::vector<Bytes> SmallVolume(const std::string& folder, int64_t part_size, bool protect) {
  const std::string name = folder + "/" + kVolumeFileName;
  {
    TPageFileManager created(name, kOpenModeCreate, protect ? kContainerPassword : "", "", "",
                             false, 600, 1, part_size);
    created.AddPages(4);
    created.Flush();
  }
  std::vector<Bytes> parts;
  parts.push_back(ReadFile(name));
  for (int i = 1;; ++i) {
    Bytes part = ReadFile(name + std::to_string(i));
    if (part.empty()) break;
    parts.push_back(part);
  }
  return parts;
}

void VolumeSeeds(const std::string& work) {
  const Bytes stub = Cat({Str("MZ"), Noise(1500, 11), Str("QZMV"), Noise(40, 5)});
  for (bool protect : {false, true}) {
    const std::string tag = protect ? "p" : "";
    platform::RemoveDirectoryTree(work);
    platform::CreateDirectory(work);
    std::vector<Bytes> one = SmallVolume(work, -1, protect);
    Seed("volume_search", tag + "single", Cat({{0}, one[0]}));
    Seed("volume_search", tag + "prefix", Cat({{4}, stub, one[0]}));
    platform::RemoveDirectoryTree(work);
    platform::CreateDirectory(work);
    std::vector<Bytes> two = SmallVolume(work, 1500, protect);
    if (two.size() >= 2) {
      Seed("volume_search", tag + "two",
           Cat({{1}, Fixed32(static_cast<uint32_t>(two[0].size())), two[0], two[1]}));
      Seed("volume_search", tag + "two_forced",
           Cat({{3}, Fixed32(static_cast<uint32_t>(two[0].size())), two[0]}));
    }
  }
}

void WriteStoredFile(TCoffer& coffer, const std::string& path, uint8_t compression,
                     const Bytes& content, const std::string& password = "") {
  TCFRFileStream stream(&coffer, path, kOpenModeCreate, password, "", "", compression);
  stream.WriteBuffer(content.data(), static_cast<int32_t>(content.size()));
}

void ContainerSeeds(const std::string& work) {
  const std::string name = work + "/" + kVolumeFileName;
  for (int variant = 0; variant < 4; ++variant) {
    platform::RemoveDirectoryTree(work);
    platform::CreateDirectory(work);
    const bool protect = variant == 1;
    {
      TCoffer coffer(name, kOpenModeCreate, protect ? kContainerPassword : "", "", "", 1);
      switch (variant) {
        case 0:
        case 1:
          coffer.CreateFolder("\\Programfiles\\sub");
          WriteStoredFile(coffer, "\\JOB.INI", 0, Text(120));
          WriteStoredFile(coffer, "\\Programfiles\\a.txt", 1, Text(3000));
          WriteStoredFile(coffer, "\\Programfiles\\sub\\b.bin", 7, Noise(700, 2));
          break;
        case 2:
          for (uint8_t type = 0; type <= kLastCompressionType; ++type) {
            WriteStoredFile(coffer, "\\t" + std::to_string(type), type, Text(900 + 10 * type));
          }
          break;
        default:
          WriteStoredFile(coffer, "\\own", 2, Text(500), kContainerPassword);
          WriteStoredFile(coffer, "\\big", 1, Text(20000));
          coffer.CreateFolder("\\a\\b\\c");
          break;
      }
    }
    const Bytes container = ReadFile(name);
    Seed("container", "c" + std::to_string(variant), Cat({{0}, container}));
    Seed("container", "r" + std::to_string(variant), Cat({{1}, container}));
  }
}

void BlockStreamSeeds() {
  for (uint8_t type = 0; type <= kLastCompressionType; ++type) {
    TMemoryStream raw;
    {
      TCFRAdvancedFileStream stream(std::make_unique<ForwardingStream>(raw), type, true);
      const Bytes content = type == 1 ? Text(600000) : Text(2000 + 100 * type);
      stream.WriteBuffer(content.data(), static_cast<int32_t>(content.size()));
    }
    const Bytes bytes(raw.Bytes().begin(), raw.Bytes().end());
    Seed("block_stream", "b" + std::to_string(type), Cat({{0}, bytes}));
    Seed("block_stream", "w" + std::to_string(type), Cat({{4}, bytes}));
  }
}

}  // namespace
}  // namespace vor::fuzz

int main(int argc, char** argv) {
  using namespace vor::fuzz;
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <seed folder>\n", argv[0]);
    return 2;
  }
  g_root = argv[1];
  vor::platform::CreateDirectory(g_root);
  const std::string work = ScratchPath("work");
  try {
    UnpackSeeds();
    StringFormatSeeds();
    PasswordRecordSeeds();
    VolumeSeeds(work);
    ContainerSeeds(work);
    BlockStreamSeeds();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "seed maker failed: %s\n", e.what());
    return 1;
  }
  std::printf("%d seeds written to %s\n", g_count, g_root.c_str());
  return 0;
}
