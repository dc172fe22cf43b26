// The application's identity written into the installer program: the
// resource section read back after the rewrite (the main icon, the version
// strings, the manifest), the program's other resources and sections kept,
// the headers consistent, and the container still found behind the
// program. Natively on a small program made here; on the Windows builds
// also on the real installer program (VORPACK_TEST_STUB).
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "builder.h"
#include "common/coding.h"
#include "common/pe_checksum.h"
#include "container/coffer.h"
#include "job_check.h"
#include "package.h"
#include "pe_image.h"
#include "pe_resources.h"
#include "setup_identity.h"
#include "tools/vorpack_fixture.h"

namespace vor::testing {
namespace {

using vorpack::PeImage;
using vorpack::ResourceKey;
using vorpack::ResourceTree;

const uint8_t* U8(const std::string& s, size_t at = 0) {
  return reinterpret_cast<const uint8_t*>(s.data()) + at;
}

// An icon file of images of the given sizes, each filled with its own byte.
std::string IconOf(const std::vector<uint8_t>& sizes) {
  std::string directory;
  std::string images;
  PutFixed16(&directory, 0);
  PutFixed16(&directory, 1);
  PutFixed16(&directory, static_cast<uint16_t>(sizes.size()));
  size_t offset = 6 + 16 * sizes.size();
  for (size_t i = 0; i < sizes.size(); ++i) {
    const std::string image(40 + sizes[i] * sizes[i] * 4 + i, static_cast<char>('a' + i));
    directory += static_cast<char>(sizes[i]);
    directory += static_cast<char>(sizes[i]);
    directory += std::string("\0\0", 2);
    PutFixed16(&directory, 1);
    PutFixed16(&directory, 32);
    PutFixed32(&directory, static_cast<uint32_t>(image.size()));
    PutFixed32(&directory, static_cast<uint32_t>(offset));
    offset += image.size();
    images += image;
  }
  return directory + images;
}

// A group icon resource naming the images ids (16x16 each).
std::string GroupOf(const std::vector<uint16_t>& ids) {
  std::string group;
  PutFixed16(&group, 0);
  PutFixed16(&group, 1);
  PutFixed16(&group, static_cast<uint16_t>(ids.size()));
  for (uint16_t id : ids) {
    group += std::string("\x10\x10\0\0", 4);
    PutFixed16(&group, 1);
    PutFixed16(&group, 32);
    PutFixed32(&group, 3);
    PutFixed16(&group, id);
  }
  return group;
}

// The resources of the program made here, as the installer program has
// them: a main icon of two images, a second icon, a picture, a manifest.
ResourceTree ProgramTree() {
  ResourceTree tree;
  auto put = [&tree](uint32_t type, uint32_t id, const std::string& bytes) {
    tree[ResourceKey::Id(type)][ResourceKey::Id(id)][0x409] = {bytes, 0};
  };
  put(vorpack::kResourceIcon, 1, "old main 16");
  put(vorpack::kResourceIcon, 2, "old main 32");
  put(vorpack::kResourceIcon, 3, "cancel glyph");
  put(vorpack::kResourceGroupIcon, 1, GroupOf({1, 2}));
  put(vorpack::kResourceGroupIcon, 2, GroupOf({3}));
  put(10, 101, "JPEG picture");
  put(vorpack::kResourceManifest, 1, "<assembly/>");
  return tree;
}

constexpr uint32_t kTextRva = 0x1000;
constexpr uint32_t kResourceRva = 0x2000;
const std::string kTextBytes = std::string("\x55\x89\xE5\xC3", 4) + std::string(508, '\x90');
const std::string kRelocationBytes =
    std::string("\x00\x10\x00\x00\x0C\x00\x00\x00\x04\x30\0\0", 12);

struct SectionLayout {
  const char* name;
  std::string bytes;
  uint32_t characteristics;
};

// A 32-bit program: headers, .text, .rsrc holding tree, then the given
// sections behind it (one named .reloc holds the base relocations),
// then overlay bytes with a security directory pointing at them.
std::string MakeProgram(const ResourceTree& tree, const std::vector<SectionLayout>& behind,
                        const std::string& certificate = "") {
  std::vector<SectionLayout> sections = {
      {".text", kTextBytes, 0x60000020},
      {".rsrc", vorpack::WriteResourceTree(tree, kResourceRva), 0x40000040}};
  sections.insert(sections.end(), behind.begin(), behind.end());
  std::string out(0x400, '\0');
  out[0] = 'M';
  out[1] = 'Z';
  EncodeFixed32(reinterpret_cast<uint8_t*>(&out[0x3C]), 0x80);
  auto put16 = [&out](size_t at, uint16_t v) {
    EncodeFixed16(reinterpret_cast<uint8_t*>(&out[at]), v);
  };
  auto put32 = [&out](size_t at, uint32_t v) {
    EncodeFixed32(reinterpret_cast<uint8_t*>(&out[at]), v);
  };
  out.replace(0x80, 4, std::string("PE\0\0", 4));
  put16(0x84, 0x14C);
  put16(0x86, static_cast<uint16_t>(sections.size()));
  put16(0x94, 224);
  put16(0x96, 0x0102);
  const size_t opt = 0x98;
  put16(opt, 0x10B);
  put32(opt + 16, kTextRva);
  put32(opt + 28, 0x400000);
  put32(opt + 32, 0x1000);
  put32(opt + 36, 0x200);
  put16(opt + 48, 4);
  put32(opt + 60, 0x400);
  put16(opt + 68, 2);
  put32(opt + 92, 16);
  uint32_t rva = kTextRva;
  for (size_t i = 0; i < sections.size(); ++i) {
    const size_t h = opt + 224 + i * 40;
    const std::string& bytes = sections[i].bytes;
    const auto raw = static_cast<uint32_t>((bytes.size() + 0x1FF) & ~size_t{0x1FF});
    out.replace(h, std::string(sections[i].name).size(), sections[i].name);
    put32(h + 8, static_cast<uint32_t>(bytes.size()));
    put32(h + 12, rva);
    put32(h + 16, raw);
    put32(h + 20, static_cast<uint32_t>(out.size()));
    put32(h + 36, sections[i].characteristics);
    if (i == 1) {
      put32(opt + 96 + 2 * 8, rva);
      put32(opt + 96 + 2 * 8 + 4, static_cast<uint32_t>(bytes.size()));
    }
    if (std::string(sections[i].name) == ".reloc") {
      put32(opt + 96 + 5 * 8, rva);
      put32(opt + 96 + 5 * 8 + 4, static_cast<uint32_t>(bytes.size()));
    }
    std::string padded = bytes;
    padded.resize(raw, '\0');
    out += padded;
    rva += (static_cast<uint32_t>(bytes.size()) + 0xFFF) & ~0xFFFu;
  }
  put32(opt + 56, rva);
  if (!certificate.empty()) {
    put32(opt + 96 + 4 * 8, static_cast<uint32_t>(out.size()));
    put32(opt + 96 + 4 * 8 + 4, static_cast<uint32_t>(certificate.size()));
    out += certificate;
  }
  return out;
}

std::string MakeProgram() {
  return MakeProgram(ProgramTree(), {{".reloc", kRelocationBytes, 0x42000040}});
}

// --- Readers written apart from the writer -------------------------------

std::string Utf8Of(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// The version information's strings (key -> UTF-8 value) and its fixed
// file version, walked node by node.
struct VersionRead {
  std::map<std::string, std::string> strings;
  uint32_t signature = 0;
  uint32_t version_high = 0;
  uint32_t version_low = 0;
  std::vector<uint16_t> translation;
};

size_t Align4(size_t v) { return (v + 3) & ~size_t{3}; }

void ReadVersionNode(const std::string& b, size_t at, size_t end, int depth, VersionRead* out) {
  ASSERT_LE(at + 6, end);
  const uint16_t length = DecodeFixed16(U8(b, at));
  const uint16_t value_length = DecodeFixed16(U8(b, at + 2));
  const uint16_t type = DecodeFixed16(U8(b, at + 4));
  ASSERT_GE(length, 6);
  ASSERT_LE(at + length, end);
  std::u16string key;
  size_t p = at + 6;
  while (DecodeFixed16(U8(b, p)) != 0) {
    key += static_cast<char16_t>(DecodeFixed16(U8(b, p)));
    p += 2;
  }
  p = Align4(p + 2);
  const size_t value_bytes = type == 1 ? value_length * 2u : value_length;
  if (depth == 0) {
    EXPECT_EQ(Utf8Of(key), "VS_VERSION_INFO");
    ASSERT_EQ(value_length, 52);
    out->signature = DecodeFixed32(U8(b, p));
    out->version_high = DecodeFixed32(U8(b, p + 8));
    out->version_low = DecodeFixed32(U8(b, p + 12));
  } else if (Utf8Of(key) == "Translation") {
    for (size_t i = 0; i + 1 < value_bytes; i += 2)
      out->translation.push_back(DecodeFixed16(U8(b, p + i)));
  } else if (type == 1 && value_length > 0) {
    std::u16string value;
    for (size_t i = 0; i + 2 < value_bytes; i += 2)
      value += static_cast<char16_t>(DecodeFixed16(U8(b, p + i)));
    out->strings[Utf8Of(key)] = Utf8Of(value);
  }
  p = Align4(p + value_bytes);
  while (p < at + length) {
    ReadVersionNode(b, p, at + length, depth + 1, out);
    p = Align4(p + DecodeFixed16(U8(b, p)));
  }
}

VersionRead ReadVersion(const std::string& bytes) {
  VersionRead read;
  ReadVersionNode(bytes, 0, bytes.size(), 0, &read);
  return read;
}

const std::string* Find(const ResourceTree& tree, uint32_t type, uint32_t id) {
  const auto t = tree.find(ResourceKey::Id(type));
  if (t == tree.end()) return nullptr;
  const auto n = t->second.find(ResourceKey::Id(id));
  if (n == t->second.end() || n->second.empty()) return nullptr;
  return &n->second.begin()->second.bytes;
}

// The images of the first icon group, rebuilt as an icon file would list
// them: its directory entries (without the offsets) and image bytes.
void ExpectMainIconIs(const ResourceTree& tree, const std::string& icon) {
  const auto groups = tree.find(ResourceKey::Id(vorpack::kResourceGroupIcon));
  ASSERT_NE(groups, tree.end());
  ASSERT_FALSE(groups->second.empty());
  const std::string& group = groups->second.begin()->second.begin()->second.bytes;
  const uint16_t count = DecodeFixed16(U8(icon, 4));
  ASSERT_EQ(group.size(), 6 + 14u * count);
  EXPECT_EQ(group.substr(0, 6), icon.substr(0, 6));
  for (uint16_t i = 0; i < count; ++i) {
    SCOPED_TRACE(i);
    const size_t g = 6 + i * 14u;
    const size_t f = 6 + i * 16u;
    EXPECT_EQ(group.substr(g, 12), icon.substr(f, 12));
    const std::string* image = Find(tree, vorpack::kResourceIcon, DecodeFixed16(U8(group, g + 12)));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(*image, icon.substr(DecodeFixed32(U8(icon, f + 12)), DecodeFixed32(U8(icon, f + 8))));
  }
}

// Headers that a loader and a signing tool accept: sections in order, not
// overlapping, aligned, inside the file, the image size and the checksum
// right.
void ExpectConsistentHeaders(const std::string& program) {
  PeImage image;
  ASSERT_EQ(PeImage::Parse(program, &image), "");
  uint32_t next_rva = 0;
  uint32_t next_raw = image.SizeOfHeaders();
  for (const vorpack::PeSection& s : image.Sections()) {
    SCOPED_TRACE(s.name);
    EXPECT_GE(s.virtual_address, next_rva);
    EXPECT_EQ(s.virtual_address % image.SectionAlignment(), 0u);
    if (s.raw_size != 0) {
      EXPECT_GE(s.raw_offset, next_raw);
      EXPECT_EQ(s.raw_offset % image.FileAlignment(), 0u);
      EXPECT_EQ(s.raw_size % image.FileAlignment(), 0u);
      next_raw = s.raw_offset + s.raw_size;
    }
    next_rva = vorpack::AlignUp(s.virtual_address + std::max(s.virtual_size, s.raw_size),
                                image.SectionAlignment());
  }
  EXPECT_EQ(image.SizeOfImage(), next_rva);
  PeChecksumFields fields;
  ASSERT_TRUE(FindPeChecksumFields(U8(program), program.size(), &fields));
  EXPECT_EQ(image.CheckSum(), PeChecksum(U8(program), program.size(), fields.checksum));
}

vorpack::SetupIdentity SampleIdentity() {
  vorpack::SetupIdentity identity;
  identity.icon = IconOf({16, 32, 48});
  identity.icon_shown = "app.ico";
  identity.product_name = "Caf\xC3\xA9 Editor";
  identity.publisher = "Example & Sons";
  identity.copyright = "\xC2\xA9 2026 Example";
  identity.description = "Caf\xC3\xA9 Editor Setup";
  identity.has_version = true;
  identity.version = {2, 5, 0, 17};
  identity.version_text = "2.5.0.17";
  identity.execution_level = "requireAdministrator";
  return identity;
}

// --- The rewrite on the small program -------------------------------------

TEST(ProgramIdentity, StampedProgramReadsBack) {
  const std::string program = MakeProgram();
  const vorpack::SetupIdentity identity = SampleIdentity();
  std::string why;
  const std::string stamped = vorpack::StampProgram(program, identity, &why);
  ASSERT_EQ(why, "");
  ExpectConsistentHeaders(stamped);

  ResourceTree tree;
  ASSERT_TRUE(vorpack::ProgramResources(stamped, &tree, &why)) << why;
  ExpectMainIconIs(tree, identity.icon);
  // The images of the old main icon are gone; the other icon, its image
  // and the picture are kept as they were.
  for (uint32_t id : {1u, 2u}) EXPECT_EQ(Find(tree, vorpack::kResourceIcon, id), nullptr);
  ASSERT_NE(Find(tree, vorpack::kResourceGroupIcon, 2), nullptr);
  EXPECT_EQ(*Find(tree, vorpack::kResourceGroupIcon, 2), GroupOf({3}));
  ASSERT_NE(Find(tree, vorpack::kResourceIcon, 3), nullptr);
  EXPECT_EQ(*Find(tree, vorpack::kResourceIcon, 3), "cancel glyph");
  ASSERT_NE(Find(tree, 10, 101), nullptr);
  EXPECT_EQ(*Find(tree, 10, 101), "JPEG picture");

  const std::string* version = Find(tree, vorpack::kResourceVersion, 1);
  ASSERT_NE(version, nullptr);
  const VersionRead read = ReadVersion(*version);
  EXPECT_EQ(read.signature, 0xFEEF04BDu);
  EXPECT_EQ(read.version_high, (2u << 16) | 5u);
  EXPECT_EQ(read.version_low, 17u);
  const std::map<std::string, std::string> want = {
      {"CompanyName", "Example & Sons"},     {"FileDescription", "Caf\xC3\xA9 Editor Setup"},
      {"FileVersion", "2.5.0.17"},           {"LegalCopyright", "\xC2\xA9 2026 Example"},
      {"ProductName", "Caf\xC3\xA9 Editor"}, {"ProductVersion", "2.5.0.17"}};
  EXPECT_EQ(read.strings, want);
  EXPECT_EQ(read.translation, (std::vector<uint16_t>{0x409, 1200}));

  const std::string* manifest = Find(tree, vorpack::kResourceManifest, 1);
  ASSERT_NE(manifest, nullptr);
  EXPECT_NE(manifest->find("<requestedExecutionLevel level=\"requireAdministrator\""),
            std::string::npos);
  for (const char* os :
       {"e2011457-1546-43c5-a5fe-008deee3d3f0", "35138b9a-5d96-4fbd-8e2d-a2440225f93a",
        "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38", "1f676c76-80e1-4239-95bb-83d0f6d0da78",
        "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"}) {
    EXPECT_NE(manifest->find(std::string("<supportedOS Id=\"{") + os + "}\"/>"), std::string::npos)
        << os;
  }
  EXPECT_NE(manifest->find("Microsoft.Windows.Common-Controls"), std::string::npos);
  // The window scales itself: declared DPI-aware, so that Windows does not
  // stretch it as well.
  EXPECT_NE(manifest->find(">true</dpiAware>"), std::string::npos);
  EXPECT_NE(manifest->find("<description>Caf\xC3\xA9 Editor Setup</description>"),
            std::string::npos);
}

TEST(ProgramIdentity, OtherSectionsKeepTheirBytes) {
  const std::string program = MakeProgram();
  std::string why;
  const std::string stamped = vorpack::StampProgram(program, SampleIdentity(), &why);
  ASSERT_EQ(why, "");
  PeImage before;
  PeImage after;
  ASSERT_EQ(PeImage::Parse(program, &before), "");
  ASSERT_EQ(PeImage::Parse(stamped, &after), "");
  ASSERT_EQ(after.Sections().size(), 3u);
  const vorpack::PeSection& text = after.Sections()[0];
  EXPECT_EQ(stamped.substr(text.raw_offset, kTextBytes.size()), kTextBytes);
  // The relocations moved behind the grown resources, their directory with them.
  const vorpack::PeSection& reloc = after.Sections()[2];
  EXPECT_GT(reloc.virtual_address, before.Sections()[2].virtual_address);
  EXPECT_EQ(stamped.substr(reloc.raw_offset, kRelocationBytes.size()), kRelocationBytes);
  EXPECT_EQ(after.Directory(vorpack::kDirectoryBaseRelocation).address, reloc.virtual_address);
  EXPECT_EQ(after.Directory(vorpack::kDirectoryBaseRelocation).size, kRelocationBytes.size());
  EXPECT_EQ(after.Directory(vorpack::kDirectoryResource).address, kResourceRva);
  // Stamped twice, the program comes out the same: nothing accumulates.
  EXPECT_EQ(vorpack::StampProgram(stamped, SampleIdentity(), &why), stamped);
}

TEST(ProgramIdentity, SignatureOfTheProgramIsDropped) {
  const std::string program =
      MakeProgram(ProgramTree(), {{".reloc", kRelocationBytes, 0x42000040}}, std::string(64, 'C'));
  std::string why;
  const std::string stamped = vorpack::StampProgram(program, SampleIdentity(), &why);
  ASSERT_EQ(why, "");
  PeImage image;
  ASSERT_EQ(PeImage::Parse(stamped, &image), "");
  EXPECT_EQ(image.Directory(vorpack::kDirectorySecurity).address, 0u);
  EXPECT_EQ(image.Directory(vorpack::kDirectorySecurity).size, 0u);
  EXPECT_EQ(stamped.find(std::string(64, 'C')), std::string::npos);
  ExpectConsistentHeaders(stamped);
}

TEST(ProgramIdentity, Refusals) {
  std::string why;
  // A section other than the relocations behind the resources.
  const std::string data_behind =
      MakeProgram(ProgramTree(), {{".data", std::string(16, 'd'), 0xC0000040}});
  EXPECT_EQ(vorpack::StampProgram(data_behind, SampleIdentity(), &why), "");
  EXPECT_NE(why.find("section .data follows the resource section"), std::string::npos) << why;
  // Not an icon file.
  vorpack::SetupIdentity identity = SampleIdentity();
  identity.icon = "BM not an icon";
  EXPECT_EQ(vorpack::StampProgram(MakeProgram(), identity, &why), "");
  EXPECT_NE(why.find("app.ico: "), std::string::npos) << why;
  // No resources at all.
  ResourceTree tree;
  EXPECT_FALSE(vorpack::ProgramResources(FakeStub(4096), &tree, &why));
  EXPECT_FALSE(why.empty());
}

// --- The job's keys ---------------------------------------------------------

class IdentityKeys : public PackageTest {
 protected:
  vorpack::SetupIdentity Read(const std::string& extra_lines, vorpack::Findings* findings) {
    const std::string job =
        "Icon=app.ico\r\nTitle=T\r\nProgramDir=C:\\P\r\nAppname=Caf\xC3\xA9\r\nExename=APP."
        "EXE\r\n" +
        extra_lines;
    EXPECT_TRUE(Put("JOB.INI", job));
    vorpack::Package package(PackageDir(), coffer::NameCodec(1252), findings);
    vorpack::CheckJob(package, findings);
    return vorpack::ReadSetupIdentity(package, findings);
  }
};

TEST_F(IdentityKeys, VersionAndPrivileges) {
  struct Case {
    std::string lines;
    std::string version;  // "" for none
    std::string level;
    std::string error;  // part of the one error, "" for none
  };
  const Case cases[] = {
      {"", "", "highestAvailable", ""},
      {"Version=3\r\n", "3.0.0.0", "highestAvailable", ""},
      {"version=1.2.3.4\r\nPrivileges=admin\r\n", "1.2.3.4", "requireAdministrator", ""},
      {"Version=65535.0.1\r\nPrivileges=USER\r\n", "65535.0.1.0", "asInvoker", ""},
      {"Privileges=highest\r\n", "", "highestAvailable", ""},
      {"Version=65536\r\n", "", "highestAvailable", "Version '65536' must be"},
      {"Version=1..2\r\n", "", "highestAvailable", "Version '1..2' must be"},
      {"Version=1.2.3.4.5\r\n", "", "highestAvailable", "Version '1.2.3.4.5' must be"},
      {"Version=v1\r\n", "", "highestAvailable", "JOB.INI:6: Version 'v1'"},
      {"Privileges=root\r\n", "", "highestAvailable",
       "Privileges 'root' must be admin, user or highest"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines);
    vorpack::Findings findings;
    const vorpack::SetupIdentity identity = Read(c.lines, &findings);
    EXPECT_EQ(identity.has_version ? identity.version_text : "", c.version);
    EXPECT_EQ(identity.execution_level, c.level);
    if (c.error.empty()) {
      EXPECT_TRUE(findings.errors.empty()) << findings.errors.front();
    } else {
      ASSERT_EQ(findings.errors.size(), 1u);
      EXPECT_NE(findings.errors[0].find(c.error), std::string::npos) << findings.errors[0];
    }
    for (const std::string& warning : findings.warnings) {
      EXPECT_EQ(warning.find("is not a key the installer reads"), std::string::npos) << warning;
    }
  }
}

TEST_F(IdentityKeys, TextsAndIcon) {
  vorpack::Findings findings;
  const vorpack::SetupIdentity identity =
      Read("Publisher=Caf\xC3\xA9 Ltd\r\nCopyright=(c) 2026\r\n", &findings);
  EXPECT_TRUE(findings.errors.empty());
  EXPECT_EQ(identity.product_name, "Caf\xC3\xA9");
  EXPECT_EQ(identity.publisher, "Caf\xC3\xA9 Ltd");
  EXPECT_EQ(identity.copyright, "(c) 2026");
  EXPECT_EQ(identity.description, "Caf\xC3\xA9 Setup");  // from Appname without Description
  EXPECT_EQ(identity.icon, SampleIcon());
  const std::vector<std::string> lines = vorpack::DescribeIdentity(identity);
  const std::vector<std::string> want = {"icon: app.ico (1 image)",
                                         "ProductName: Caf\xC3\xA9",
                                         "CompanyName: Caf\xC3\xA9 Ltd",
                                         "LegalCopyright: (c) 2026",
                                         "FileDescription: Caf\xC3\xA9 Setup",
                                         "FileVersion, ProductVersion: (none)",
                                         "requestedExecutionLevel: highestAvailable (the default)",
                                         "supportedOS: Windows Vista, 7, 8, 8.1, 10 and 11"};
  EXPECT_EQ(lines, want);
}

// --- A whole installer --------------------------------------------------------

// The installer built with the identity: the program in front carries it,
// and the installer still opens its container as before. On the Windows
// builds this is the real installer program.
TEST_F(IdentityKeys, InstallerCarriesTheIdentityAndFindsItsContainer) {
  const char* real = std::getenv("VORPACK_TEST_STUB");
  const std::string stub = real != nullptr && *real != '\0' ? StubBytes() : MakeProgram();
  ASSERT_TRUE(Put("app.ico", IconOf({16, 32})));
  vorpack::Findings findings;
  const vorpack::SetupIdentity identity =
      Read("Version=4.1\r\nPublisher=Pub\r\nPrivileges=user\r\n", &findings);
  ASSERT_TRUE(findings.errors.empty());
  std::string why;
  const std::string program = vorpack::StampProgram(stub, identity, &why);
  ASSERT_EQ(why, "");
  ExpectConsistentHeaders(program);

  vorpack::Package package(PackageDir(), coffer::NameCodec(1252), &findings);
  vorpack::CheckJob(package, &findings);
  vorpack::BuildOptions options;
  options.output = Path("setup.exe");
  options.stub = program;
  vorpack::BuildInstaller(package, options);
  const std::string installer = ReadAll(Path("setup.exe"));
  // The program in front, its checksum now that of the whole installer.
  PeChecksumFields fields;
  ASSERT_TRUE(FindPeChecksumFields(U8(installer), program.size(), &fields));
  EXPECT_EQ(DecodeFixed32(U8(installer, fields.checksum)),
            PeChecksum(U8(installer), installer.size(), fields.checksum));
  std::string front = installer.substr(0, program.size());
  front.replace(fields.checksum, 4, program, fields.checksum, 4);
  ASSERT_TRUE(front == program) << "the program's bytes changed";

  ResourceTree tree;
  ASSERT_TRUE(vorpack::ProgramResources(installer, &tree, &why)) << why;
  ExpectMainIconIs(tree, IconOf({16, 32}));
  const VersionRead read = ReadVersion(*Find(tree, vorpack::kResourceVersion, 1));
  EXPECT_EQ(read.strings.at("ProductVersion"), "4.1.0.0");
  EXPECT_EQ(read.strings.at("CompanyName"), "Pub");
  EXPECT_EQ(read.strings.at("ProductName"), "Caf\xC3\xA9");
  EXPECT_NE(Find(tree, vorpack::kResourceManifest, 1)->find("level=\"asInvoker\""),
            std::string::npos);
  TCoffer coffer(Path("setup.exe"), 0, kJobPassword, "", "", 0);
  EXPECT_TRUE(coffer.FileExists("\\JOB.INI"));
  EXPECT_TRUE(coffer.FileExists("\\Programfiles\\data\\noise.bin"));
}

}  // namespace
}  // namespace vor::testing
