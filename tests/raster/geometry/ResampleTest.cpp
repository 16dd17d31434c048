#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "raster/geometry/Resample.h"
#include "support/RandomImage.h"

using namespace kanvo;
using kanvo::test::fillRandom;
using kanvo::test::sameImage;

namespace {

// The box average of one destination pixel, written out from its definition.
Color32 referenceBox(const Image32& src, int dw, int dh, int dx, int dy) {
  double rx = double(src.width()) / dw, ry = double(src.height()) / dh;
  int64_t RX = int64_t(rx * 65536), RY = int64_t(ry * 65536);
  int64_t sx0 = (dx * RX) >> 16, sx1 = ((dx + 1) * RX) >> 16, sy0 = (dy * RY) >> 16, sy1 = ((dy + 1) * RY) >> 16;
  int fx0 = int(((dx * RX) >> 8) & 255), fx1 = int((((dx + 1) * RX) >> 8) & 255);
  int fy0 = int(((dy * RY) >> 8) & 255), fy1 = int((((dy + 1) * RY) >> 8) & 255);
  uint64_t A = 0, W = 0, C[3] = {0, 0, 0};
  for (int64_t sy = sy0; sy <= sy1; ++sy)
    for (int64_t sx = sx0; sx <= sx1; ++sx) {
      Color32 p = src.getPixel(int(sx), int(sy));
      int a = alphaOf(p);
      int wx = 255, wy = 255;
      if (sx == sx0) wx = 255 - fx0;
      if (sx == sx1) wx = wx + fx1 - 255;
      if (sy == sy0) wy = 255 - fy0;
      if (sy == sy1) wy = wy + fy1 - 255;
      if (sx == sx0 || sx == sx1 || sy == sy0 || sy == sy1) {
        int w = wx * wy;
        int q = a * (w / 255) / 255;
        A += q;
        for (int i = 0; i < 3; ++i) C[i] += uint64_t(byteOf(p, i) * q);
        W += w / 255;
      } else {
        A += a;
        for (int i = 0; i < 3; ++i) C[i] += uint64_t(byteOf(p, i) * a);
        W += 255;
      }
    }
  if (A == 0) return 0;
  return makeColor(int(C[0] / A), int(C[1] / A), int(C[2] / A), int(A * 255 / W));
}

struct CountingProgress : ResampleProgress {
  std::vector<std::pair<int, int>> calls;
  void rowDone(int32_t row, int32_t rows) override { calls.push_back({row, rows}); }
};

}  // namespace

TEST(Resample, BoxAverageOfTwoByTwoBlocks) {
  Image32 src(4, 4), dst(2, 2);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) src.setPixel(x, y, (y % 2 == 0) ? 0xFF000000u : 0xFFFFFFFFu);
  src.setPixel(2, 0, 0x00123456u);
  src.setPixel(3, 0, 0x00FFFFFFu);
  src.setPixel(2, 1, 0x00000000u);
  src.setPixel(3, 1, 0x00ABCDEFu);
  CountingProgress progress;
  EXPECT_TRUE(resampleWhole(dst, src, kResampleBox, &progress));
  EXPECT_EQ(dst.getPixel(0, 0), 0xFF7F7F7Fu);  // (0 x 255 x 2 + 255 x 255 x 2) / 1020 = 127
  EXPECT_EQ(dst.getPixel(1, 0), 0u);           // an all-transparent block is transparent black
  EXPECT_EQ(dst.getPixel(0, 1), 0xFF7F7F7Fu);
  EXPECT_EQ(progress.calls, (std::vector<std::pair<int, int>>{{0, 2}, {1, 2}}));
}

TEST(Resample, FastPathsEqualThePlainFormula) {
  std::mt19937 rng(7);
  // Random sizes, then reductions by 2 or more in both directions (the row-summing path) with
  // ratios just above 2, non-integer, integer and large.
  const int fixed[][4] = {{409, 300, 100, 97}, {201, 203, 100, 101}, {256, 256, 64, 32}, {700, 90, 7, 3}};
  for (int trial = 0; trial < 44; ++trial) {
    int sw = 1 + int(rng() % 70), sh = 1 + int(rng() % 70);
    int dw = 1 + int(rng() % 40), dh = 1 + int(rng() % 40);
    if (trial >= 40) sw = fixed[trial - 40][0], sh = fixed[trial - 40][1], dw = fixed[trial - 40][2], dh = fixed[trial - 40][3];
    Image32 src(sw, sh), dst(dw, dh);
    fillRandom(src, uint32_t(trial));
    dst.fill(0x12345678u);
    resampleWhole(dst, src, kResampleBox);
    double rx = double(sw) / dw, ry = double(sh) / dh;
    bool forced = rx <= 0.5 || ry <= 0.5;
    for (int y = 0; y < dh; ++y)
      for (int x = 0; x < dw; ++x) {
        Color32 expected = forced ? src.getPixel(int((x * int64_t(rx * 65536)) >> 16), int((y * int64_t(ry * 65536)) >> 16))
                                  : referenceBox(src, dw, dh, x, y);
        ASSERT_EQ(dst.getPixel(x, y), expected) << sw << "x" << sh << " -> " << dw << "x" << dh << " at " << x << "," << y;
      }
  }
}

