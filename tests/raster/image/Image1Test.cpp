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

TEST(Image1, RowLayoutLeastSignificantBitFirst) {
  Image1 row65(65, 2);
  EXPECT_EQ(row65.stride(), 9);
  EXPECT_EQ(row65.byteCount(), 18u);
  EXPECT_EQ(Image1(8, 1).stride(), 1);
  EXPECT_EQ(Image1(9, 1).stride(), 2);
  EXPECT_EQ(Image1(1, 1).stride(), 1);
  EXPECT_EQ(Image1(64, 64).info().squarePowerOfTwo, 1u);

  Image1 image(16, 2);
  image.fill(0);
  image.setPixel(0, 1, 1);
  image.setPixel(7, 1, 1);
  image.setPixel(9, 0, 1);
  EXPECT_EQ(image.bits()[2], 0x81);
  EXPECT_EQ(image.bits()[1], 0x02);
  EXPECT_EQ(image.byteAddress(9, 0), image.bits() + 1);
  EXPECT_EQ(image.byteAddress(15, 1), image.bits() + 3);
  EXPECT_EQ(image.byteAddress(16, 1), nullptr);
  EXPECT_EQ(image.getPixel(7, 1), 1);
  EXPECT_EQ(image.getPixel(6, 1), 0);
  EXPECT_EQ(image.getPixel(-1, 1), 0);
  image.setPixel(7, 1, 0);
  EXPECT_EQ(image.bits()[2], 0x01);
  image.setPixel(-1, 0, 1);
  image.setPixel(16, 0, 1);
  image.setPixelIfCovered(3, 0, 1, 127);
  EXPECT_EQ(image.getPixel(3, 0), 0);
  image.setPixelIfCovered(3, 0, 1, 128);
  EXPECT_EQ(image.getPixel(3, 0), 1);
  image.setPixelIfCovered(3, 0, 0, 255);
  EXPECT_EQ(image.getPixel(3, 0), 0);
  image.setByte(13, 1, 0xA5);  // pixels 8..15 of row 1
  EXPECT_EQ(image.bits()[3], 0xA5);
  EXPECT_EQ(image.getPixel(8, 1), 1);
  EXPECT_EQ(image.getPixel(9, 1), 0);
  image.setByte(-8, 1, 0xFF);
  EXPECT_EQ(image.bits()[0], 0x00);
  image.fill(1);
  for (uint64_t i = 0; i < image.byteCount(); ++i) EXPECT_EQ(image.bits()[i], 0xFF);
}

TEST(Image1, Coverage2x2) {
  Image1 image(8, 2);
  for (int32_t x = 0; x < 8; x += 2)
    for (int pattern = 0; pattern < 16; ++pattern) {
      image.fill(0);
      image.setPixel(x, 0, pattern & 1);
      image.setPixel(x + 1, 0, pattern & 2);
      image.setPixel(x, 1, pattern & 4);
      image.setPixel(x + 1, 1, pattern & 8);
      int bits = __builtin_popcount(unsigned(pattern));
      ASSERT_EQ(image.coverage2x2(x, 0), bits == 4 ? 255 : bits * 64) << x << " " << pattern;
    }
  image.fill(1);
  EXPECT_EQ(image.coverage2x2(0, 0), 255);
  image.setPixel(1, 1, 0);
  EXPECT_EQ(image.coverage2x2(0, 0), 192);
  // At the edges pixels beyond the image count as clear.
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
    int32_t x = randomIn(rng, -20, 45), y = randomIn(rng, -3, 8), w = randomIn(rng, -2, 50),
            h = randomIn(rng, -2, 8);
    int bit = iter & 1;
    for (int32_t py = 0; py < image.height(); ++py)
      for (int32_t px = 0; px < image.width(); ++px)
        if (px >= x && px < x + w && py >= y && py < y + h) expected[size_t(py * image.width() + px)] = bit;
    image.fillRect(x, y, w, h, bit);
    ASSERT_EQ(pixelsOf(image), expected) << iter;
  }
}

TEST(Image1, BlitEveryOpClipped) {
  std::mt19937 rng(43);
  const int32_t ops[] = {kOpCopy, kOpAnd, kOpOr, 3, kOpSubtract, kOpBlend};
  for (int iter = 0; iter < 1200; ++iter) {
    int32_t op = ops[iter % 6];
    bool self = iter % 7 == 0;
    Image1 src(randomIn(rng, 1, 40), randomIn(rng, 1, 6));
    Image1 other(randomIn(rng, 1, 40), randomIn(rng, 1, 6));
    Image1& dst = self ? src : other;
    fillRandomBytes(src, rng);
    fillRandomBytes(other, rng);
    int32_t dx = randomIn(rng, -45, 45), dy = randomIn(rng, -7, 7), sx = randomIn(rng, -45, 45),
            sy = randomIn(rng, -7, 7), w = randomIn(rng, -2, 60), h = randomIn(rng, -2, 9);
    std::vector<int> s = pixelsOf(src), expected = pixelsOf(dst);
    for (int32_t Y = 0; Y < dst.height(); ++Y)
      for (int32_t X = 0; X < dst.width(); ++X) {
        int32_t i = X - dx, j = Y - dy, u = sx + i, v = sy + j;
        if (i < 0 || j < 0 || i >= w || j >= h || u < 0 || v < 0 || u >= src.width() || v >= src.height()) continue;
        int& d = expected[size_t(Y * dst.width() + X)];
        int b = s[size_t(v * src.width() + u)];
        switch (op) {
          case kOpCopy: d = b; break;
          case kOpAnd: d &= b; break;
          case kOpOr: d |= b; break;
          case 3: d ^= b; break;
          case kOpSubtract: d &= !b; break;
          default: break;  // other codes do nothing
        }
      }
    SpanParams params;
    params.op = op;
    dst.blit(params, dx, dy, src, sx, sy, w, h);
    ASSERT_EQ(pixelsOf(dst), expected) << iter << " op " << op;
  }
}

