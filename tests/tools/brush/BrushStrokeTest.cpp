// The brush engine's stroke rules: what a press, moves and a release leave on the layer.
#include <gtest/gtest.h>

#include <cmath>

#include "support/BrushRig.h"

namespace kanvo {
namespace {

using test::BrushRig;

int alphaAt(BrushRig& rig, int32_t x, int32_t y) { return alphaOf(rig.layer().pixels32.getPixel(x, y)); }

TEST(BrushStroke, PressAndReleaseAtOnePointLeaveADab) {
  for (int32_t tool : {kToolBrush, kToolDotBrush}) {
    BrushRig rig;
    rig.stroke({{40, 50, 1.0, 100}}, tool);
    EXPECT_EQ(alphaAt(rig, 40, 50), 255) << tool;
    EXPECT_EQ(rig.layer().pixels32.usedBounds().isEmpty(), false);
    EXPECT_EQ(alphaAt(rig, 60, 50), 0);
    EXPECT_EQ(*rig.history.undoLabel(), "Brush (" + rig.layer().name + ")");
    EXPECT_FALSE(rig.engine.strokeActive());
    EXPECT_EQ(rig.settings.strokes.count(), 0);
  }
}

TEST(BrushStroke, AppendRule) {
  struct Case {
    int32_t tool;
    double dx;
    uint32_t later;
    bool kept;
  } cases[] = {
      {kToolBrush, 0.0, 30, true},     // a duplicate is kept by the brush ...
      {kToolDotBrush, 0.0, 40, false},  // ... and dropped by the dot brush
      {kToolBrush, 0.5, 10, false},    // close and soon: dropped
      {kToolBrush, 0.5, 30, true},     // close but late: kept
      {kToolBrush, 1.5, 10, true},     // soon but far: kept
      {kToolDotBrush, 0.5, 10, true},  // the dot brush is exempt
  };
  for (const Case& c : cases) {
    BrushRig rig;
    uint32_t tick = 1000;
    ASSERT_TRUE(rig.press(c.tool, 10, 10, 1.0, tick));
    const int32_t first = rig.settings.strokes.count();
    EXPECT_EQ(first, c.tool == kToolDotBrush ? 7 : 1);
    for (int i = 1; i < 8; ++i) rig.move(10.0 + 4 * i, 10, 1.0, tick += 5);
    ASSERT_EQ(rig.settings.strokes.count(), first + 7);
    const StrokeSample last = rig.settings.strokes.samples.back();
    rig.move(last.x + c.dx, last.y, 1.0, tick + c.later);
    EXPECT_EQ(rig.settings.strokes.count(), first + 7 + c.kept) << c.tool << " " << c.dx << " " << c.later;
  }
  // Zoomed in 4 times, 0.5 canvas pixels are 2 screen pixels: kept.
  BrushRig rig;
  rig.zoom = 4.0;
  ASSERT_TRUE(rig.press(kToolBrush, 10, 10));
  for (int i = 1; i < 8; ++i) rig.move(10.0 + i, 10);
  rig.move(17.5, 10);
  EXPECT_EQ(rig.settings.strokes.count(), 9);
}

TEST(BrushStroke, DabSpacingFollowsTheRadius) {
  // 100 pixels straight: dabs every r / 2 up to radius 5, every r / 4 above.
  for (auto [size, spacing] : {std::pair{8.0, 2.0}, std::pair{40.0, 5.0}, std::pair{4.0, 1.0}}) {
    BrushRig rig(300, 300);
    rig.settings.attached().size = size;
    ASSERT_TRUE(rig.press(kToolBrush, 100, 100));
    rig.engine.commitStroke(rig.event(200, 100));
    EXPECT_EQ(rig.engine.raster().dabs, int64_t(std::llround(100 / spacing))) << size;
  }
}

TEST(BrushStroke, OverpaintingStaysAtTheStrokeOpacityAndAliasedEdgesAreHard) {
  BrushRig rig;
  rig.settings.attached().alpha = 0.5;
  rig.settings.attached().size = 12;
  std::vector<test::StrokeEvent> events;
  for (int i = 0; i < 60; ++i) events.push_back({40.0 + (i % 20) * 6, 60.0 + (i / 20) * 2, 1.0, uint32_t(10 * i)});
  rig.stroke(events);
  int top = 0;
  for (int32_t y = 0; y < 256; ++y)
    for (int32_t x = 0; x < 256; ++x) top = std::max(top, alphaAt(rig, x, y));
  EXPECT_EQ(top, 127);

  BrushRig hard;
  hard.settings.options.antialias = 0;
  hard.settings.attached().size = 9.3;
  hard.stroke(BrushRig::line(30, 30, 200, 170, 40));
  int partial = 0, full = 0;
  for (int32_t y = 0; y < 256; ++y)
    for (int32_t x = 0; x < 256; ++x) {
      const int a = alphaAt(hard, x, y);
      partial += a != 0 && a != 255;
      full += a == 255;
    }
  EXPECT_EQ(partial, 0);
  EXPECT_GT(full, 1500);
}

}  // namespace
}  // namespace kanvo
