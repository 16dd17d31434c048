// Screen tones: cell sizes and rejected inputs, the tone tiles (coverage, monotone, built from
// the dots, the level tables), the dot drawing, the conversion of grey tiles to ink, and the
// tiles and dots pinned.
#include "raster/tone/ToneSet.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <span>
#include <tuple>

#include "support/ImageCompare.h"

namespace kanvo {
namespace {

int64_t inkOf(const Image1& image) {
  int64_t n = 0;
  for (int32_t y = 0; y < image.height(); ++y)
    for (int32_t x = 0; x < image.width(); ++x) n += image.getPixel(x, y);
  return n;
}

TEST(ToneSet, RoundingCellSizesAndRejectedInputs) {
  const std::pair<double, int32_t> rounding[] = {
      {2.5, 3},    {2.4999, 2},        {-2.5, -3},          {-2.4999, -2},     {-0.5, -1},
      {84.85, 85}, {1e300, INT32_MAX}, {-1e300, INT32_MIN}, {std::nan(""), 0}, {0.49999999999999994, 0}};
  for (auto [v, want] : rounding) EXPECT_EQ(ToneSet::roundHalfAway(v), want) << v;
  ToneSet set;
  // n = resolution / (lines x sqrt 2) rounded, raised to at least 4.
  const struct {
    double lines, resolution;
    int32_t n;
  } sizes[] = {{60, 350, 4}, {60, 170, 4}, {60, 600, 7}, {5, 600, 85}, {60, -600, 4}};
  for (const auto& s : sizes) {
    ASSERT_TRUE(set.build(s.lines, s.resolution));
    EXPECT_TRUE(set.cellSize() == s.n && set.dot(127)->width() == s.n && set.tone(255)->height() == 2 * s.n);
    EXPECT_TRUE(set.dot(128) == nullptr && set.tone(256) == nullptr && set.tone(-1) == nullptr);
  }
  set.release();
  EXPECT_TRUE(!set.isBuilt() && set.cellSize() == 0 && set.tone(0) == nullptr);
  for (auto [lines, resolution] : {std::pair{0.0, 600.0},
                                   {-5.0, 600.0},
                                   {std::nan(""), 600.0},
                                   {60.0, std::numeric_limits<double>::infinity()},
                                   {5.0, 1e9}})
    EXPECT_FALSE(set.build(lines, resolution) || set.isBuilt()) << lines << " " << resolution;
}

// Tone tiles: 0 empty, 255 solid, coverage non-decreasing and close to t / 255, two diagonal
// cells holding the level's dot (from 128 on: solid, with the other two holding the inverted
// dot of 255 - t).
void checkTones(double lines, double resolution, double tolerance) {
  ToneSet set;
  ASSERT_TRUE(set.build(lines, resolution));
  const int32_t n = set.cellSize();
  const int64_t area = 4 * int64_t(n) * n;
  int64_t previous = -1;
  for (int t = 0; t < 256; ++t) {
    const int64_t ink = inkOf(*set.tone(t));
    EXPECT_GE(ink, previous) << "tone " << t;
    previous = ink;
    EXPECT_NEAR(double(ink) / double(area), t / 255.0, tolerance) << "tone " << t << " cell " << n;
    EXPECT_EQ(ink,
              t < 128 ? 2 * inkOf(*set.dot(t)) : area / 2 + 2 * (int64_t(n) * n - inkOf(*set.dot(255 - t))));
  }
  EXPECT_TRUE(inkOf(*set.tone(0)) == 0 && inkOf(*set.tone(255)) == area);
}

TEST(ToneSet, TonesOfSmallDefaultAndLargeCells) {
  for (auto [lines, resolution, tolerance] : {std::tuple{60, 350, 0.035}, {60, 600, 0.02}, {10, 600, 0.004}})
    checkTones(lines, resolution, tolerance);
}

// The disc coverage itself is the brush dab's (DabTest); a dot is its pixels of coverage 128 or
// more, pinned below.
TEST(ToneSet, DrawDotLimits) {
  Image1 image(40, 40);
  image.fill(0);
  const double nan = std::nan("");
  const double refused[][4] = {{20, 20, 0, 20},  {20, 20, -1, 20},  {20, 20, 251, 20}, {20, 20, nan, 20},
                               {nan, 20, 5, 20}, {1e12, 20, 5, 20}, {20, 20, 5, 0},    {-20, 20, 5, 20}};
  for (const auto& a : refused) EXPECT_FALSE(ToneSet::drawDot(image, a[0], a[1], a[2], 1, int(a[3])));
  EXPECT_EQ(inkOf(image), 0);
  EXPECT_TRUE(ToneSet::drawDot(image, 20, 20, 250, 1, 20));  // covers everything
  EXPECT_EQ(inkOf(image), 1600);
  EXPECT_TRUE(ToneSet::drawDot(image, 20, 20, 5, 0, 20));  // value 0 clears
  EXPECT_LT(inkOf(image), 1600);
}

TEST(ToneSet, ConvertFollowsTheTones) {
  ToneSet set, unbuilt;
  ASSERT_TRUE(set.build(60, 600));
  const int32_t period = 2 * set.cellSize();
  TiledImage8 grey;
  TiledImage1 ink, other;
  ASSERT_TRUE(grey.resize(200, 150) && ink.resize(200, 150) && other.resize(201, 150));
  std::mt19937 rng(9);
  for (int32_t y = 0; y < 150; ++y)
    for (int32_t x = 64; x < 200; ++x) grey.setPixel(x, y, uint8_t(rng()));
  ASSERT_NE(grey.getOrCreateTile(0, 1), nullptr);  // present, all zero
  ink.setPixel(10, 10, 1);                         // under an absent grey tile
  ink.setPixel(10, 100, 1);                        // under the all-zero grey tile
  ink.setPixel(199, 149, 1);                       // tile column 3: beyond the rectangle
  // Rect (1, 1, 130, 70) widens to tiles 0..2 x 0..1.
  ASSERT_TRUE(set.convert(grey, ink, Rect(1, 1, 130, 70)));
  EXPECT_FALSE(ink.tileExists(0, 0));  // freed
  EXPECT_TRUE(ink.tileExists(0, 1));   // rows of zeros overwrite the present tile
  EXPECT_EQ(ink.getPixel(10, 100), 0);
  for (int32_t y = 0; y < 128; ++y)
    for (int32_t x = 64; x < 192; ++x)
      ASSERT_EQ(ink.getPixel(x, y), set.tone(grey.getPixel(x, y))->getPixel(x % period, y % period))
          << x << "," << y;
  EXPECT_TRUE(ink.getPixel(199, 149) == 1 && ink.getPixel(199, 0) == 0 && !ink.tileExists(3, 0));
  EXPECT_FALSE(set.convert(grey, other, Rect(0, 0, 200, 150)));  // sizes must match
  EXPECT_FALSE(unbuilt.convert(grey, ink, Rect(0, 0, 200, 150)));
  // Absent and all-zero grey tiles leave no ink tiles; full grey gives full ink inside only.
  grey.clear();
  ink.clear();
  for (int32_t i = 0; i < 150; i += 40) ink.setPixel(i, i, 1);
  ASSERT_NE(grey.getOrCreateTile(2, 1), nullptr);
  ASSERT_TRUE(set.convert(grey, ink, Rect(-50, -50, 1000, 1000)));
  EXPECT_EQ(ink.presentTileCount(), 0);
  SpanParams full;
  full.key = 255;
  ASSERT_TRUE(grey.fillRect(full, 0, 0, 200, 150));
  ASSERT_TRUE(set.convert(grey, ink, Rect(0, 0, 200, 150)));
  EXPECT_TRUE(ink.usedBounds() == Rect(0, 0, 200, 150) && ink.presentTileCount() == 12);
}

uint64_t hashOf(const Image1& image) {
  return test::fnv1a(std::span<const uint8_t>(image.bits(), size_t(image.byteCount())));
}

// The tone cells are drawn by the shared disc coverage: their tiles are pinned so that any change
// of the coverage arithmetic that would alter a printed tone shows here.
TEST(ToneTilesPin, TilesAndDotsUnchanged) {
  const struct {
    double lines, resolution;
    uint64_t hash;
  } cases[] = {{60, 350, 11068764431167970944u}, {60, 600, 14958252702985818464u}, {10, 600, 9523230773551479880u},
               {37, 1200, 3611558879562804612u}};
  for (const auto& c : cases) {
    ToneSet set;
    ASSERT_TRUE(set.build(c.lines, c.resolution));
    uint64_t h = 0;
    for (int t = 0; t < ToneSet::kToneCount; ++t) h = h * 31 + hashOf(*set.tone(t));
    EXPECT_EQ(h, c.hash) << c.lines << " " << c.resolution;
  }
  // Centres, radii and grids beyond what the tone build uses.
  const struct {
    double cx, cy, r;
    int s;
  } dots[] = {{20.3, 20.7, 0.4, 5}, {10, 10, 2.99, 11}, {31.9, 7.2, 3.01, 5}, {0.5, 40.25, 9.5, 7},
              {40.1, 33.3, 17.2, 20}, {63.7, 50.0, 8.0, 3}, {32, 32, 30.6, 1}};
  uint64_t h = 0;
  for (const auto& d : dots) {
    Image1 image(64, 64);
    image.fill(0);
    ToneSet::drawDot(image, d.cx, d.cy, d.r, 1, d.s);
    h = h * 31 + hashOf(image);
  }
  EXPECT_EQ(h, 14006049610228026603u);
}

}  // namespace
}  // namespace kanvo