TEST(Image1, CopyAssignAndEquality) {
  Image1 a(13, 3);
  std::mt19937 rng(47);
  fillRandomBytes(a, rng);
  Image1 b;
  EXPECT_TRUE(b.assign(a));
  EXPECT_EQ(b.width(), 13);
  EXPECT_EQ(pixelsOf(b), pixelsOf(a));
  EXPECT_TRUE(a.equals(b));
  // Padding bits (13..15 of each row) take no part.
  b.bits()[1] ^= 0xE0;
  b.bits()[5] ^= 0x80;
  EXPECT_TRUE(a.equals(b));
  b.setPixel(12, 2, !b.getPixel(12, 2));
  EXPECT_FALSE(a.equals(b));
  EXPECT_FALSE(a.equals(Image1(13, 2)));
  Image1 c(16, 1), d(16, 1);
  c.fill(0);
  d.fill(0);
  EXPECT_TRUE(c.equals(d));
  d.setPixel(15, 0, 1);
  EXPECT_FALSE(c.equals(d));
  EXPECT_TRUE(c.copyFrom(d, -8, 0));
  EXPECT_EQ(c.getPixel(7, 0), 1);
  EXPECT_EQ(c.getPixel(15, 0), 0);
}

TEST(Image1, UniformityIgnoresPadding) {
  // Byte counts 8 (a multiple of 4) and 6, and widths with and without padding.
  struct Size {
    int32_t w, h;
  } sizes[] = {{32, 2}, {24, 2}, {13, 3}, {5, 5}, {1, 1}};
  for (const Size& s : sizes) {
    Image1 image(s.w, s.h);
    image.fill(1);
    int first = -1;
    EXPECT_TRUE(image.isUniform(&first));
    EXPECT_EQ(first, 1);
    EXPECT_FALSE(image.isFullyTransparent());
    image.fill(0);
    EXPECT_TRUE(image.isUniform(&first));
    EXPECT_EQ(first, 0);
    EXPECT_TRUE(image.isFullyTransparent());
    if (s.w % 8 != 0) {
      image.rowAddress(s.h - 1)[s.w / 8] |= uint8_t(0x80);  // a padding bit
      EXPECT_TRUE(image.isUniform());
      EXPECT_TRUE(image.isFullyTransparent());
    }
    if (s.w * s.h > 1) {
      image.setPixel(s.w - 1, s.h - 1, 1);
      EXPECT_FALSE(image.isUniform()) << s.w;
      EXPECT_FALSE(image.isFullyTransparent());
      image.fill(1);
      image.setPixel(s.w - 1, s.h - 1, 0);
      EXPECT_FALSE(image.isUniform());
    }
  }
}

TEST(Image1, SizesThatCannotBeHadLeaveASafeEmptyBuffer) {
  Image1 image(9, 9);
  EXPECT_FALSE(image.resize(INT32_MAX, INT32_MAX));
  EXPECT_FALSE(image.hasPixels());
  image.setPixel(0, 0, 1);
  image.setByte(0, 0, 1);
  image.fill(1);
  EXPECT_EQ(image.getPixel(0, 0), 0);
  EXPECT_EQ(image.byteAddress(0, 0), nullptr);
  EXPECT_FALSE(image.fillRect(0, 0, 4, 4, 1));
  EXPECT_EQ(image.coverage2x2(0, 0), 0);
  Image1 other(4, 4);
  other.fill(1);
  SpanParams params;
  EXPECT_FALSE(image.blit(params, 0, 0, other, 0, 0, 4, 4));
  EXPECT_FALSE(other.copyFrom(image));
  EXPECT_FALSE(other.assign(image));
  EXPECT_FALSE(image.equals(other));
  EXPECT_TRUE(image.equals(Image1(1, 1)) == false);
  EXPECT_FALSE(image.isUniform());
  EXPECT_TRUE(image.isFullyTransparent());
  EXPECT_TRUE(image.resize(4, 4));
  EXPECT_TRUE(image.assign(other));
  EXPECT_TRUE(image.equals(other));
}

}  // namespace
}  // namespace kanvo
