// JPEG pictures to and from Image32, and the checks in front of decoding.
#include "formats/jpeg/JpegImage.h"

#include <gtest/gtest.h>

#include "support/JpegFiles.h"

namespace kanvo {
namespace {

// A picture decodes into an Image32 as the decoder gives it; a file that is not a JPEG, or a
// few bytes claiming a huge picture, are refused before anything is allocated and leave the
// image as it was, while a moderately large truncated picture is decoded in part. Over the
// pixel limit: refused.
TEST(JpegImage, DecodesIntoImage32OrRefusesBeforeAllocating) {
  const std::vector<uint8_t> file = test::ourJpeg(45, 31, 8);
  const test::DecodedRgb rgb = test::decodeJpegRgb(file);
  Image32 image;
  ASSERT_TRUE(decodeJpegImage(file, image).isOk());
  ASSERT_EQ(std::make_pair(image.width(), image.height()), std::make_pair(45, 31));
  for (int i = 0; i < 45 * 31; ++i)
    ASSERT_EQ(image.getPixel(i % 45, i / 45),
              rgba(rgb.rgb[3 * i], rgb.rgb[3 * i + 1], rgb.rgb[3 * i + 2], 255));
  int w, h;
  std::vector<Color32> px;
  EXPECT_TRUE(decodeJpeg(file, w, h, px, 45 * 31 - 1).isFailed() && px.empty());

  std::vector<uint8_t> huge = file;
  const size_t sof = test::jpegSegmentAt(huge, 0xC0);
  auto setSides = [&](int side) {  // height and width
    huge[sof + 5] = huge[sof + 7] = uint8_t(side >> 8);
    huge[sof + 6] = huge[sof + 8] = uint8_t(side);
  };
  setSides(32760);
  const std::pair<std::vector<uint8_t>, const char*> cases[] = {
      {{1, 2, 3, 4}, "not a JPEG file"},
      {huge, "damaged JPEG: far too little data for a 32760 x 32760 picture"}};
  for (const auto& [bytes, reason] : cases) {
    image.fill(0x11223344);
    EXPECT_EQ(decodeJpegImage(bytes, image).reason(), reason);
    EXPECT_EQ(std::make_pair(image.width(), image.getPixel(2, 1)), std::make_pair(45, 0x11223344u));
  }
  EXPECT_TRUE(decodeJpeg(huge, w, h, px).isFailed());
  setSides(1024);
  Status s = decodeJpeg(huge, w, h, px);
  EXPECT_TRUE(s.isPartial()) << s.reason();
  EXPECT_EQ(px.size(), size_t(1024) * 1024);
}

}  // namespace
}  // namespace kanvo
