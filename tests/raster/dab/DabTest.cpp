// Brush dabs against a plain per-pixel reference built from the rules in Dab.h and
// DiscCoverage.h: every pixel of the image, no box, no shortcuts.
#include "raster/dab/Dab.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <tuple>
#include <vector>

namespace kanvo {
namespace {

constexpr int32_t kMaskSide = 640;

int64_t floorFixed(double v, int steps) { return int64_t(std::floor(v * steps)); }

// The covered share of pixel (x, y), 0 ... 255, by the rules alone.
int referenceCoverage(double cx, double cy, double r, int n, int32_t x, int32_t y) {
  const int32_t side = int32_t((r + 1) * 2), bx = int32_t(cx - r), by = int32_t(cy - r);
  if (x < bx || y < by || x >= bx + side || y >= by + side) return 0;
  auto inside32 = [&](int32_t px, int32_t py, int64_t radius) {
    const int64_t dx = 32 * int64_t(px) - floorFixed(cx, 32), dy = 32 * int64_t(py) - floorFixed(cy, 32);
    return dx * dx + dy * dy < radius * radius;
  };
  if (r > 3) {
    const int64_t R = int64_t(32 * r);
    const int corners = inside32(x, y, R) + inside32(x + 1, y, R) + inside32(x, y + 1, R) + inside32(x + 1, y + 1, R);
    if (corners == 4 || (r > 2 && inside32(x, y, int64_t(32 * (r - 2))))) return 255;
    if (corners == 0) return 0;
  }
  int count = 0;
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      const int64_t sx = int64_t(n) * x + j - floorFixed(cx, n), sy = int64_t(n) * y + i - floorFixed(cy, n);
      const int64_t RN = int64_t(n * r);
      count += sx * sx + sy * sy < RN * RN;
    }
  return count * 255 / (n * n);
}

int referenceValue(const DabStyle& s, double cx, double cy, double r, int32_t x, int32_t y) {
  int c = referenceCoverage(cx, cy, r, s.grid, x, y);
  if (c == 0) return 0;
  if (!s.antialias) c = c < 128 ? 0 : 255;
  if (c == 0) return 0;
  int v = s.opacity;
  if (s.softEdge) {
    const double dx = 256 * int64_t(x) + 128 - floorFixed(cx, 256), dy = 256 * int64_t(y) + 128 - floorFixed(cy, 256);
    const double d = std::floor(std::sqrt(dx * dx + dy * dy));
    v = int(std::max(0.0, 255 - d * 255 / ((r + 1) * 256)) * s.opacity / 255);
  }
  if (s.mask) {
    const int m = s.mask->getPixel(x + s.maskOffsetX, y + s.maskOffsetY);
    if (m == 0) return 0;
    v = ((v + 1) * m) >> 8;
  }
  v = v * c / 255;
  if (s.dither) v = v < kBayer4x4[(y % 4) * 4 + x % 4] * 16 + 8 ? 0 : 255;
  return v;
}

TEST(Dab, MatchesTheReference) {
  TiledImage8 mask;
  ASSERT_TRUE(mask.resize(kMaskSide, kMaskSide));
  for (int32_t y = 0; y < kMaskSide; ++y)
    for (int32_t x = 0; x < kMaskSide; ++x) mask.setPixel(x, y, uint8_t((x * 7 + y * 3) % 256 > 40 ? x + y : 0));

  enum Variant { kPlain, kAliased, kSoft, kMasked, kDithered, kVariants };
  for (double r : {0.3, 1.0, 2.5, 2.99, 3.0, 3.01, 4.5, 20.25, 100.0, 250.0}) {
    const int32_t side = int32_t(2 * r) + 40;  // the dab and a margin
    for (double frac : {0.0, 0.37, 0.5, 0.81}) {
      const double cx = side / 2 + frac, cy = side / 2 + 0.5 * frac + 0.25 * (frac > 0);
      for (int variant = 0; variant < kVariants; ++variant) {
        DabStyle s;
        s.grid = r < 3.0 ? 11 : 5;
        s.opacity = variant == kPlain ? 255 : 200;
        s.antialias = variant != kAliased;
        s.softEdge = variant == kSoft;
        s.dither = variant == kDithered;
        if (variant == kMasked) {
          s.mask = &mask;
          s.maskOffsetX = 64;
          s.maskOffsetY = 3;
        }
        TiledImage8 out;
        ASSERT_TRUE(out.resize(side, side));
        ASSERT_TRUE(renderDab(out, s, cx, cy, r));
        int64_t sum = 0;
        for (int32_t y = 0; y < side; ++y)
          for (int32_t x = 0; x < side; ++x) {
            const int v = out.getPixel(x, y);
            sum += v;
            ASSERT_EQ(v, referenceValue(s, cx, cy, r, x, y))
                << "r " << r << " centre " << cx << "," << cy << " variant " << variant << " at " << x << "," << y;
          }
        if (variant == kPlain) {
          // The grid truncates the radius to 1/N pixel: the area lies between those of the
          // truncated and the true disc, give or take the edge sampling.
          const double area = std::numbers::pi * r * r * 255;
          const double low = std::numbers::pi * std::pow(std::max(0.0, r - 1.0 / s.grid), 2) * 255;
          EXPECT_GE(double(sum), low * 0.9 - 255 * 0.5) << r << " frac " << frac;
          EXPECT_LE(double(sum), area * 1.02 + 255 * 0.5) << r << " frac " << frac;
        }
      }
    }
  }
}

TEST(Dab, AccumulationAndLimits) {
  TiledImage8 out;
  ASSERT_TRUE(out.resize(64, 64));
  DabStyle s;
  s.opacity = 100;
  Rect box;
  ASSERT_TRUE(renderDab(out, s, 20, 20, 5, DabAccumulation::kMaximum, 0, &box));
  EXPECT_EQ(box, Rect(15, 15, 12, 12));
  s.opacity = 60;  // a weaker dab over it changes nothing
  ASSERT_TRUE(renderDab(out, s, 20, 20, 5));
  EXPECT_EQ(out.getPixel(20, 20), 100);
  // Toward a constant: ((v + 1) c + (255 - v) old) >> 8.
  ASSERT_TRUE(renderDab(out, s, 20, 20, 5, DabAccumulation::kTowardConstant, 10));
  EXPECT_EQ(out.getPixel(20, 20), ((60 + 1) * 10 + (255 - 60) * 100) >> 8);
  // Noise adds a random low bit to a full value without wrapping it to 0.
  SeededRandom random(5);
  s.opacity = 255;
  s.noise = true;
  s.random = &random;
  TiledImage8 noisy;
  ASSERT_TRUE(noisy.resize(64, 64));
  ASSERT_TRUE(renderDab(noisy, s, 32, 32, 10));
  EXPECT_EQ(noisy.getPixel(32, 32), 255);
  for (double bad : {0.0, -1.0, 250.5, std::nan("")}) EXPECT_FALSE(renderDab(out, s, 20, 20, bad)) << bad;
  for (double bad : {std::nan(""), 1e300, -1e9}) EXPECT_FALSE(renderDab(out, s, bad, 20, 5)) << bad;
  EXPECT_FALSE(renderDab(out, s, -20, 20, 5));  // box outside
  // The random source covers 0 ... 32767 and repeats for a seed.
  SeededRandom a(77), b(77);
  int lo = RandomSource::kMax, hi = 0;
  for (int i = 0; i < 100000; ++i) {
    const int v = a.next();
    ASSERT_EQ(v, b.next());
    std::tie(lo, hi) = std::pair{std::min(lo, v), std::max(hi, v)};
  }
  EXPECT_EQ(std::pair(lo, hi), std::pair(0, RandomSource::kMax));
}

}  // namespace
}  // namespace kanvo
