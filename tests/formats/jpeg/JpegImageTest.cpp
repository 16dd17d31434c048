// JPEG pictures to and from Image32, and the allocation checks in front of decoding.
#include <gtest/gtest.h>

#include <vector>

#include "formats/jpeg/JpegDecoder.h"
#include "formats/jpeg/JpegEncoder.h"
#include "formats/jpeg/JpegImage.h"
#include "support/TestPictures.h"

namespace kanvo {
namespace {

TEST(JpegImage, RoundTripThroughImage32) {
  std::vector<uint8_t> rgb = test::photoLikeRgb(45, 31, 8);
  Image32 source(45, 31);
  ASSERT_TRUE(source.hasPixels());
  for (int y = 0; y < 31; ++y)
    for (int x = 0; x < 45; ++x) {
      const uint8_t* p = &rgb[(size_t(y) * 45 + x) * 3];
      source.setPixel(x, y, rgba(p[0], p[1], p[2], 17));  // alpha is not stored
    }
  std::vector<uint8_t> file;
  ASSERT_TRUE(encodeJpegImage(source, JpegEncoder::kProgramQuality, file).isOk());
  JpegEncoder direct;
  direct.setQuality(85);
  ASSERT_TRUE(direct.encodeRgb(rgb, 45, 31).isOk());
  EXPECT_TRUE(std::equal(file.begin(), file.end(), direct.data().begin(), direct.data().end()));

  Image32 decoded;
  ASSERT_TRUE(decodeJpegImage(file, decoded).isOk());
  ASSERT_EQ(decoded.width(), 45);
  ASSERT_EQ(decoded.height(), 31);
  int w = 0, h = 0;
  std::vector<Color32> pixels;
  ASSERT_TRUE(decodeJpeg(file, w, h, pixels).isOk());
  for (int y = 0; y < 31; ++y)
    for (int x = 0; x < 45; ++x) ASSERT_EQ(decoded.getPixel(x, y), pixels[size_t(y) * 45 + x]);
  EXPECT_EQ(alphaOf(decoded.getPixel(3, 3)), 255);

  std::vector<uint8_t> out;
  EXPECT_TRUE(encodeJpegImage(source, 0, out).isFailed());
}

TEST(JpegImage, RefusedFileLeavesTheImage) {
  Image32 image(3, 2);
  image.fill(0x11223344);
  const std::vector<uint8_t> notJpeg = {1, 2, 3, 4};
  Status s = decodeJpegImage(notJpeg, image);
  EXPECT_TRUE(s.isFailed());
  EXPECT_EQ(s.reason(), "not a JPEG file");
  EXPECT_EQ(image.width(), 3);
  EXPECT_EQ(image.getPixel(2, 1), 0x11223344u);
}

// A few bytes claiming a huge picture are refused before anything is allocated.
TEST(JpegImage, TinyFileClaimingAHugePictureIsRefused) {
  JpegEncoder enc;
  std::vector<uint8_t> rgb(8 * 8 * 3, 100);
  ASSERT_TRUE(enc.encodeRgb(rgb, 8, 8).isOk());
  std::vector<uint8_t> f(enc.data().begin(), enc.data().end());
  const size_t sof = 2 + 134 + 420;
  f[sof + 5] = 0x7F;  // height 32760
  f[sof + 6] = 0xF8;
  f[sof + 7] = 0x7F;  // width 32760
  f[sof + 8] = 0xF8;
  Image32 image(2, 2);
  Status s = decodeJpegImage(f, image);
  EXPECT_TRUE(s.isFailed());
  EXPECT_EQ(s.reason(), "damaged JPEG: far too little data for a 32760 x 32760 picture");
  EXPECT_EQ(image.width(), 2);
  int w, h;
  std::vector<Color32> px;
  EXPECT_TRUE(decodeJpeg(f, w, h, px).isFailed());
  // A moderately large truncated picture is still decoded in part.
  f[sof + 5] = 0x04;  // 1024 x 1024
  f[sof + 6] = 0x00;
  f[sof + 7] = 0x04;
  f[sof + 8] = 0x00;
  s = decodeJpeg(f, w, h, px);
  EXPECT_TRUE(s.isPartial()) << s.reason();
  EXPECT_EQ(px.size(), size_t(1024) * 1024);
}

}  // namespace
}  // namespace kanvo
