// Decoding the side panel's JPEG picture.
#include "platform/picture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "common/error.h"

namespace vor::platform {
namespace {

std::string ReadSidePanel() {
  std::ifstream in(std::string(VOR_INSTALLER_RES_DIR) + "/side_panel.jpg", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

TEST(Picture, DecodesTheSidePanelPictureAtThePanelsSize) {
  const std::string jpeg = ReadSidePanel();
  ASSERT_FALSE(jpeg.empty());
  const RgbImage image = DecodePicture(Bytes(jpeg), jpeg.size());
  EXPECT_EQ(image.width, 113);
  EXPECT_EQ(image.height, 295);
  ASSERT_EQ(image.pixels.size(), 113u * 295u * 3u);
  // Rows run top to bottom in red, green, blue order: the picture fades from
  // deep blue at the top to teal at the bottom.
  const uint8_t* top = &image.pixels[(2 * 113 + 56) * 3];
  const uint8_t* bottom = &image.pixels[(280 * 113 + 8) * 3];
  EXPECT_GT(top[2], top[0]);
  EXPECT_LT(top[1], bottom[1]);
  EXPECT_GT(bottom[1], bottom[0]);
}

TEST(Picture, RejectsDataThatIsNoCompleteJpegWithTheDecodersMessage) {
  const std::string jpeg = ReadSidePanel();
  ASSERT_GT(jpeg.size(), 4u);
  const std::string cases[] = {
      "not a picture at all", jpeg.substr(0, 2),  // the start-of-image marker only
      std::string(jpeg.size(), '\0'),             // zeros of the right length
      jpeg.substr(0, jpeg.size() / 2),            // cut off in the middle of the scan
  };
  for (const std::string& data : cases) {
    try {
      DecodePicture(Bytes(data), data.size());
      ADD_FAILURE() << "no error for " << data.size() << " bytes";
    } catch (const EVorError& e) {
      EXPECT_EQ(std::string(e.what()).rfind("JPEG error: ", 0), 0u) << e.what();
      EXPECT_GT(std::string(e.what()).size(), 12u);
      EXPECT_EQ(e.Kind(), ErrorKind::kDamaged);
    }
  }
  EXPECT_THROW(DecodePicture(nullptr, 0), EVorError);
}

}  // namespace
}  // namespace vor::platform
