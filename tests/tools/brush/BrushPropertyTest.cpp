// Properties of whole strokes: replay, undo and redo, locality, and pressure through dispatch.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "support/BrushRig.h"
#include "support/DocumentState.h"

namespace kanvo {
namespace {

using test::BrushRig;
using test::StrokeEvent;

// Every way a stroke can paint: the tool and the attached set's kind.
constexpr std::pair<int32_t, int32_t> kWays[] = {{kToolBrush, 0}, {kToolEraser, 0}, {kToolBrush, 2}, {kToolBrush, 3},
                                                 {kToolBrush, 4}, {kToolStamp, 0},  {kToolBrush, 6}, {kToolDotBrush, 0}};

// A random brush of the way's kind with random options and colour.
void configure(BrushRig& rig, int32_t kind, std::mt19937& rng) {
  BrushParams& brush = rig.settings.attached();
  brush.kind = kind;
  brush.size = 1 + rng() % 30;
  brush.alpha = 0.2 + 0.2 * (rng() % 5);
  brush.alphaFollowsPressure = rng() & 1;
  brush.minimumRatio = (rng() % 4) * 0.25;
  brush.stampOffsetX = int32_t(rng() % 41) - 20;
  brush.stampOffsetY = int32_t(rng() % 41) - 20;
  ToolOptions& o = rig.settings.options;
  o.antialias = rng() % 4 != 0;
  o.dither = rng() % 4 == 0;
  o.eraserDither = rng() % 4 == 0;
  o.bezierInterpolation = rng() & 1;
  o.dotSize = 1 + rng() % 4;
  o.stampMode = rng() & 2;
  rig.settings.setForeground(uint32_t(rng()));
}

// Random strokes of every kind on 32, 8 and 1 bpp layers holding random pixels (transparent
// ones with colour bytes too), moved, with a selection and a transparency lock: replayed from
// the same start and seed they paint the same; undo gives the layer back bit for bit, redo the
// stroke.
TEST(BrushProperty, ReplayUndoAndRedoAreExact) {
  std::mt19937 rng(11);
  for (int32_t layerKind : {kLayerKind32, kLayerKind8, kLayerKind1})
    for (auto [tool, kind] : kWays)
      for (int round = 0; round < 3; ++round) {
        const uint32_t seed = rng();
        std::string before, after;
        for (int replay = 0; replay < 2; ++replay) {
          std::mt19937 same(seed);
          BrushRig rig(300, 200, layerKind);
          Layer& layer = rig.layer();
          for (int i = 0; i < 3000; ++i) {
            const int32_t x = int32_t(same() % 300), y = int32_t(same() % 200);
            const uint32_t v = same() % 3 == 0 ? (same() & 0x00FFFFFFu) | 0x01000000u : uint32_t(same());
            layerKind == kLayerKind32 ? layer.pixels32.setPixel(x, y, v)
            : layerKind == kLayerKind8 ? layer.pixels8.setPixel(x, y, uint8_t(v))
                                       : layer.pixels1.setPixel(x, y, uint8_t(v));
          }
          if (round > 0) {
            ASSERT_TRUE(layer.moveContent(int32_t(same() % 61) - 30, int32_t(same() % 61) - 30));
          }
          layer.reservedFlag = round == 2;
          if (round == 2) {
            Selection& selection = *rig.doc.selection(0);
            for (int32_t i = 0; i < 220 * 130; ++i) selection.mask.setPixel(30 + i % 220, 20 + i / 220, uint8_t(i % 220 + i / 220));
            selection.mode = kSelectionMask;
          }
          rig.doc.layerChangedAll(layer);
          configure(rig, kind, same);
          before = test::documentState(rig.doc);
          std::vector<StrokeEvent> events;
          double x = same() % 340 - 20.0, y = same() % 240 - 20.0;
          uint32_t tick = 1000;
          for (int i = 0, n = 2 + int(same() % 40); i < n; ++i)
            events.push_back({x += same() % 3001 / 100.0 - 15, y += same() % 3001 / 100.0 - 15, same() % 101 / 100.0,
                              tick += same() % 40});
          TiledImage32 prior;
          ASSERT_TRUE(prior.assign(layer.pixels32));
          rig.stroke(events, tool);
          for (int32_t i = 0; layer.reservedFlag && tool != kToolEraser && i < int32_t(prior.width() * prior.height()); ++i) {
            const int32_t x = i % int32_t(prior.width()), y = i / int32_t(prior.width());
            ASSERT_EQ(alphaOf(layer.pixels32.getPixel(x, y)), alphaOf(prior.getPixel(x, y))) << kind << " " << x << "," << y;
          }
          const std::string what = std::to_string(layerKind) + " " + std::to_string(tool) + " " + std::to_string(kind) +
                                   " round " + std::to_string(round);
          const std::string painted = test::documentState(rig.doc);
          if (replay == 0) after = painted;
          if (replay == 1 || rig.history.count() == 0) {
            EXPECT_TRUE(painted == (replay == 1 ? after : before)) << what;  // nothing painted, nothing recorded
            continue;
          }
          EXPECT_EQ(*rig.history.undoLabel(), "Brush (" + layer.name + ")") << what;
          rig.history.applyStep(0, rig.doc);
          EXPECT_TRUE(test::documentState(rig.doc) == before) << what;
          rig.history.applyStep(1, rig.doc);
          EXPECT_TRUE(test::documentState(rig.doc) == after) << what;
        }
      }
}

TEST(BrushProperty, ASecondStrokeChangesOnlyWhatItsDabsReach) {
  std::mt19937 rng(5);
  for (auto [tool, kind] : kWays) {
    if (tool == kToolStamp) continue;  // reads the layer elsewhere, paints only where it reaches
    BrushRig rig(256, 256);
    configure(rig, kind, rng);
    rig.settings.attached().alpha = 0.5;
    rig.settings.options.dither = 0;
    rig.stroke(BrushRig::line(20, 40, 230, 200, 30), tool);
    TiledImage32 first;
    ASSERT_TRUE(first.assign(rig.layer().pixels32));
    const double reach = std::max(rig.settings.attached().size, double(rig.settings.options.dotSize)) / 2 + 3.5;
    rig.stroke(BrushRig::line(40, 200, 220, 60, 25), tool);
    for (int32_t y = 0; y < 256; ++y)
      for (int32_t x = 0; x < 256; ++x) {
        const double t = std::clamp(((x - 40) * 180.0 - (y - 200) * 140.0) / (180.0 * 180 + 140 * 140), 0.0, 1.0);
        if (std::hypot(x - (40 + 180 * t), y - (200 - 140 * t)) > reach) {  // beyond the second stroke's path
          ASSERT_EQ(rig.layer().pixels32.getPixel(x, y), first.getPixel(x, y)) << kind << " at " << x << "," << y;
        }
      }
  }
}

// Widths and opacities along pressure ramps fed through dispatch follow the minimum ratio and
// the exponent; a pen held at 1.0 paints what a mouse paints.
TEST(BrushProperty, WidthAndOpacityFollowPressureThroughDispatch) {
  for (bool rising : {true, false}) {
    test::DispatchRig rig(420, 100);
    BrushParams& brush = rig.settings.attached();
    brush.size = 40;
    brush.minimumRatio = 0.25;
    brush.pressureExponent = 2;
    brush.alphaFollowsPressure = 1;
    const auto pressure = [&](int i) { return rising ? i / 100.0 : 1 - i / 100.0; };
    std::vector<StrokeEvent> events;
    for (int i = 0; i <= 100; ++i) events.push_back({10.0 + 4 * i, 50, pressure(i), uint32_t(10 * i)});
    rig.stroke(events);
    ASSERT_EQ(rig.history.count(), 1);
    for (int i = 10; i <= 90; i += 10) {
      int width = 0, top = 0;
      for (int32_t y = 0; y < 100; ++y) {
        const int a = alphaOf(rig.layer().pixels32.getPixel(10 + 4 * i, y));
        width += a > 0;
        top = std::max(top, a);
      }
      const double curved = std::pow(pressure(i), 2);
      EXPECT_NEAR(width, 40 * (0.25 + 0.75 * curved), 2.5) << i;
      // The column's strongest dab lies at most a radius (20 pixels, 5 samples) toward the
      // higher pressure.
      EXPECT_GE(top, int(255 * curved) - 1) << i;
      EXPECT_LE(top, int(255 * std::pow(pressure(rising ? i + 5 : i - 5), 2)) + 1) << i;
    }
    EXPECT_NE(rig.surface.window.getPixel(200, 50), rig.surface.window.getPixel(200, 5));  // shown as it went
  }
  test::DispatchRig pen(300, 200), mouse(300, 200);
  const auto path = BrushRig::line(10, 10, 280, 150, 30);
  pen.stroke(path);  // a pen's release reports 0
  mouse.stroke(path, 1.0);
  EXPECT_EQ(test::stateHash(pen.doc), test::stateHash(mouse.doc));
}

}  // namespace
}  // namespace kanvo
