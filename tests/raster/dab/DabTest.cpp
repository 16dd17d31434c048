// Brush dabs against a plain per-pixel reference built from the rules in Dab.h and
// DiscCoverage.h: every pixel of the image, no box, no shortcuts.
#include "raster/dab/Dab.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace kanvo {
namespace {

int64_t fixed(double v, int steps) { return int64_t(std::floor(v * steps)); }

// The value pixel (x, y) receives, by the rules alone.
int referenceValue(const DabStyle& s, double cx, double cy, double r, int32_t x, int32_t y) {
  const int32_t side = int32_t((r + 1) * 2), bx = int32_t(cx - r), by = int32_t(cy - r);
  if (x < bx || y < by || x >= bx + side || y >= by + side) return 0;
  const auto inside32 = [&](int32_t px, int32_t py, double radius) {
    const int64_t dx = 32 * int64_t(px) - fixed(cx, 32), dy = 32 * int64_t(py) - fixed(cy, 32), R = int64_t(32 * radius);
    return dx * dx + dy * dy < R * R;
  };
  const int corners = inside32(x, y, r) + inside32(x + 1, y, r) + inside32(x, y + 1, r) + inside32(x + 1, y + 1, r);
  int c = 255;
  if (r <= 3 || (corners != 4 && !inside32(x, y, r - 2))) {
    if (r > 3 && corners == 0) return 0;
    const int n = s.grid;
    const int64_t RN = int64_t(n * r);
    int count = 0;
    for (int i = 0; i < n * n; ++i) {
      const int64_t sx = int64_t(n) * x + i % n - fixed(cx, n), sy = int64_t(n) * y + i / n - fixed(cy, n);
      count += sx * sx + sy * sy < RN * RN;
    }
    c = count * 255 / (n * n);
  }
  if (!s.antialias) c = c < 128 ? 0 : 255;
  if (c == 0) return 0;
  int v = s.opacity;
  if (s.softEdge) {
    const double dx = 256 * int64_t(x) + 128 - fixed(cx, 256), dy = 256 * int64_t(y) + 128 - fixed(cy, 256);
    v = int(std::max(0.0, 255 - std::floor(std::hypot(dx, dy)) * 255 / ((r + 1) * 256)) * s.opacity / 255);
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
  ASSERT_TRUE(mask.resize(640, 640));
  for (int32_t y = 0; y < 640; ++y)
    for (int32_t x = 0; x < 640; ++x) mask.setPixel(x, y, uint8_t((x * 7 + y * 3) % 256 > 40 ? x + y : 0));
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
        s.mask = variant == kMasked ? &mask : nullptr;
        s.maskOffsetX = 64;
        s.maskOffsetY = 3;
        TiledImage8 out;
        ASSERT_TRUE(out.resize(side, side));
        ASSERT_TRUE(renderDab(out, s, cx, cy, r));
        int64_t sum = 0;
        for (int32_t y = 0; y < side; ++y)
          for (int32_t x = 0; x < side; ++x) {
            sum += out.getPixel(x, y);
            ASSERT_EQ(out.getPixel(x, y), referenceValue(s, cx, cy, r, x, y))
                << "r " << r << " centre " << cx << "," << cy << " variant " << variant << " at " << x << "," << y;
          }
        // The grid truncates the radius to 1/N pixel: the area lies between those of the
        // truncated and the true disc, give or take the edge sampling.
        const double low = std::numbers::pi * std::pow(std::max(0.0, r - 1.0 / s.grid), 2) * 255;
        if (variant == kPlain) {
          EXPECT_GE(double(sum), low * 0.9 - 128) << r << " frac " << frac;
          EXPECT_LE(double(sum), std::numbers::pi * r * r * 255 * 1.02 + 128) << r << " frac " << frac;
        }
      }
    }
  }
}

TEST(Dab, AccumulationNoiseAndLimits) {
  TiledImage8 out;
  ASSERT_TRUE(out.resize(64, 64));
  DabStyle s;
  s.opacity = 100;
  Rect box;
  ASSERT_TRUE(renderDab(out, s, 20, 20, 5, DabAccumulation::kMaximum, 0, &box));
  EXPECT_EQ(box, Rect(15, 15, 12, 12));
  s.opacity = 60;  // a weaker dab over it changes nothing; toward a constant it blends
  ASSERT_TRUE(renderDab(out, s, 20, 20, 5));
  EXPECT_EQ(out.getPixel(20, 20), 100);
  ASSERT_TRUE(renderDab(out, s, 20, 20, 5, DabAccumulation::kTowardConstant, 10));
  EXPECT_EQ(out.getPixel(20, 20), ((60 + 1) * 10 + (255 - 60) * 100) >> 8);
  for (double bad : {0.0, -1.0, 250.5, std::nan("")}) EXPECT_FALSE(renderDab(out, s, 20, 20, bad)) << bad;
  for (double bad : {std::nan(""), 1e300, -1e9, -20.0}) EXPECT_FALSE(renderDab(out, s, bad, 20, 5)) << bad;
  // Noise adds a random low bit without wrapping a full value to 0; the source covers
  // 0 ... 32767 and repeats for a seed.
  SeededRandom random(5), a(77), b(77);
  s.opacity = 255;
  s.noise = true;
  s.random = &random;
  ASSERT_TRUE(renderDab(out, s, 32, 32, 10));
  EXPECT_EQ(out.getPixel(32, 32), 255);
  int lo = RandomSource::kMax, hi = 0;
  for (int i = 0; i < 100000; ++i) {
    const int v = a.next();
    ASSERT_EQ(v, b.next());
    lo = std::min(lo, v);
    hi = std::max(hi, v);
  }
  EXPECT_EQ(std::pair(lo, hi), std::pair(0, RandomSource::kMax));
}

}  // namespace
}  // namespace kanvo
