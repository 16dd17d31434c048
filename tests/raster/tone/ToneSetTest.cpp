#include "raster/tone/ToneSet.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace kanvo {
namespace {

int64_t inkOf(const Image1& image) {
  int64_t n = 0;
  for (int32_t y = 0; y < image.height(); ++y)
    for (int32_t x = 0; x < image.width(); ++x) n += image.getPixel(x, y);
  return n;
}

TEST(ToneSet, RoundHalfAway) {
  EXPECT_EQ(ToneSet::roundHalfAway(2.5), 3);
  EXPECT_EQ(ToneSet::roundHalfAway(2.4999), 2);
  EXPECT_EQ(ToneSet::roundHalfAway(-2.5), -3);
  EXPECT_EQ(ToneSet::roundHalfAway(-2.4999), -2);
  EXPECT_EQ(ToneSet::roundHalfAway(0.49999999999999994), 0);
  EXPECT_EQ(ToneSet::roundHalfAway(-0.5), -1);
  EXPECT_EQ(ToneSet::roundHalfAway(84.85), 85);
  EXPECT_EQ(ToneSet::roundHalfAway(std::nan("")), 0);
  EXPECT_EQ(ToneSet::roundHalfAway(1e300), INT32_MAX);
  EXPECT_EQ(ToneSet::roundHalfAway(-1e300), INT32_MIN);
}

TEST(ToneSet, ConstructionAndCellSizes) {
  ToneSet set;
  EXPECT_FALSE(set.isBuilt());
  EXPECT_EQ(set.cellSize(), 0);
  const int32_t bayer[16] = {0, 8, 2, 10, 12, 4, 14, 6, 3, 11, 1, 9, 15, 7, 13, 5};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(set.ditherMatrix()[i], bayer[i]);

  ASSERT_TRUE(set.build(60, 350));  // 350 / 84.85 = 4.12
  EXPECT_EQ(set.cellSize(), 4);
  EXPECT_EQ(set.tone(0)->width(), 8);
  EXPECT_EQ(set.dot(0)->width(), 4);
  ASSERT_TRUE(set.build(60, 170));  // 2.0, raised to 4
  EXPECT_EQ(set.cellSize(), 4);
  ASSERT_TRUE(set.build(60, 600));  // 7.07
  EXPECT_EQ(set.cellSize(), 7);
  ASSERT_TRUE(set.build(5, 600));  // 84.85
  EXPECT_EQ(set.cellSize(), 85);
  EXPECT_EQ(set.tone(200)->height(), 170);
  set.release();
  EXPECT_FALSE(set.isBuilt());
  EXPECT_EQ(set.cellSize(), 0);
  EXPECT_EQ(set.tone(0), nullptr);
  EXPECT_EQ(set.dot(0), nullptr);
  EXPECT_EQ(set.nextDifferentLevel(3), 0);

  // Absurd inputs fail cleanly and leave no patterns.
  EXPECT_FALSE(set.build(0, 600));
  EXPECT_FALSE(set.build(-5, 600));
  EXPECT_FALSE(set.build(std::nan(""), 600));
  EXPECT_FALSE(set.build(60, std::numeric_limits<double>::infinity()));
  EXPECT_FALSE(set.build(5, 1e9));
  EXPECT_FALSE(set.isBuilt());
  ASSERT_TRUE(set.build(60, -600));  // negative n is raised to 4
  EXPECT_EQ(set.cellSize(), 4);
}

// Tone tiles: 0 empty, 255 solid, coverage non-decreasing and close to t / 255; the level
// tables agree with a plain comparison of the tiles.
void checkTones(double lines, double resolution, double tolerance) {
  ToneSet set;
  ASSERT_TRUE(set.build(lines, resolution));
  const int32_t n = set.cellSize();
  const double area = 4.0 * n * n;
  EXPECT_EQ(inkOf(*set.tone(0)), 0);
  EXPECT_EQ(inkOf(*set.tone(255)), int64_t(area));
  int64_t previous = -1;
  for (int t = 0; t < 256; ++t) {
    const Image1& tone = *set.tone(t);
    ASSERT_EQ(tone.width(), 2 * n);
    ASSERT_EQ(tone.height(), 2 * n);
    const int64_t ink = inkOf(tone);
    EXPECT_GE(ink, previous) << "tone " << t;
    previous = ink;
    EXPECT_NEAR(double(ink) / area, t / 255.0, tolerance) << "tone " << t << " cell " << n;
    // Two diagonal cells hold the level's dot; the other two hold the opposite.
    if (t < 128) {
      EXPECT_EQ(inkOf(*set.dot(t)) * 2, ink);
    } else {
      EXPECT_EQ(2 * n * n + (int64_t(n) * n - inkOf(*set.dot(255 - t))) * 2, ink);
    }
  }
  for (int t = 0; t < 256; ++t) {
    int canonical = t;
    for (int u = 0; u < t; ++u)
      if (set.tone(u)->equals(*set.tone(t))) {
        canonical = u;
        break;
      }
    int next = t;
    for (int u = t + 1; u < 256; ++u)
      if (!set.tone(u)->equals(*set.tone(t))) {
        next = u;
        break;
      }
    EXPECT_EQ(set.canonicalLevel(t), canonical) << t;
    EXPECT_EQ(set.nextDifferentLevel(t), next) << t;
  }
  EXPECT_EQ(set.canonicalLevel(0), 0);
  EXPECT_EQ(set.nextDifferentLevel(255), 255);
  // Tones 127 and 128 both cover about half.
  EXPECT_NEAR(double(inkOf(*set.tone(127))) / area, 0.5, tolerance);
  EXPECT_NEAR(double(inkOf(*set.tone(128))) / area, 0.5, tolerance);
}

TEST(ToneSet, TonesSmallCell) { checkTones(60, 350, 0.035); }
TEST(ToneSet, TonesDefaultResolution) { checkTones(60, 600, 0.02); }
TEST(ToneSet, TonesLargeCell) { checkTones(10, 600, 0.004); }

TEST(ToneSet, DrawDotLimits) {
  Image1 image(40, 40);
  image.fill(0);
  EXPECT_FALSE(ToneSet::drawDot(image, 20, 20, 0, 1, 20));
  EXPECT_FALSE(ToneSet::drawDot(image, 20, 20, -1, 1, 20));
  EXPECT_FALSE(ToneSet::drawDot(image, 20, 20, 251, 1, 20));
  EXPECT_FALSE(ToneSet::drawDot(image, 20, 20, std::nan(""), 1, 20));
  EXPECT_FALSE(ToneSet::drawDot(image, std::nan(""), 20, 5, 1, 20));
  EXPECT_FALSE(ToneSet::drawDot(image, 1e12, 20, 5, 1, 20));
  EXPECT_FALSE(ToneSet::drawDot(image, 20, 20, 5, 1, 0));
  EXPECT_FALSE(ToneSet::drawDot(image, -20, 20, 5, 1, 20));  // box outside
  EXPECT_EQ(inkOf(image), 0);
  EXPECT_TRUE(ToneSet::drawDot(image, 20, 20, 250, 1, 20));  // covers everything
  EXPECT_EQ(inkOf(image), 1600);
  EXPECT_TRUE(ToneSet::drawDot(image, 20, 20, 5, 0, 20));  // value 0 clears
  EXPECT_LT(inkOf(image), 1600);
}

TEST(ToneSet, DrawDotShape) {
  // Pixels well inside the circle are set, pixels well outside are not, and the area is
  // close to pi r^2, for radii decided by corners and by supersampling alone.
  for (double r : {0.7, 1.5, 2.9, 3.2, 6.3, 17.75, 40.0}) {
    Image1 image(128, 128);
    image.fill(0);
    const double cx = 60.3, cy = 61.6;
    ASSERT_TRUE(ToneSet::drawDot(image, cx, cy, r, 1, 20));
    for (int32_t y = 0; y < 128; ++y) {
      for (int32_t x = 0; x < 128; ++x) {
        const double px = x + 0.5 - cx, py = y + 0.5 - cy;
        const double d = std::sqrt(px * px + py * py);
        if (d < r - 1.0) {
          ASSERT_EQ(image.getPixel(x, y), 1) << r << " at " << x << "," << y;
        }
        if (d > r + 1.0) {
          ASSERT_EQ(image.getPixel(x, y), 0) << r << " at " << x << "," << y;
        }
      }
    }
    const double area = 3.14159265358979 * r * r;
    EXPECT_NEAR(double(inkOf(image)), area, 2.0 + 0.1 * area + 2 * r) << r;
  }
}

TEST(ToneSet, ConvertFollowsTheTones) {
  ToneSet set;
  ASSERT_TRUE(set.build(60, 600));
  const int32_t period = 2 * set.cellSize();
  TiledImage8 grey;
  TiledImage1 ink;
  ASSERT_TRUE(grey.resize(200, 150));
  ASSERT_TRUE(ink.resize(200, 150));
  std::mt19937 rng(9);
  for (int32_t y = 0; y < 150; ++y)
    for (int32_t x = 64; x < 200; ++x) grey.setPixel(x, y, uint8_t(rng()));
  ASSERT_NE(grey.getOrCreateTile(0, 1), nullptr);  // present, all zero
  ink.setPixel(10, 10, 1);                           // under an absent grey tile
  ink.setPixel(10, 100, 1);                          // under the all-zero grey tile
  ink.setPixel(199, 149, 1);                         // tile column 3: beyond the rectangle
  // Rect (1, 1, 130, 70) widens to tiles 0..2 x 0..1.
  ASSERT_TRUE(set.convert(grey, ink, Rect(1, 1, 130, 70)));
  EXPECT_FALSE(ink.tileExists(0, 0));  // freed
  EXPECT_TRUE(ink.tileExists(0, 1));   // rows of zeros overwrite the present tile
  EXPECT_EQ(ink.getPixel(10, 100), 0);
  for (int32_t y = 0; y < 128; ++y)
    for (int32_t x = 64; x < 192; ++x)
      ASSERT_EQ(ink.getPixel(x, y), set.tone(grey.getPixel(x, y))->getPixel(x % period, y % period)) << x << "," << y;
  // Tile column 3 lies outside the widened rectangle: untouched.
  EXPECT_EQ(ink.getPixel(199, 149), 1);
  EXPECT_EQ(ink.getPixel(199, 0), 0);
  EXPECT_FALSE(ink.tileExists(3, 0));

  // Sizes must match; an unbuilt set converts nothing.
  TiledImage1 other;
  ASSERT_TRUE(other.resize(201, 150));
  EXPECT_FALSE(set.convert(grey, other, Rect(0, 0, 200, 150)));
  ToneSet unbuilt;
  EXPECT_FALSE(unbuilt.convert(grey, ink, Rect(0, 0, 200, 150)));
}

TEST(ToneSet, ConvertOfAbsentTilesAllocatesNothing) {
  ToneSet set;
  ASSERT_TRUE(set.build(60, 600));
  TiledImage8 grey;
  TiledImage1 ink;
  ASSERT_TRUE(grey.resize(300, 300));
  ASSERT_TRUE(ink.resize(300, 300));
  for (int32_t i = 0; i < 300; i += 40) ink.setPixel(i, i, 1);
  ASSERT_GT(ink.presentTileCount(), 0);
  ASSERT_TRUE(set.convert(grey, ink, Rect(-50, -50, 1000, 1000)));
  EXPECT_EQ(ink.presentTileCount(), 0);
  // A grey tile of zeros converts to tone 0: no ink tile is created.
  ASSERT_NE(grey.getOrCreateTile(2, 2), nullptr);
  ASSERT_TRUE(set.convert(grey, ink, Rect(0, 0, 300, 300)));
  EXPECT_EQ(ink.presentTileCount(), 0);
  // Full grey gives full ink inside the image only.
  SpanParams p;
  p.key = 255;
  ASSERT_TRUE(grey.fillRect(p, 0, 0, 300, 300));
  ASSERT_TRUE(set.convert(grey, ink, Rect(0, 0, 300, 300)));
  EXPECT_EQ(ink.usedBounds(), Rect(0, 0, 300, 300));
  EXPECT_EQ(ink.presentTileCount(), 25);
}

}  // namespace
}  // namespace kanvo
