// Where the window's parts go, which panel control a point hits, and the colour palette's field
// and strip pixel for pixel with the nearest-colour search.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "app/BottomBar.h"
#include "app/ColorPalette.h"
#include "app/HistoryBudget.h"
#include "app/HueColour.h"
#include "app/ScreenLayout.h"
#include "app/TapKeys.h"
#include "app/ToolPanel.h"
#include "raster/pixel/PixelOps.h"

namespace kanvo {
namespace {

TEST(ScreenLayoutTest, PartsTileTheWindowAndNeverShrinkBelowOnePixel) {
  struct Case {
    int32_t w, h;
    bool palette;
    int32_t viewW, viewH, canvasX;
  } cases[] = {
      {800, 600, false, 740, 570, 0},  {800, 600, true, 563, 570, 177}, {237, 100, true, 1, 70, 177},
      {236, 29, true, 1, 1, 177},      {10, 10, false, 1, 1, 0},        {0, 0, true, 1, 1, 177},
      {61, 31, false, 1, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << (c.palette ? " with palette" : ""));
    const ScreenLayout l = ScreenLayout::of(c.w, c.h, c.palette);
    EXPECT_EQ(l.viewWidth, c.viewW);
    EXPECT_EQ(l.viewHeight, c.viewH);
    EXPECT_EQ(l.canvasX, c.canvasX);
    EXPECT_EQ(l.panelX(), c.canvasX + c.viewW);
    EXPECT_EQ(l.barY(), c.viewH);
    EXPECT_GE(l.barWidth, 1);
    EXPECT_EQ(l.panelHeight, c.viewH);
  }
}

TEST(BottomBarTest, HitAreasAtTheirEdges) {
  using A = BottomBar::Area;
  struct Case {
    int32_t x;
    A area;
    int preset;
  } cases[] = {{-1, A::kNone, -1},          {0, A::kPaletteButton, -1}, {29, A::kPaletteButton, -1},
               {30, A::kNone, -1},          {45, A::kColourStrip, -1},  {144, A::kColourStrip, -1},
               {145, A::kNone, -1},         {160, A::kUndo, -1},        {189, A::kUndo, -1},
               {190, A::kRedo, -1},         {219, A::kRedo, -1},        {220, A::kNone, -1},
               {235, A::kBrush, -1},        {264, A::kBrush, -1},       {279, A::kNone, -1},
               {280, A::kPresets, 0},       {303, A::kPresets, 0},      {304, A::kPresets, 1},
               {352, A::kPresets, 3},       {471, A::kPresets, 7},      {472, A::kNone, -1}};
  for (const Case& c : cases) {
    EXPECT_EQ(BottomBar::areaAt(c.x), c.area) << c.x;
    EXPECT_EQ(BottomBar::presetAt(c.x), c.preset) << c.x;
  }
}

TEST(ToolPanelTest, ButtonsLayerRowsAndAntialiasCellsAtTheirEdges) {
  struct Button {
    int32_t x, y;
    int index;
  } buttons[] = {{0, 0, 0},   {29, 29, 0},  {30, 0, 1},  {59, 29, 1}, {0, 30, 2},
                 {30, 119, 7}, {0, 120, -1}, {60, 0, -1}, {-1, 0, -1}};
  for (const Button& b : buttons) EXPECT_EQ(ToolPanel::buttonAt(b.x, b.y), b.index) << b.x << "," << b.y;

  struct Row {
    int32_t y, layers, index;
  } rows[] = {{144, 5, -1}, {145, 5, 4}, {164, 5, 4}, {165, 5, 3}, {244, 5, 0}, {245, 5, -1},
              {145, 2, 1},  {165, 2, 0}, {185, 2, -1}, {244, 2, -1}, {145, 64, 63}, {244, 64, 59}};
  for (const Row& r : rows) EXPECT_EQ(ToolPanel::layerAt(r.y, r.layers), r.index) << r.y << " of " << r.layers;

  struct Cell {
    int32_t x, y;
    int on;
  } cells[] = {{0, 280, 1}, {19, 299, 1}, {20, 280, 0}, {39, 299, 0}, {40, 290, -1}, {0, 279, -1}, {0, 300, -1}};
  for (const Cell& c : cells) EXPECT_EQ(ToolPanel::antialiasAt(c.x, c.y), c.on) << c.x << "," << c.y;
}

TEST(TapKeysTest, OnlyACleanTapRunsTheCommand) {
  struct Step {
    char what;  // d down, r repeat, u up, s stylus press, o other key down
    int32_t key;
    bool due = false;  // for u
  };
  const std::vector<std::vector<Step>> cases = {
      {{'d', 'Z'}, {'u', 'Z', true}},
      {{'d', 'A'}, {'u', 'A', true}},
      {{'d', 'Z'}, {'s', 0}, {'u', 'Z', false}},                 // held for the eraser
      {{'d', 'Z'}, {'r', 'Z'}, {'r', 'Z'}, {'u', 'Z', false}},   // held long
      {{'d', 'Z'}, {'o', 'X'}, {'u', 'Z', false}},
      {{'o', 17}, {'d', 'Z'}, {'u', 'Z', false}},                // Ctrl held first
      {{'d', 'Z'}, {'u', 'Z', true}, {'d', 'Z'}, {'u', 'Z', true}},
      {{'u', 'Z', false}},                                       // a release without a press
      {{'d', 'S'}, {'u', 'S', false}},                           // not a tap key
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    TapKeys taps;
    bool other = false;
    for (const Step& s : cases[i]) {
      switch (s.what) {
        case 'd': taps.keyDown(s.key, false, other); break;
        case 'r': taps.keyDown(s.key, true, true); break;
        case 's': taps.stylusPressed(); break;
        case 'o': taps.keyDown(s.key, false, false), other = true; break;
        case 'u': EXPECT_EQ(taps.keyUp(s.key), s.due) << "case " << i; break;
      }
    }
  }
}

TEST(HistoryBudgetTest, ASixteenthOfMemoryWithinBounds) {
  EXPECT_EQ(historyBudgetFor(0), 64u << 20);
  EXPECT_EQ(historyBudgetFor(uint64_t(512) << 20), 64u << 20);
  EXPECT_EQ(historyBudgetFor(uint64_t(4) << 30), 256u << 20);
  EXPECT_EQ(historyBudgetFor(uint64_t(64) << 30), 1u << 30);
  EXPECT_GE(historyBudget(), 64u << 20);
}

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
