// Decoding the side panel's JPEG picture.
#include "installer/wizard/jpeg_image.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "common/error.h"

namespace vor {
namespace {

std::string ReadSidePanel() {
  std::ifstream in(std::string(VOR_INSTALLER_RES_DIR) + "/side_panel.jpg", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

TEST(JpegImage, DecodesTheSidePanelPictureAtThePanelsSize) {
  const std::string jpeg = ReadSidePanel();
  ASSERT_FALSE(jpeg.empty());
  const RgbImage image = DecodeJpeg(Bytes(jpeg), jpeg.size());
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

TEST(JpegImage, RejectsDataThatIsNoJpegWithLibjpegsMessage) {
  const std::string jpeg = ReadSidePanel();
  ASSERT_GT(jpeg.size(), 4u);
  const std::string cases[] = {
      "not a picture at all", jpeg.substr(0, 2),  // the start-of-image marker only
      std::string(jpeg.size(), '\0'),             // zeros of the right length
  };
  for (const std::string& data : cases) {
    try {
      DecodeJpeg(Bytes(data), data.size());
      ADD_FAILURE() << "no error for " << data.size() << " bytes";
    } catch (const EVorError& e) {
      EXPECT_EQ(std::string(e.what()).rfind("JPEG error: ", 0), 0u) << e.what();
      EXPECT_GT(std::string(e.what()).size(), 12u);
    }
  }
  EXPECT_THROW(DecodeJpeg(nullptr, 0), EVorError);
}

TEST(JpegImage, TruncatedPictureStillDecodesToFullSize) {
  // libjpeg fills what a cut-off file lacks and only warns; the panel then
  // shows a partly grey picture instead of failing.
  const std::string jpeg = ReadSidePanel();
  const std::string half = jpeg.substr(0, jpeg.size() / 2);
  const RgbImage image = DecodeJpeg(Bytes(half), half.size());
  EXPECT_EQ(image.width, 113);
  EXPECT_EQ(image.height, 295);
}

}  // namespace
}  // namespace vor
