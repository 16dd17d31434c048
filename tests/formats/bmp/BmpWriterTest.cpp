// Writing 24-bit BMP files: the layout checked byte by byte against the plain formula, the
// progress throttle, failures, and ImageMagick reading what we write.
#include "formats/bmp/BmpWriter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include "support/ManualClock.h"
#include "support/Netpbm.h"
#include "support/RandomImages.h"
#include "support/TempDir.h"

namespace kanvo {
namespace {

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

// Every alpha from 0 to 255 in equal measure.
void fillRandom(Image32& image, uint32_t seed) {
  std::mt19937 rng(seed);
  test::fillRandomBytes(image, rng);
}

// The colour byte c of a pixel of alpha a over white.
uint8_t overWhite(int c, int a) { return uint8_t((255 * (255 - a) + c * (a + 1)) >> 8); }

TEST(BmpWriterTest, LayoutPaddingAndPixelsOverWhite) {
  test::TempDir dir;
  for (int w : {1, 2, 3, 4, 5, 17}) {
    Image32 image(w, 3);
    fillRandom(image, uint32_t(w));
    image.setPixel(0, 0, 0x00123456u);  // transparent: white
    image.setPixel(0, 1, 0xFF123456u);  // opaque: itself
    const std::string path = dir.file("a.bmp");
    ASSERT_TRUE(writeBmp(image, path).isOk());
    std::vector<uint8_t> b = test::readWholeFile(path);
    const uint32_t stride = (uint32_t(w) * 3 + 3) / 4 * 4;
    ASSERT_EQ(b.size(), 54 + stride * 3);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(le32(b, 2), b.size());
    EXPECT_EQ(le32(b, 6), 0u);
    EXPECT_EQ(le32(b, 10), 54u);
    EXPECT_EQ(le32(b, 14), 40u);
    EXPECT_EQ(le32(b, 18), uint32_t(w));
    EXPECT_EQ(le32(b, 22), 3u);
    EXPECT_EQ(b[26] | b[27] << 8, 1);
    EXPECT_EQ(b[28] | b[29] << 8, 24);
    EXPECT_EQ(le32(b, 30), 0u);
    EXPECT_EQ(le32(b, 34), stride * 3);
    for (size_t i = 38; i < 54; ++i) EXPECT_EQ(b[i], 0);
    for (int fileRow = 0; fileRow < 3; ++fileRow) {
      const size_t at = 54 + size_t(fileRow) * stride;
      for (int x = 0; x < w; ++x) {
        const Color32 p = image.getPixel(x, 2 - fileRow);
        const int a = int(p >> 24);
        EXPECT_EQ(b[at + size_t(x) * 3], overWhite(int(p & 255), a));
        EXPECT_EQ(b[at + size_t(x) * 3 + 1], overWhite(int((p >> 8) & 255), a));
        EXPECT_EQ(b[at + size_t(x) * 3 + 2], overWhite(int((p >> 16) & 255), a));
      }
      for (uint32_t k = uint32_t(w) * 3; k < stride; ++k) EXPECT_EQ(b[at + k], 0);
    }
    EXPECT_EQ(b[54 + 2 * stride], 254);  // (0, 0) transparent: (255 x 255 + 0x56) >> 8
    EXPECT_EQ(b[54 + stride], 0x56);     // (0, 1) opaque
  }
}

TEST(BmpWriterTest, ProgressIsThrottledByRowsAndTime) {
  test::TempDir dir;
  Image32 image(3, 300);
  fillRandom(image, 1);
  test::ManualClock clock;
  std::vector<double> seen;
  // The clock does not move: nothing is reported.
  ASSERT_TRUE(writeBmp(image, dir.file("p.bmp"), [&](double p) { seen.push_back(p); }, &clock).isOk());
  EXPECT_TRUE(seen.empty());
  // A clock that moves 60 ms at every report: every multiple of 64 is reported.
  struct Ticking : Clock {
    mutable uint32_t t = 0;
    uint32_t milliseconds() const override { return t += 60; }
  } ticking;
  ASSERT_TRUE(writeBmp(image, dir.file("p.bmp"), [&](double p) { seen.push_back(p); }, &ticking).isOk());
  ASSERT_EQ(seen.size(), 5u);
  EXPECT_DOUBLE_EQ(seen[0], 0.0);
  EXPECT_DOUBLE_EQ(seen[1], 64.0 / 300.0 * 100.0);
}

TEST(BmpWriterTest, FailuresKeepTheOldFile) {
  test::TempDir dir;
  Image32 image(4, 4);
  fillRandom(image, 2);
  EXPECT_TRUE(writeBmp(image, dir.file("no/such/dir.bmp")).isFailed());
  const std::string good = dir.file("good.bmp");
  std::ofstream(good) << "keep";
  EXPECT_TRUE(writeBmp(image, "/dev/full/x.bmp").isFailed());
  EXPECT_EQ(test::readWholeFile(good).size(), 4u);
}

TEST(BmpWriterTest, ImageMagickReadsOurFiles) {
  if (std::system("command -v convert >/dev/null 2>&1") != 0) GTEST_SKIP() << "ImageMagick not installed";
  test::TempDir dir;
  Image32 image(33, 17);
  fillRandom(image, 3);
  const std::string path = dir.file("im.bmp"), ppm = dir.file("im.ppm");
  ASSERT_TRUE(writeBmp(image, path).isOk());
  ASSERT_EQ(std::system(("convert " + path + " -depth 8 PPM:" + ppm).c_str()), 0);
  test::NetpbmImage img = test::readNetpbm(ppm);
  ASSERT_EQ(img.width, 33);
  ASSERT_EQ(img.height, 17);
  int bad = 0;
  for (int y = 0; y < 17; ++y)
    for (int x = 0; x < 33; ++x) {
      int r, g, b;
      img.rgbAt(x, y, r, g, b);
      const Color32 p = image.getPixel(x, y);
      const int a = int(p >> 24);
      if (r != overWhite(int((p >> 16) & 255), a) || g != overWhite(int((p >> 8) & 255), a) ||
          b != overWhite(int(p & 255), a))
        ++bad;
    }
  EXPECT_EQ(bad, 0);
}

}  // namespace
}  // namespace kanvo
