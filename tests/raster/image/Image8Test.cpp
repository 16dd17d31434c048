#include "raster/image/Image8.h"

#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

#include "raster/pixel/PixelOps.h"
#include "support/RandomImages.h"

namespace kanvo {
namespace {

using test::fillRandomBytes;
using test::pixelsOf;
using test::randomIn;

TEST(Image8, GeometryAccessorsAndMoves) {
  Image8 fresh;
  EXPECT_EQ(fresh.width(), 1);
  EXPECT_TRUE(fresh.resize(0, -3));
  EXPECT_EQ(fresh.height(), 1);

  Image8 image(7, 3);
  EXPECT_EQ(image.stride(), 7);
  image.fill(9);
  image.setPixel(6, 2, 200);
  const uint8_t* before = image.bits();
  EXPECT_TRUE(image.resize(7, 3));
  EXPECT_EQ(image.bits(), before);
  EXPECT_EQ(image.getPixel(6, 2), 200);
  EXPECT_EQ(image.pixelAddress(6, 2), image.bits() + 20);
  EXPECT_EQ(image.getPixel(-1, 0), 0);
  EXPECT_EQ(image.getPixel(7, 0), 0);
  image.setPixel(-1, 0, 1);
  image.setPixel(0, 3, 1);
  image.blendPixel(7, 0, 1, 255);
  image.mixPixel(0, -2, 1, 255);
  EXPECT_TRUE(image.isAll(9) == false);
  EXPECT_EQ(image.getPixel(0, 0), 9);

  Image8 moved(std::move(image));
  EXPECT_EQ(moved.getPixel(6, 2), 200);
  EXPECT_FALSE(image.hasPixels());
  EXPECT_EQ(image.getPixel(0, 0), 0);
  Image8 target(2, 2);
  target = std::move(moved);
  EXPECT_EQ(target.width(), 7);
  EXPECT_EQ(target.getPixel(6, 2), 200);
  EXPECT_EQ(Image8(64, 64).info().coordinateMask, 63u);
}

TEST(Image8, BlendAndMixPixel) {
  Image8 image(1, 1);
  for (int old = 0; old < 256; old += 5)
    for (int value = 0; value < 256; value += 7)
      for (int alpha = 0; alpha < 256; ++alpha) {
        image.setPixel(0, 0, uint8_t(old));
        image.blendPixel(0, 0, uint8_t(value), alpha);
        int expected = alpha > 254 ? value : ((255 - alpha) * old + value * alpha) / 255;
        ASSERT_EQ(image.getPixel(0, 0), expected) << old << " " << value << " " << alpha;
        image.setPixel(0, 0, uint8_t(old));
        image.mixPixel(0, 0, uint8_t(value), alpha);
        uint8_t m = uint8_t(old);
        mix8(m, value, alpha);
        ASSERT_EQ(image.getPixel(0, 0), m);
      }
}

TEST(Image8, BlitClipsAgainstBothImages) {
  std::mt19937 rng(31);
  for (int iter = 0; iter < 600; ++iter) {
    bool self = iter % 5 == 0;
    Image8 src(randomIn(rng, 1, 24), randomIn(rng, 1, 24));
    Image8 other(randomIn(rng, 1, 24), randomIn(rng, 1, 24));
    Image8& dst = self ? src : other;
    fillRandomBytes(src, rng);
    fillRandomBytes(other, rng);
    const auto [params, dx, dy, sx, sy, w, h] = test::randomBlit(rng, iter);
    std::vector<uint8_t> s = pixelsOf(src), expected = pixelsOf(dst);
    for (int32_t Y = 0; Y < dst.height(); ++Y)
      for (int32_t X = 0; X < dst.width(); ++X) {
        int32_t i = X - dx, j = Y - dy, u = sx + i, v = sy + j;
        if (i < 0 || j < 0 || i >= w || j >= h || u < 0 || v < 0 || u >= src.width() || v >= src.height()) continue;
        uint8_t& d = expected[size_t(Y * dst.width() + X)];
        if (params.op == kOpCopy)
          d = s[size_t(v * src.width() + u)];
        else
          mix8(d, s[size_t(v * src.width() + u)], params.opacity);
      }
    dst.blit(params, dx, dy, src, sx, sy, w, h);
    ASSERT_EQ(pixelsOf(dst), expected) << iter;
  }
  Image8 a(3, 3), b(1, 1);
  a.fill(4);
  EXPECT_TRUE(b.assign(a));
  EXPECT_EQ(b.width(), 3);
  EXPECT_TRUE(b.isAll(4));
  b.fill(0);
  EXPECT_TRUE(b.copyFrom(a, 2, 2));
  EXPECT_EQ(b.getPixel(2, 2), 4);
  EXPECT_EQ(b.getPixel(1, 2), 0);
}

TEST(Image8, Downsample2x2) {
  Image8 image(3, 2);
  std::mt19937 rng(2);
  for (int iter = 0; iter < 100; ++iter) {
    fillRandomBytes(image, rng);
    for (int32_t x = 0; x < 2; ++x)
      ASSERT_EQ(image.downsample2x2(x, 0),
                (image.getPixel(x, 0) + image.getPixel(x + 1, 0) + image.getPixel(x, 1) + image.getPixel(x + 1, 1)) >> 2);
  }
  image.fill(255);
  EXPECT_EQ(image.downsample2x2(2, 0), (255 + 255) >> 2);  // the column beyond the edge counts as 0
  EXPECT_EQ(image.downsample2x2(-1, 1), 255 >> 2);
}

TEST(Image8, UniformityComparesEveryByte) {
  // Byte counts 12 (a multiple of 4, compared four at a time) and 9 (byte by byte).
  for (int32_t w : {4, 3}) {
    Image8 image(w, 3);
    image.fill(7);
    uint8_t first = 0;
    EXPECT_TRUE(image.isUniform(&first));
    EXPECT_EQ(first, 7);
    EXPECT_TRUE(image.isAll(7));
    EXPECT_FALSE(image.isAll(8));
    EXPECT_FALSE(image.isFullyTransparent());
    image.setPixel(w - 1, 2, 8);
    EXPECT_FALSE(image.isUniform()) << w;
    EXPECT_FALSE(image.isAll(7));
    image.fill(0);
    EXPECT_TRUE(image.isFullyTransparent());
    image.setPixel(w - 1, 2, 1);
    EXPECT_FALSE(image.isFullyTransparent());
    // A pattern that repeats every four bytes is not uniform.
    for (int32_t i = 0; i < w * 3; ++i) image.setPixel(i % w, i / w, uint8_t(i % 4));
    EXPECT_FALSE(image.isUniform());
  }
}

TEST(Image8, SizesThatCannotBeHadLeaveASafeEmptyBuffer) {
  Image8 image(4, 4);
  EXPECT_FALSE(image.resize(INT32_MAX, INT32_MAX));
  EXPECT_FALSE(image.resize(1 << 20, 1 << 15));  // 32 GiB
  EXPECT_FALSE(image.hasPixels());
  EXPECT_EQ(image.width(), 0);
  image.setPixel(0, 0, 1);
  image.blendPixel(0, 0, 1, 100);
  image.mixPixel(0, 0, 1, 100);
  image.fill(3);
  EXPECT_EQ(image.getPixel(0, 0), 0);
  EXPECT_EQ(image.downsample2x2(0, 0), 0);
  Image8 other(2, 2);
  other.fill(1);
  SpanParams params;
  EXPECT_FALSE(image.blit(params, 0, 0, other, 0, 0, 2, 2));
  EXPECT_FALSE(other.copyFrom(image));
  EXPECT_FALSE(other.assign(image));
  EXPECT_TRUE(other.isAll(1));
  EXPECT_FALSE(image.isUniform());
  EXPECT_TRUE(image.isFullyTransparent());
  EXPECT_FALSE(image.drawSpan(params, 0, 0.0, 1.0));
  EXPECT_TRUE(image.assign(other));
  EXPECT_TRUE(image.isAll(1));
}

TEST(Image8, DrawSpanPaintsOneRow) {
  Image8 image(6, 3);
  image.fill(10);
  SpanParams params;
  params.paint = 250;
  params.opacity = 180;
  EXPECT_FALSE(image.drawSpan(params, 3, 0.0, 5.0));
  EXPECT_FALSE(image.drawSpan(params, -1, 0.0, 5.0));
  EXPECT_TRUE(image.isAll(10));
  uint8_t row[6] = {10, 10, 10, 10, 10, 10};
  ASSERT_TRUE(antialiasedSpan8(params, row, 6, 1.5, 4.75));
  EXPECT_TRUE(image.drawSpan(params, 1, 1.5, 4.75));
  for (int32_t x = 0; x < 6; ++x) {
    EXPECT_EQ(image.getPixel(x, 1), row[x]);
    EXPECT_EQ(image.getPixel(x, 0), 10);
  }
}

}  // namespace
}  // namespace kanvo
