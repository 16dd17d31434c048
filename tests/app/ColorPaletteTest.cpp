// The colour palette's field and strip pixel for pixel, and the nearest-colour search.
#include "app/ColorPalette.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "app/BottomBar.h"
#include "app/HueColour.h"
#include "raster/pixel/PixelOps.h"

namespace kanvo {
namespace {

constexpr int32_t kSize = 128;

class ColorPaletteTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(p.initialise(kSize, 24, Rect(10, 10, kSize, kSize), Rect(143, 10, 24, kSize))); }
  ColorPalette p;
};

// Full saturation and value, and the hue within the rounding of a byte.
void expectHue(Color32 c, double degrees) {
  const int hi = std::max({redOf(c), greenOf(c), blueOf(c)}), lo = std::min({redOf(c), greenOf(c), blueOf(c)});
  EXPECT_EQ(hi, 255);
  EXPECT_EQ(lo, 0);
  const double got = hueOf(c).value_or(-1000);
  EXPECT_LT(std::abs(std::remainder(got - degrees, 360.0)), 0.125) << degrees;
}

TEST_F(ColorPaletteTest, StripRowsRunFromRedDownThroughTheHues) {
  for (int32_t y = 0; y < kSize; ++y) {
    SCOPED_TRACE(y);
    expectHue(p.strip().getPixel(0, y), 360.0 - y * 360.0 / kSize);
    for (int32_t x = 1; x < 24; ++x) ASSERT_EQ(p.strip().getPixel(x, y), p.strip().getPixel(0, y));
  }
  EXPECT_EQ(p.strip().getPixel(0, 0), rgba(255, 0, 0));
}

TEST_F(ColorPaletteTest, SettingAFieldColourFindsItAgain) {
  std::mt19937 random(7);
  for (int i = 0; i < 60; ++i) {
    p.reset();
    p.press(150, 10 + int32_t(random() % kSize));  // a hue
    p.release();
    p.press(10 + int32_t(random() % kSize), 10 + int32_t(random() % kSize));
    p.release();
    const Color32 picked = p.colour();
    p.setColour(picked);
    EXPECT_LE(colourDistanceSquared(p.colour(), picked), 100) << i;  // the hue comes back to within a strip row
  }
}

TEST_F(ColorPaletteTest, DragsClampToTheFieldAndStrip) {
  EXPECT_FALSE(p.press(5, 5));  // outside both
  EXPECT_TRUE(p.press(150, 20));
  p.move(150, 500);
  EXPECT_EQ(p.stripRow(), kSize - 1);
  p.release();
  EXPECT_FALSE(p.dragging());
  EXPECT_TRUE(p.press(20, 20));
  p.move(-400, 900);
  EXPECT_EQ(p.fieldX(), 0);
  EXPECT_EQ(p.fieldY(), kSize - 1);
  EXPECT_EQ(p.stripRow(), kSize - 1);  // a field drag leaves the hue
}

TEST(BottomBarTest, ColourStripHasTheHuesLightAboveAndDarkBelow) {
  Image32 strip;
  ASSERT_TRUE(BottomBar::buildStrip(strip));
  ASSERT_EQ(strip.width(), 100);
  ASSERT_EQ(strip.height(), 30);
  EXPECT_EQ(strip.getPixel(50, 15), rgba(0, 255, 255));
  EXPECT_EQ(strip.getPixel(0, 16), rgba(237, 0, 0));
  for (int32_t x = 0; x < 100; ++x) {
    EXPECT_EQ(strip.getPixel(x, 0), kOpaqueWhite) << x;
    expectHue(strip.getPixel(x, 15), x * 3.6);
  }
}

}  // namespace
}  // namespace kanvo
