// What Image1 adds to the plain buffer rules: bit and byte writes, the 2 x 2 coverage, the
// rectangle fill, and comparisons that ignore the padding bits after each row.
#include "raster/image/Image1.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "support/RandomImages.h"

namespace kanvo {
namespace {

using test::fillRandomBytes;
using test::pixelsOf;
using test::randomIn;

TEST(Image1, BitAndByteWrites) {
  Image1 image(16, 2);
  image.fill(0);
  image.setPixel(9, 0, 5);  // any non-zero value sets the bit
  EXPECT_EQ(image.bits()[1], 0x02);
  image.setPixelIfCovered(3, 0, 1, 127);
  EXPECT_EQ(image.getPixel(3, 0), 0);
  image.setPixelIfCovered(3, 0, 1, 128);
  EXPECT_EQ(image.getPixel(3, 0), 1);
  image.setPixelIfCovered(3, 0, 0, 255);
  EXPECT_EQ(image.getPixel(3, 0), 0);
  image.setByte(13, 1, 0xA5);  // pixels 8..15 of row 1
  image.setByte(-8, 1, 0xFF);
  EXPECT_EQ(image.bits()[3], 0xA5);
  EXPECT_EQ(image.bits()[2], 0x00);
  EXPECT_EQ(image.byteAddress(15, 1), image.bits() + 3);
  EXPECT_EQ(image.byteAddress(16, 1), nullptr);
  image.fill(1);
  for (uint64_t i = 0; i < image.byteCount(); ++i) EXPECT_EQ(image.bits()[i], 0xFF);
}

TEST(Image1, Coverage2x2) {
  Image1 image(8, 2);
  for (int32_t x = 0; x < 8; x += 2)
    for (int pattern = 0; pattern < 16; ++pattern) {
      image.fill(0);
      for (int k = 0; k < 4; ++k) image.setPixel(x + (k & 1), k >> 1, pattern >> k & 1);
      const int bits = __builtin_popcount(unsigned(pattern));
      ASSERT_EQ(image.coverage2x2(x, 0), bits == 4 ? 255 : bits * 64) << x << " " << pattern;
    }
  image.fill(1);  // pixels beyond the image count as clear
  EXPECT_EQ(image.coverage2x2(7, 1), 64);
  EXPECT_EQ(image.coverage2x2(-1, -1), 64);
  EXPECT_EQ(image.coverage2x2(INT32_MAX, 0), 0);
}

TEST(Image1, FillRectMatchesDefinition) {
  std::mt19937 rng(41);
  for (int iter = 0; iter < 400; ++iter) {
    Image1 image(randomIn(rng, 1, 40), randomIn(rng, 1, 6));
    fillRandomBytes(image, rng);
    std::vector<int> expected = pixelsOf(image);
    const int32_t x = randomIn(rng, -20, 45), y = randomIn(rng, -3, 8), w = randomIn(rng, -2, 50),
                  h = randomIn(rng, -2, 8);
    bool any = false;
    for (int32_t py = 0; py < image.height(); ++py)
      for (int32_t px = 0; px < image.width(); ++px)
        if (px >= x && px < x + w && py >= y && py < y + h)
          expected[size_t(py * image.width() + px)] = iter & 1, any = true;
    ASSERT_EQ(image.fillRect(x, y, w, h, iter & 1), any);
    ASSERT_EQ(pixelsOf(image), expected) << iter;
  }
}

TEST(Image1, ComparisonsIgnoreThePaddingBits) {
  Image1 a(13, 3), b;
  std::mt19937 rng(47);
  fillRandomBytes(a, rng);
  EXPECT_TRUE(b.assign(a));
  EXPECT_TRUE(a.equals(b));
  b.bits()[1] ^= 0xE0;  // bits 13..15 of rows 0 and 2
  b.bits()[5] ^= 0x80;
  EXPECT_TRUE(a.equals(b));
  b.setPixel(12, 2, !b.getPixel(12, 2));
  EXPECT_FALSE(a.equals(b));
  EXPECT_FALSE(a.equals(Image1(13, 2)));
  for (int bit : {0, 1}) {
    a.fill(bit);
    a.bits()[5] ^= 0x80;
    int first = -1;
    EXPECT_TRUE(a.isUniform(&first));
    EXPECT_EQ(first, bit);
    EXPECT_EQ(a.isFullyTransparent(), bit == 0);
  }
  Image1 c(16, 1), d(16, 1);  // whole bytes: compared at once
  c.fill(0);
  d.fill(0);
  EXPECT_TRUE(c.equals(d));
  d.setPixel(15, 0, 1);
  EXPECT_FALSE(c.equals(d));
  Image1 empty;
  empty.release();
  EXPECT_FALSE(empty.equals(Image1(1, 1)));
}

}  // namespace
}  // namespace kanvo
