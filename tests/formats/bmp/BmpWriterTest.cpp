// Writing 24-bit BMP files: ImageMagick reads every row padding as the pixels over white, and
// progress is throttled.
#include "formats/bmp/BmpWriter.h"

#include <gtest/gtest.h>

#include <random>

#include "formats/Endian.h"
#include "raster/pixel/PixelOps.h"
#include "support/ImageMagick.h"
#include "support/ManualClock.h"
#include "support/RandomImages.h"
#include "support/TempDir.h"

namespace kanvo {
namespace {

// Rows padded with zeros to a multiple of 4 bytes, every padding; ImageMagick reads the pixels.
TEST(BmpWriter, ImageMagickReadsThePixelsOverWhite) {
  ASSERT_TRUE(test::haveImageMagick()) << "ImageMagick's convert is needed (scripts/setup.sh installs it)";
  test::TempDir dir;
  std::mt19937 rng(1);
  for (int w : {1, 2, 3, 4, 33}) {  // every padding of the rows
    SCOPED_TRACE(w);
    const int h = w == 33 ? 17 : 3;
    Image32 image(w, h);
    test::fillRandomBytes(image, rng);  // every alpha from 0 to 255 in equal measure
    const std::string path = dir.file("a.bmp");
    ASSERT_TRUE(writeBmp(image, path).isOk());
    // The size field tells the file's size.
    const std::vector<uint8_t> bytes = test::readWholeFile(path);
    const size_t row = size_t(w) * 3, stride = (row + 3) / 4 * 4;
    ASSERT_EQ(bytes.size(), 54 + stride * size_t(h));
    EXPECT_EQ(loadU32LE(&bytes[2]), bytes.size());
    for (size_t at = 54 + row; at < bytes.size(); at += stride)
      EXPECT_TRUE(std::all_of(&bytes[at], &bytes[at] + stride - row, [](uint8_t b) { return b == 0; }));
    if (w != 2 && w != 33) continue;  // ImageMagick is slow to start: two widths are enough for it
    const test::NetpbmImage img = test::imageMagickRead(path, dir.file("a.pam"));
    ASSERT_EQ(std::make_pair(img.width, img.height), std::make_pair(w, h));
    EXPECT_EQ(test::rgbDifferences(img, [&](int x, int y) { return flattenOntoWhite(image.getPixel(x, y)); }),
              0);
  }
}

// Progress is reported every 64 rows, and only when 50 ms or more have passed since the last
// report: never by a clock that does not move, at every chance by one that moves 60 ms a read.
TEST(BmpWriter, ProgressIsThrottledByRowsAndTime) {
  test::TempDir dir;
  Image32 image(3, 300);
  std::vector<double> seen;
  auto record = [&](double p) { seen.push_back(p); };
  test::ManualClock still;
  ASSERT_TRUE(writeBmp(image, dir.file("p.bmp"), record, &still).isOk());
  EXPECT_TRUE(seen.empty());
  struct Ticking : Clock {
    mutable uint32_t t = 0;
    uint32_t milliseconds() const override { return t += 60; }
  } ticking;
  ASSERT_TRUE(writeBmp(image, dir.file("p.bmp"), record, &ticking).isOk());
  ASSERT_EQ(seen.size(), 5u);
  for (size_t i = 0; i < 5; ++i) EXPECT_NEAR(seen[i], double(i) * 64 / 300 * 100, 1e-9);
}

}  // namespace
}  // namespace kanvo
