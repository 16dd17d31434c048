// Resampling: the box average (plain and row-summing forms) against its definition written out,
// the six-sample mean, nearest sampling and strong enlargement, rectangles that sample in place,
// progress, degenerate input.
#include "raster/geometry/Resample.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "raster/parallel/WorkerPool.h"
#include "support/RandomImages.h"

namespace kanvo {
namespace {

using test::fillRandom;

// The box average of one destination pixel: over the source block the pixel covers, the
// block's edge pixels weighted by the covered fraction (8-bit), colours weighted by alpha.
Color32 referenceBox(const Image32& src, int dw, int dh, int dx, int dy) {
  const int64_t RX = int64_t(double(src.width()) / dw * 65536),
                RY = int64_t(double(src.height()) / dh * 65536);
  const int64_t sx0 = dx * RX >> 16, sx1 = (dx + 1) * RX >> 16, sy0 = dy * RY >> 16,
                sy1 = (dy + 1) * RY >> 16;
  const int fx0 = int(dx * RX >> 8 & 255), fx1 = int((dx + 1) * RX >> 8 & 255);
  const int fy0 = int(dy * RY >> 8 & 255), fy1 = int((dy + 1) * RY >> 8 & 255);
  uint64_t A = 0, W = 0, C[3] = {0, 0, 0};
  for (int64_t sy = sy0; sy <= sy1; ++sy)
    for (int64_t sx = sx0; sx <= sx1; ++sx) {
      const Color32 p = src.getPixel(int(sx), int(sy));
      int wx = sx == sx0 ? 255 - fx0 : 255, wy = sy == sy0 ? 255 - fy0 : 255;
      if (sx == sx1) wx += fx1 - 255;
      if (sy == sy1) wy += fy1 - 255;
      const bool edge = sx == sx0 || sx == sx1 || sy == sy0 || sy == sy1;
      const uint64_t q = edge ? uint64_t(alphaOf(p) * (wx * wy / 255) / 255) : uint64_t(alphaOf(p));
      A += q;
      for (int i = 0; i < 3; ++i) C[i] += byteOf(p, i) * q;
      W += edge ? uint64_t(wx * wy / 255) : 255;
    }
  return A ? makeColor(int(C[0] / A), int(C[1] / A), int(C[2] / A), int(A * 255 / W)) : 0;
}

TEST(Resample, BoxAverageEqualsItsDefinition) {
  std::mt19937 rng(7);
  // Random sizes, then reductions by 2 or more in both directions (the row-summing form) with
  // ratios just above 2, non-integer, integer and large.
  const int fixed[][4] = {{409, 300, 100, 97}, {201, 203, 100, 101}, {256, 256, 64, 32}, {700, 90, 7, 3}};
  for (int trial = 0; trial < 44; ++trial) {
    int sw = 1 + int(rng() % 70), sh = 1 + int(rng() % 70), dw = 1 + int(rng() % 40),
        dh = 1 + int(rng() % 40);
    if (trial >= 40)
      sw = fixed[trial - 40][0], sh = fixed[trial - 40][1], dw = fixed[trial - 40][2],
      dh = fixed[trial - 40][3];
    Image32 src(sw, sh), dst(dw, dh);
    fillRandom(src, uint32_t(trial));
    parallel::ThreadCountOverride threads(1 + trial % 3);  // the same on any thread count
    resampleWhole(dst, src, kResampleBox);
    const int64_t RX = int64_t(double(sw) / dw * 65536), RY = int64_t(double(sh) / dh * 65536);
    const bool nearest = double(sw) / dw <= 0.5 || double(sh) / dh <= 0.5;  // enlargements by 2 or more
    for (int y = 0; y < dh; ++y)
      for (int x = 0; x < dw; ++x)
        ASSERT_EQ(dst.getPixel(x, y), nearest ? src.getPixel(int(x * RX >> 16), int(y * RY >> 16))
                                              : referenceBox(src, dw, dh, x, y))
            << sw << "x" << sh << " -> " << dw << "x" << dh << " at " << x << "," << y;
  }
}

TEST(Resample, SixSampleMeanAndNearest) {
  Image32 src(9, 4), dst(3, 2);
  fillRandom(src, 3);
  resampleWhole(dst, src, kResampleSixSample);
  for (int dy = 0; dy < 2; ++dy)  // ratios 3 and 2: columns 3 dx + 0..2, rows 2 dy + 0..1
    for (int dx = 0; dx < 3; ++dx) {
      uint64_t A = 0, C[3] = {0, 0, 0};
      for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 3; ++i) {
          const Color32 p = src.getPixel(3 * dx + i, 2 * dy + j);
          A += alphaOf(p);
          for (int b = 0; b < 3; ++b) C[b] += byteOf(p, b) * uint64_t(alphaOf(p));
        }
      EXPECT_EQ(dst.getPixel(dx, dy),
                A ? makeColor(int(C[0] / A), int(C[1] / A), int(C[2] / A), int(A * 255 / 1530)) : 0);
    }
  resampleWhole(dst, src, kResampleNearest);
  EXPECT_EQ(dst.getPixel(2, 1), src.getPixel(6, 2));
}

struct CountingProgress : ResampleProgress {
  std::vector<std::pair<int, int>> calls;
  void rowDone(int32_t row, int32_t rows) override { calls.push_back({row, rows}); }
};

TEST(Resample, RectanglesSampleInPlaceAndReportProgress) {
  // A rectangle partly left of and below the destination: clipped, and each pixel still takes
  // its value from its own position in the whole destination.
  Image32 whole(37, 23), part(37, 23), big(80, 50);
  fillRandom(big, 12);
  for (int mode : {kResampleNearest, kResampleBox, kResampleSixSample}) {
    resampleWhole(whole, big, mode);
    part.fill(0xDEADBEEFu);
    CountingProgress progress;
    EXPECT_TRUE(resample(part, big, -5, 10, 20, 100, mode, &progress));
    EXPECT_EQ(progress.calls.size(), 13u);
    EXPECT_EQ(progress.calls.back(), (std::pair<int, int>{12, 13}));
    for (int y = 0; y < 23; ++y)
      for (int x = 0; x < 37; ++x)
        ASSERT_EQ(part.getPixel(x, y), (x < 15 && y >= 10) ? whole.getPixel(x, y) : 0xDEADBEEFu);
  }
}

TEST(Resample, DegenerateInputIsSafe) {
  Image32 src(10, 10), dst(5, 5), empty, wide(5000, 1), tiny(1, 1);
  fillRandom(src, 1);
  fillRandom(wide, 4);
  dst.fill(0x01020304u);
  empty.releasePixels();
  EXPECT_TRUE(resampleWhole(dst, src, 2));  // unknown modes: unchanged
  EXPECT_TRUE(resampleWhole(dst, src, -1));
  Color32 first;
  EXPECT_TRUE(dst.isUniform(&first) && first == 0x01020304u);
  EXPECT_TRUE(resampleWhole(dst, empty, 1));
  EXPECT_TRUE(resampleWhole(empty, src, 1));
  EXPECT_TRUE(resample(dst, src, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 1));
  EXPECT_TRUE(resample(dst, src, INT32_MAX, 0, INT32_MAX, 5, 1));
  EXPECT_TRUE(resample(dst, src, 2, 2, -4, -4, 1));
  for (int mode : {0, 1, 3}) {  // extreme ratios both ways
    resampleWhole(tiny, wide, mode);
    resampleWhole(wide, tiny, mode);
  }
}

}  // namespace
}  // namespace kanvo
