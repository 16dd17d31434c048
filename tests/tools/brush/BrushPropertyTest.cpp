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
struct Way {
  int32_t tool;
  int32_t kind;
};
constexpr Way kWays[] = {{kToolBrush, 0}, {kToolEraser, 0}, {kToolBrush, 2}, {kToolBrush, 3},
                         {kToolBrush, 4}, {kToolStamp, 0},  {kToolBrush, 6}, {kToolDotBrush, 0}};

std::vector<StrokeEvent> randomStroke(std::mt19937& rng, double w, double h) {
  std::uniform_real_distribution<double> px(-20, w + 20), py(-20, h + 20), pressure(0, 1);
  std::vector<StrokeEvent> events;
  double x = px(rng), y = py(rng);
  uint32_t tick = 1000;
  const int n = 2 + int(rng() % 40);
  for (int i = 0; i < n; ++i) {
    x += std::uniform_real_distribution<double>(-15, 15)(rng);
    y += std::uniform_real_distribution<double>(-15, 15)(rng);
    tick += uint32_t(rng() % 40);
    events.push_back({x, y, pressure(rng), tick});
  }
  return events;
}

// Random content with transparent pixels whose colour bytes are not zero.
template <int Bpp>
void scribble(TiledImage<Bpp>& image, std::mt19937& rng) {
  for (int i = 0; i < 3000; ++i) {
    const int32_t x = int32_t(rng() % image.width()), y = int32_t(rng() % image.height());
    if constexpr (Bpp == 32)
      image.setPixel(x, y, rng() % 3 == 0 ? (rng() & 0x00FFFFFFu) | 0x01000000u : uint32_t(rng()));
    else
      image.setPixel(x, y, uint8_t(rng()));
  }
}