TEST(Resample, SixSamplesAndNearest) {
  Image32 src(9, 4), dst(3, 2);
  fillRandom(src, 3);
  resampleWhole(dst, src, kResampleSixSample);
  // rx = 3, ry = 2: samples at columns 3dx + 0, 1, 2 and rows 2dy + 0, 1.
  for (int dy = 0; dy < 2; ++dy)
    for (int dx = 0; dx < 3; ++dx) {
      uint64_t A = 0, C[3] = {0, 0, 0};
      for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 3; ++i) {
          Color32 p = src.getPixel(3 * dx + i, 2 * dy + j);
          A += alphaOf(p);
          for (int b = 0; b < 3; ++b) C[b] += uint64_t(byteOf(p, b) * alphaOf(p));
        }
      Color32 expected = A ? makeColor(int(C[0] / A), int(C[1] / A), int(C[2] / A), int(A * 255 / 1530)) : 0;
      EXPECT_EQ(dst.getPixel(dx, dy), expected);
    }
  resampleWhole(dst, src, kResampleNearest);
  EXPECT_EQ(dst.getPixel(2, 1), src.getPixel(6, 2));
}

TEST(Resample, StrongEnlargementIsNearestAndRectanglesSampleInPlace) {
  Image32 src(100, 100), a(250, 250), b(250, 250);
  fillRandom(src, 11);
  resampleWhole(a, src, kResampleBox);
  resampleWhole(b, src, kResampleNearest);
  EXPECT_TRUE(sameImage(a, b));

  // A rectangle partly left of and below the destination: clipped, and each pixel still takes
  // its value from its own position in the whole destination.
  Image32 whole(37, 23), part(37, 23);
  Image32 big(80, 50);
  fillRandom(big, 12);
  for (int mode : {0, 1, 3}) {
    resampleWhole(whole, big, mode);
    part.fill(0xDEADBEEFu);
    CountingProgress progress;
    resample(part, big, -5, 10, 20, 100, mode, &progress);
    EXPECT_EQ(progress.calls.size(), 13u);
    EXPECT_EQ(progress.calls.back(), (std::pair<int, int>{12, 13}));
    for (int y = 0; y < 23; ++y)
      for (int x = 0; x < 37; ++x)
        ASSERT_EQ(part.getPixel(x, y), (x < 15 && y >= 10) ? whole.getPixel(x, y) : 0xDEADBEEFu) << mode;
  }
}

TEST(Resample, UniformStaysUniform) {
  const int sizes[][2] = {{64, 64}, {37, 11}, {5, 90}, {1, 1}, {200, 3}};
  for (auto s : sizes)
    for (auto d : sizes)
      for (int mode : {0, 1, 3})
        for (Color32 c : {0xFF3366CCu, 0xFF000000u, 0xFFFFFFFFu, 0x00000000u}) {
          Image32 src(s[0], s[1]), dst(d[0], d[1]);
          src.fill(c);
          dst.fill(0x11111111u);
          resampleWhole(dst, src, mode);
          Color32 first;
          ASSERT_TRUE(dst.isUniform(&first));
          EXPECT_EQ(first, c) << s[0] << "x" << s[1] << " -> " << d[0] << "x" << d[1] << " mode " << mode;
        }
  // Nearest and six-sample keep a uniform alpha exactly; the box average keeps the colour and
  // loses at most a little alpha to the truncated edge weights.
  Image32 src(50, 40), dst(17, 13);
  src.fill(0x80336699u);
  for (int mode : {0, 1, 3}) {
    resampleWhole(dst, src, mode);
    for (int y = 0; y < 13; ++y)
      for (int x = 0; x < 17; ++x) {
        Color32 p = dst.getPixel(x, y);
        EXPECT_EQ(p & 0x00FFFFFFu, 0x336699u);
        EXPECT_LE(0x80 - alphaOf(p), mode == 1 ? 2 : 0);
        EXPECT_LE(alphaOf(p), 0x80);
      }
  }
}

TEST(Resample, DegenerateInputIsSafe) {
  Image32 src(10, 10), dst(5, 5), empty;
  fillRandom(src, 1);
  dst.fill(0x01020304u);
  empty.releasePixels();
  EXPECT_TRUE(resampleWhole(dst, src, 2));  // unknown mode: unchanged
  EXPECT_TRUE(resampleWhole(dst, src, -1));
  Color32 first;
  EXPECT_TRUE(dst.isUniform(&first));
  EXPECT_EQ(first, 0x01020304u);
  EXPECT_TRUE(resampleWhole(dst, empty, 1));
  EXPECT_TRUE(resampleWhole(empty, src, 1));
  EXPECT_TRUE(resample(dst, src, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 1));
  EXPECT_TRUE(resample(dst, src, INT32_MAX, 0, INT32_MAX, 5, 1));
  EXPECT_TRUE(resample(dst, src, 2, 2, -4, -4, 1));
  // Extreme ratios in both directions.
  Image32 wide(5000, 1), tiny(1, 1);
  fillRandom(wide, 4);
  for (int mode : {0, 1, 3}) {
    resampleWhole(tiny, wide, mode);
    resampleWhole(wide, tiny, mode);
  }
}
