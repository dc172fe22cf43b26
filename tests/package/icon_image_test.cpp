// The job icon: the Windows icon file format and the image a control shows.
#include "package/icon_image.h"

#include <gtest/gtest.h>

#include <string>

#include "common/coding.h"
#include "package/install_error.h"
#include "platform/test_temp_dir.h"

namespace vor {
namespace {

// Whole-file reading as the temporary-folder tests do it.
struct Files : testing::TempDirTest {
  using TempDirTest::ReadAll;
};

// An icon file with one directory entry per size, each image of length 8.
std::string IconFile(std::initializer_list<int> sizes, uint16_t type = 1) {
  std::string bytes(6 + 16 * sizes.size(), '\0');
  auto* p = reinterpret_cast<uint8_t*>(bytes.data());
  EncodeFixed16(p + 2, type);
  EncodeFixed16(p + 4, static_cast<uint16_t>(sizes.size()));
  uint32_t offset = static_cast<uint32_t>(bytes.size());
  int i = 0;
  for (int size : sizes) {
    uint8_t* e = p + 6 + 16 * i++;
    e[0] = e[1] = static_cast<uint8_t>(size);
    EncodeFixed16(e + 6, 32);
    EncodeFixed32(e + 8, 8);
    EncodeFixed32(e + 12, offset);
    offset += 8;
  }
  return bytes + std::string(8 * sizes.size(), 'x');
}

TEST(IconImage, TheProgramsOwnIconIsAccepted) {
  const std::string bytes = Files::ReadAll(std::string(VOR_INSTALLER_RES_DIR) + "/vor.ico");
  auto icon = ParseIcon(bytes);
  ASSERT_EQ(icon->entries.size(), 3u);
  EXPECT_EQ(icon->BestFor(57, 57).width, 48);
  EXPECT_EQ(icon->BestFor(40, 40).width, 32);
  EXPECT_EQ(icon->BestFor(8, 8).width, 16);  // nothing fits: the smallest
}

TEST(IconImage, WhatIsNotAnIconIsRefused) {
  std::string cut = IconFile({32});
  cut.resize(cut.size() - 1);
  std::string bad_offset = IconFile({32});
  EncodeFixed32(reinterpret_cast<uint8_t*>(&bad_offset[6 + 12]), 2);  // inside the directory
  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case cases[] = {
      {"empty", ""},
      {"a bitmap", "BM" + std::string(100, '\0')},
      {"a cursor", IconFile({32}, 2)},
      {"no images", IconFile({})},
      {"image cut short", cut},
      {"image inside the directory", bad_offset},
      {"more entries than bytes", IconFile({32}).substr(0, 6) + std::string(10, '\0')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      ParseIcon(c.bytes);
      ADD_FAILURE() << "accepted";
    } catch (const EInstallError& e) {
      EXPECT_EQ(e.Kind(), InstallErrorKind::kIconFormat);
    }
  }
  EXPECT_EQ(ParseIcon(IconFile({16, 0}))->entries[1].width, 256);
}

}  // namespace
}  // namespace vor