void configure(BrushRig& rig, const Way& way, std::mt19937& rng) {
  BrushParams& brush = rig.settings.attached();
  brush.kind = way.kind;
  brush.size = 1 + rng() % 30;
  brush.alpha = 0.2 + 0.8 * (rng() % 5) / 4;
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

// Random strokes of every kind on 32, 8 and 1 bpp layers, moved, with a selection and a
// transparency lock: replayed from the same start and seed they paint the same; undo gives the
// layer back bit for bit, redo the stroke.
TEST(BrushProperty, ReplayUndoAndRedoAreExact) {
  std::mt19937 rng(11);
  for (int32_t layerKind : {kLayerKind32, kLayerKind8, kLayerKind1}) {
    for (const Way& way : kWays) {
      for (int round = 0; round < 3; ++round) {
        const uint32_t seed = rng();
        std::string before, after;
        for (int replay = 0; replay < 2; ++replay) {
          std::mt19937 same(seed);
          BrushRig rig(300, 200, layerKind);
          Layer& layer = rig.layer();
          if (layerKind == kLayerKind32) scribble(layer.pixels32, same);
          if (layerKind == kLayerKind8) scribble(layer.pixels8, same);
          if (layerKind == kLayerKind1) scribble(layer.pixels1, same);
          if (round > 0) {
            ASSERT_TRUE(layer.moveContent(int32_t(same() % 61) - 30, int32_t(same() % 61) - 30));
          }
          layer.reservedFlag = round == 2;
          if (round == 2) {
            Selection& selection = *rig.doc.selection(0);
            for (int32_t y = 20; y < 150; ++y)
              for (int32_t x = 30; x < 250; ++x) selection.mask.setPixel(x, y, uint8_t(x + y));
            selection.mode = kSelectionMask;
          }
          rig.doc.layerChangedAll(layer);
          configure(rig, way, same);
          before = test::documentState(rig.doc);
          rig.stroke(randomStroke(same, 300, 200), way.tool);
          const std::string what = "layer kind " + std::to_string(layerKind) + " tool " + std::to_string(way.tool) +
                                   " kind " + std::to_string(way.kind) + " round " + std::to_string(round);
          const std::string painted = test::documentState(rig.doc);
          if (replay == 1) {
            EXPECT_TRUE(painted == after) << what;
            continue;
          }
          after = painted;
          if (rig.history.count() == 0) {
            EXPECT_TRUE(after == before) << what;  // nothing painted, nothing recorded
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
  }
}

TEST(BrushProperty, ASecondStrokeChangesOnlyWhatItsDabsReach) {
  std::mt19937 rng(5);
  for (const Way& way : kWays) {
    if (way.tool == kToolStamp) continue;  // reads the layer elsewhere, paints only where it reaches
    BrushRig rig(256, 256);
    configure(rig, way, rng);
    rig.settings.attached().alpha = 0.5;
    rig.settings.options.dither = 0;
    rig.stroke(BrushRig::line(20, 40, 230, 200, 30), way.tool);
    TiledImage32 first;
    ASSERT_TRUE(first.assign(rig.layer().pixels32));
    const double reach = std::max(rig.settings.attached().size, double(rig.settings.options.dotSize)) / 2 + 2;
    rig.stroke(BrushRig::line(40, 200, 220, 60, 25), way.tool);
    for (int32_t y = 0; y < 256; ++y)
      for (int32_t x = 0; x < 256; ++x) {
        // Distance from the second stroke's straight path.
        const double dx = 180, dy = -140, t = std::clamp(((x - 40) * dx + (y - 200) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
        const double d = std::hypot(x - (40 + t * dx), y - (200 + t * dy));
        if (d > reach + 1.5) {
          ASSERT_EQ(rig.layer().pixels32.getPixel(x, y), first.getPixel(x, y)) << way.kind << " at " << x << "," << y;
        }
      }
  }
}

TEST(BrushProperty, WidthAndOpacityFollowPressureThroughDispatch) {
  for (bool rising : {true, false}) {
    test::DispatchRig rig(420, 100);
    BrushParams& brush = rig.settings.attached();
    brush.size = 40;
    brush.minimumRatio = 0.25;
    brush.pressureExponent = 2;
    brush.alphaFollowsPressure = 1;
    std::vector<StrokeEvent> events;
    for (int i = 0; i <= 100; ++i) events.push_back({10.0 + 4 * i, 50, rising ? i / 100.0 : 1 - i / 100.0, uint32_t(10 * i)});
    rig.stroke(events);
    ASSERT_EQ(rig.history.count(), 1);
    for (int i = 10; i <= 90; i += 10) {
      const int32_t x = 10 + 4 * i;
      const double curved = std::pow(rising ? i / 100.0 : 1 - i / 100.0, 2);
      int width = 0, top = 0;
      for (int32_t y = 0; y < 100; ++y) {
        const int a = alphaOf(rig.layer().pixels32.getPixel(x, y));
        width += a > 0;
        top = std::max(top, a);
      }
      EXPECT_NEAR(width, 40 * (0.25 + 0.75 * curved), 2.5) << "x " << x;
      // The column's strongest dab lies at most a radius (20 pixels, 5 samples) toward the
      // higher pressure.
      const double higher = std::pow(rising ? (i + 5) / 100.0 : 1 - (i - 5) / 100.0, 2);
      EXPECT_GE(top, int(255 * curved) - 1) << "x " << x;
      EXPECT_LE(top, int(255 * higher) + 1) << "x " << x;
    }
    // The view showed the stroke as it went.
    EXPECT_NE(rig.surface.window.getPixel(200, 50), rig.surface.window.getPixel(200, 5));
  }
  // A pen held at 1.0 paints what a mouse paints.
  test::DispatchRig pen(300, 200), mouse(300, 200);
  auto path = BrushRig::line(10, 10, 280, 150, 30, 1.0);
  pen.stroke(path);  // a pen's release reports 0
  mouse.stroke(path, 0, 1.0);
  EXPECT_EQ(test::stateHash(pen.doc), test::stateHash(mouse.doc));
}

}  // namespace
}  // namespace kanvo
