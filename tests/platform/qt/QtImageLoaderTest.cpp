// BMP files through Qt's image reader: every variant ImageMagick writes, a plain 16-bit file, and
// files that must be refused without harm. (kanvo-cli's tests read our own BMP files through it.)
#include "platform/qt/QtImageLoader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/Status.h"
#include "raster/pixel/Color32.h"
#include "support/Corpus.h"
#include "support/ImageMagick.h"
#include "support/TempDir.h"

namespace kanvo {
namespace {

using test::corpus;

// The stored colour bytes are kept even where the file says transparent; 16-bit fields are
// widened as ImageMagick does (31 -> 255).
TEST(QtImageLoaderTest, EveryCorpusBitmapMatchesItsReferenceAndIsOpaque) {
  for (const char* f :
       {"bmp_1bit_17x9.bmp", "bmp_1bit_topdown_17x9.bmp", "bmp_4bit_33x20.bmp", "bmp_8bit_64x48.bmp",
        "bmp_8bit_rle_100x70.bmp", "bmp_16bit_rgb565_17x9.bmp", "bmp3_24bit_257x131.bmp",
        "bmp3_24bit_topdown_257x131.bmp", "bmp_24bit_v5_1x1.bmp", "bmp_24bit_v5_640x480.bmp",
        "bmp2_os2_24bit_33x20.bmp", "bmp_32bit_alpha_64x48.bmp"}) {
    Image32 image;
    const Status s = QtImageLoader().load(corpus(f), image);
    ASSERT_TRUE(s.isOk()) << f << ": " << s.reason();
    const test::NetpbmImage ref = test::readNetpbm(corpus(std::string(f) + ".ref.ppm"));
    ASSERT_EQ(std::pair(image.width(), image.height()), std::pair(ref.width, ref.height)) << f;
    const auto opaque = [&](int x, int y) {  // a pixel not opaque has its colour inverted to count
      const Color32 c = image.getPixel(x, y);
      return alphaOf(c) == 255 ? c : c ^ 0xFFFFFFu;
    };
    EXPECT_EQ(test::rgbDifferences(ref, opaque), 0) << f;
  }
}

// A plain 16-bit file (5 bits a colour, no bit fields): white stays white.
TEST(QtImageLoaderTest, SixteenBitFieldsReachTheFullRange) {
  std::vector<uint8_t> file(58, 0);
  auto put32 = [&file](size_t at, uint32_t v) {
    for (size_t i = 0; i < 4; ++i) file[at + i] = uint8_t(v >> (8 * i));
  };
  file[0] = 'B';
  file[1] = 'M';
  for (const auto& [at, value] : {std::pair{2, 58}, {10, 54}, {14, 40}, {18, 2}, {22, 1}})
    put32(size_t(at), uint32_t(value));
  file[26] = 1;                                                 // planes
  file[28] = 16;                                                // bits per pixel
  put32(54, 0x7FFFu | uint32_t(16 << 10 | 1 << 5 | 30) << 16);  // white; red 16, green 1, blue 30
  test::TempDir dir;
  ASSERT_TRUE(test::writeWholeFile(dir.file("555.bmp"), file));
  Image32 image;
  ASSERT_TRUE(QtImageLoader().load(dir.file("555.bmp"), image).isOk());
  EXPECT_EQ(image.getPixel(0, 0), kOpaqueWhite);
  EXPECT_EQ(image.getPixel(1, 0), rgba(132, 8, 247));
}

TEST(QtImageLoaderTest, BadFilesAreRefusedWithTheirName) {
  test::TempDir dir;
  const std::vector<uint8_t> good = test::readWholeFile(corpus("bmp3_24bit_257x131.bmp"));
  ASSERT_GT(good.size(), 54u);
  std::vector<uint8_t> huge = good;  // a header claiming 100000 x 100000 pixels
  for (int i = 0; i < 4; ++i) huge[18 + i] = huge[22 + i] = uint8_t(100000 >> (8 * i));
  ASSERT_TRUE(test::writeWholeFile(dir.file("huge.bmp"), huge));
  ASSERT_TRUE(
      test::writeWholeFile(dir.file("header.bmp"), std::vector<uint8_t>(good.begin(), good.begin() + 30)));
  ASSERT_TRUE(test::writeWholeFile(dir.file("text.bmp"), std::string("hello, not a picture")));
  ASSERT_TRUE(test::writeWholeFile(dir.file("empty.bmp"), std::string()));
  for (const char* name : {"huge.bmp", "header.bmp", "text.bmp", "empty.bmp", "missing.bmp"}) {
    Image32 image;
    const Status s = QtImageLoader().load(dir.file(name), image);
    EXPECT_TRUE(s.isFailed()) << name;
    EXPECT_NE(s.reason().find(dir.file(name)), std::string::npos) << s.reason();
  }
  // A file cut in its pixel rows must never read outside the picture; what Qt keeps is opaque.
  for (size_t cut : {good.size() / 2, good.size() - 1}) {
    ASSERT_TRUE(test::writeWholeFile(dir.file("cut.bmp"),
                                     std::vector<uint8_t>(good.begin(), good.begin() + long(cut))));
    Image32 image;
    if (QtImageLoader().load(dir.file("cut.bmp"), image).isFailed()) continue;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) ASSERT_EQ(alphaOf(image.getPixel(x, y)), 255);
  }
}

}  // namespace
}  // namespace kanvo
