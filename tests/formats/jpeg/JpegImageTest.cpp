// JPEG pictures to and from Image32, and the checks in front of decoding.
#include "formats/jpeg/JpegImage.h"

#include <gtest/gtest.h>

#include "formats/jpeg/JpegDecoder.h"
#include "formats/jpeg/JpegEncoder.h"
#include "support/JpegFiles.h"
#include "support/TestPictures.h"

namespace kanvo {
namespace {

// Color32 input (alpha ignored) gives the bytes packed RGB gives; decoding into an Image32
// gives the pixels decodeJpeg gives.
TEST(JpegImage, RoundTripThroughImage32) {
  const std::vector<uint8_t> rgb = test::photoLikeRgb(45, 31, 8);
  Image32 source(45, 31), decoded;
  for (int i = 0; i < 45 * 31; ++i)
    source.setPixel(i % 45, i / 45, rgba(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2], i % 256));
  std::vector<uint8_t> file;
  ASSERT_TRUE(encodeJpegImage(source, 85, file).isOk());
  JpegEncoder direct;
  ASSERT_TRUE(direct.setQuality(85) && direct.encodeRgb(rgb, 45, 31).isOk());
  EXPECT_TRUE(std::equal(file.begin(), file.end(), direct.data().begin(), direct.data().end()));
  EXPECT_TRUE(encodeJpegImage(source, 0, file).isFailed());

  ASSERT_TRUE(decodeJpegImage(file, decoded).isOk());
  int w = 0, h = 0;
  std::vector<Color32> pixels;
  ASSERT_TRUE(decodeJpeg(file, w, h, pixels).isOk());
  ASSERT_EQ(std::make_tuple(decoded.width(), decoded.height(), w, h), std::make_tuple(45, 31, 45, 31));
  for (int i = 0; i < 45 * 31; ++i) ASSERT_EQ(decoded.getPixel(i % 45, i / 45), pixels[size_t(i)]);
  // Over the pixel limit, or into a span of the wrong size, or without a source: refused.
  EXPECT_TRUE(decodeJpeg(file, w, h, pixels, 45 * 31 - 1).isFailed());
  EXPECT_TRUE(pixels.empty());
  JpegDecoder dec, empty;
  pixels.resize(45 * 31 - 1);
  ASSERT_TRUE(dec.setSource(file).isOk());
  EXPECT_TRUE(dec.decode(pixels).isFailed());
  EXPECT_TRUE(empty.decode(pixels).isFailed());
  EXPECT_EQ(empty.width(), 0);
}

// Refused files leave the image as it was; a few bytes claiming a huge picture are refused
// before anything is allocated, while a moderately large truncated one is decoded in part.
TEST(JpegImage, RefusedFilesLeaveTheImage) {
  JpegEncoder enc;
  ASSERT_TRUE(enc.encodeRgb(std::vector<uint8_t>(8 * 8 * 3, 100), 8, 8).isOk());
  std::vector<uint8_t> huge(enc.data().begin(), enc.data().end());
  const size_t sof = test::jpegSegmentAt(huge, 0xC0);
  auto setSides = [&](int side) {  // height and width
    huge[sof + 5] = huge[sof + 7] = uint8_t(side >> 8);
    huge[sof + 6] = huge[sof + 8] = uint8_t(side);
  };
  setSides(32760);
  const std::pair<std::vector<uint8_t>, const char*> cases[] = {
      {{1, 2, 3, 4}, "not a JPEG file"},
      {huge, "damaged JPEG: far too little data for a 32760 x 32760 picture"},
  };
  for (const auto& [bytes, reason] : cases) {
    Image32 image(3, 2);
    image.fill(0x11223344);
    EXPECT_EQ(decodeJpegImage(bytes, image).reason(), reason);
    EXPECT_EQ(std::make_pair(image.width(), image.getPixel(2, 1)), std::make_pair(3, 0x11223344u));
  }
  int w, h;
  std::vector<Color32> px;
  EXPECT_TRUE(decodeJpeg(huge, w, h, px).isFailed());
  setSides(1024);
  Status s = decodeJpeg(huge, w, h, px);
  EXPECT_TRUE(s.isPartial()) << s.reason();
  EXPECT_EQ(px.size(), size_t(1024) * 1024);
}

}  // namespace
}  // namespace kanvo
