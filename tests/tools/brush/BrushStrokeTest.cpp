// What a press, moves and a release leave on the layer, and the inputs where a plain reading
// would lose paint, wrap a value or hang; then properties of whole strokes: replay, undo and
// redo, locality, and pressure through dispatch.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "support/BrushRig.h"
#include "support/DocumentState.h"
#include "support/LayerStores.h"

namespace kanvo {
namespace {

using test::BrushRig;
using test::StrokeEvent;

TEST(BrushStroke, OnePointDabsAndTheAppendRule) {
  // tool, samples before, distance of the next sample from the last, zoom, ms later, kept
  const struct {
    int32_t tool, before;
    double dx, zoom;
    uint32_t later;
    bool kept;
  } cases[] = {{kToolBrush, 8, 0.0, 1, 30, true}, {kToolDotBrush, 8, 0.0, 1, 40, false}, {kToolBrush, 8, 0.5, 1, 10, false},
               {kToolBrush, 8, 0.5, 1, 30, true}, {kToolBrush, 8, 1.5, 1, 10, true},      {kToolDotBrush, 8, 0.5, 1, 10, true},
               {kToolBrush, 8, 0.5, 4, 10, true}, {kToolBrush, 7, 0.5, 1, 10, true}};
  for (const auto& c : cases) {
    BrushRig rig;
    rig.zoom = c.zoom;
    uint32_t tick = 1000;
    ASSERT_TRUE(rig.press(c.tool, 10, 10, 1.0, tick));
    const int32_t first = rig.settings.strokes.count();
    EXPECT_EQ(first, c.tool == kToolDotBrush ? 7 : 1);
    for (int i = 1; i < c.before; ++i) rig.move(10.0 + 4 * i, 10, 1.0, tick += 5);
    rig.move(6.0 + 4 * c.before + c.dx, 10, 1.0, tick + c.later);
    EXPECT_EQ(rig.settings.strokes.count(), first + c.before - 1 + c.kept) << c.tool << " " << c.dx << " " << c.later;
  }
  for (int variant = 0; variant < 3; ++variant) {  // a press and release at one point; a tiny aliased brush
    BrushRig rig;
    rig.settings.attached().size = variant == 2 ? 0.4 : 10;
    rig.settings.options.antialias = variant != 2;
    rig.stroke({{40.5, 50.5, 1.0, 100}}, variant == 1 ? kToolDotBrush : kToolBrush);
    EXPECT_EQ(std::pair(rig.alphaAt(40, 50), rig.alphaAt(60, 50)), std::pair(255, 0)) << variant;
    EXPECT_EQ(rig.settings.strokes.count(), 0);
  }
  BrushRig water;  // the water colour takes up the colour under it (pinned)
  for (int32_t i = 0; i < 64 * 64; ++i) water.layer().pixels32.setPixel(i % 64, i / 64, rgba(200, 150, 50));
  water.settings.attached().kind = 2;
  water.settings.setForeground(rgba(0, 0, 255));
  water.stroke({{32, 32, 1.0, 100}});
  EXPECT_EQ(water.layer().pixel32(32, 32), rgba(143, 107, 107));
}

TEST(BrushStroke, DabSpacingOverpaintingAndHardEdges) {
  // 100 pixels straight: dabs every r / 2 up to radius 5, every r / 4 above.
  for (auto [size, spacing] : {std::pair{8.0, 2.0}, std::pair{40.0, 5.0}, std::pair{4.0, 1.0}}) {
    BrushRig rig(300, 300);
    rig.settings.attached().size = size;
    ASSERT_TRUE(rig.press(kToolBrush, 100, 100));
    rig.engine.commitStroke(rig.event(200, 100));
    EXPECT_EQ(rig.engine.raster().dabs, int64_t(std::llround(100 / spacing))) << size;
  }
  for (bool aliased : {false, true}) {  // back and forth over itself
    BrushRig rig;
    rig.settings.attached().alpha = aliased ? 1.0 : 0.5;
    rig.settings.attached().size = aliased ? 9.3 : 12;
    rig.settings.options.antialias = !aliased;
    std::vector<test::StrokeEvent> events;
    for (int i = 0; i < 60; ++i) events.push_back({40.0 + (i % 20) * 6, 60.0 + (i / 20) * 2, 1.0, uint32_t(10 * i)});
    rig.stroke(events);
    int top = 0, partial = 0;
    for (int32_t i = 0; i < 256 * 256; ++i) {
      top = std::max(top, rig.alphaAt(i % 256, i / 256));
      partial += rig.alphaAt(i % 256, i / 256) % 255 != 0;
    }
    EXPECT_EQ(top, aliased ? 255 : 127);
    EXPECT_EQ(partial == 0, aliased);
  }
  BrushRig dots;  // the dot brush leaves no gap between its samples
  dots.stroke(BrushRig::line(10, 10, 110, 47, 3), kToolDotBrush);
  for (int32_t x = 10, y = 10; x <= 110; ++x) {
    while (y < 48 && dots.alphaAt(x, y) == 0) ++y;
    EXPECT_LT(y, 48) << x;
  }
}

// A layer moved left still takes paint to the canvas's right edge, and the last brush point is
// a canvas point; an interrupted stroke keeps its paint with its step, and the next stroke
// paints over it rather than recomputing it away.
TEST(BrushStroke, MovedLayersAndInterruptedStrokes) {
  BrushRig moved(512, 128);
  moved.layer().pixels32.setPixel(5, 5, kOpaqueWhite);  // an empty store does not move
  ASSERT_TRUE(moved.layer().moveContent(-10, 0));
  moved.doc.layerChangedAll(moved.layer());
  for (int32_t i = 0; i < 16 * 128; ++i) moved.doc.selection(0)->mask.setPixel(496 + i % 16, i / 16, 255);
  moved.stroke(BrushRig::line(490, 64, 508, 64, 6));  // the selection is read at canvas points
  for (int32_t x : {492, 500, 506}) EXPECT_EQ(moved.alphaAt(x - moved.layer().offsetX, 64), x < 496 ? 0 : 255) << x;
  EXPECT_DOUBLE_EQ(moved.engine.lastBrushPoint()->x, 508);

  BrushRig rig;
  rig.settings.attached().alpha = 0.5;
  const std::string before = test::documentState(rig.doc);
  ASSERT_TRUE(rig.press(kToolBrush, 20, 50));
  for (int i = 1; i < 30; ++i) rig.move(20.0 + 6 * i, 50);
  rig.engine.resetStroke();  // a tool change, an undo, a document command ...
  const std::string after = test::documentState(rig.doc);
  const Color32 painted = rig.layer().pixel32(100, 50);
  EXPECT_EQ(alphaOf(painted), 127);
  rig.stroke(BrushRig::line(100, 50, 100, 120, 10));
  EXPECT_EQ(rig.layer().pixel32(60, 50), painted);
  EXPECT_GT(rig.alphaAt(100, 52), 127);
  rig.history.applyStep(0, rig.doc);
  EXPECT_EQ(test::documentState(rig.doc), after);
  rig.history.applyStep(0, rig.doc);
  EXPECT_EQ(test::documentState(rig.doc), before);
}

TEST(BrushStroke, AbsurdSamplesAreDroppedAndFarSegmentsCostNothing) {
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  BrushRig rig;
  EXPECT_FALSE(rig.press(kToolBrush, nan, 10));
  ASSERT_TRUE(rig.press(kToolBrush, -1e6, 60));
  for (auto [x, y, p] : {std::tuple{nan, 1.0, 1.0}, {1.0, inf, 1.0}, {1.0, 1.0, nan}, {3e7, 60.0, 1.0}}) rig.move(x, y, p);
  EXPECT_EQ(rig.settings.strokes.count(), 1);
  rig.move(100, 60, 7.0);
  EXPECT_EQ(rig.settings.strokes.samples.back().pressure, 1.0);  // clamped
  rig.engine.commitStroke(rig.event(100, 60));
  EXPECT_LT(rig.engine.raster().dabs, 100);  // only where the dabs reach the layer
  EXPECT_EQ(rig.alphaAt(50, 60), 255);
  // Strokes that end outside, or run along the edge just out of reach, finish at once.
  for (int32_t tool : {kToolDotBrush, kToolBrush}) {
    BrushRig far;
    far.stroke(BrushRig::line(10, -8.0000001, 250, -7.99, 40), tool);
    far.stroke(BrushRig::line(100, 100, 100, -400, 3), tool);
    EXPECT_EQ(far.history.count(), 1) << tool;
  }
  BrushRig near;  // drawn at the release in one pass: a short segment outside skips only to its end
  near.stroke({{-60, 60, 1.0, 0}, {-50, 60, 1.0, 5}, {100, 60, 1.0, 10}});
  EXPECT_EQ(near.alphaAt(50, 60), 255);
}

TEST(BrushStroke, StraightLinesAndTheCircleGuide) {
  BrushRig rig;
  rig.engine.setGuide({kGuideCircle, {128, 120}, 0});
  const BrushStart to{rig.event(20, 200, 0.2)};
  EXPECT_FALSE(rig.engine.drawStraightLine(to));  // no last point yet
  ASSERT_TRUE(rig.press(kToolBrush, 178.9, 120));  // radius 50 from this press on
  EXPECT_EQ(rig.settings.strokes.smoothing, 0);
  for (int i = 1; i <= 40; ++i) rig.move(128 + 90 * std::cos(i * 0.05), 120 - 20 * std::sin(i * 0.05), 1.0, 30 * i);
  for (const StrokeSample& s : rig.settings.strokes.samples) EXPECT_NEAR(std::hypot(s.x - 128, s.y - 120), 50, 1e-9);
  rig.engine.commitStroke(rig.event(128, 0));
  EXPECT_EQ(std::pair(rig.alphaAt(128, 70), rig.alphaAt(128, 10)), std::pair(255, 0));  // released on the circle
  ASSERT_TRUE(rig.engine.drawStraightLine(to));  // from (128, 70), not held by the guide
  EXPECT_EQ(*rig.history.undoLabel(), "Brush (Straight)");
  for (int32_t x : {20, 60, 100, 127}) EXPECT_EQ(rig.alphaAt(x, int32_t(std::lround(70 + (128 - x) * 130.0 / 108))), 255);
  EXPECT_DOUBLE_EQ(rig.engine.lastBrushPoint()->x, 20);
}

// Hidden and locked layers take nothing; a vector layer takes no pixels either but keeps the
// samples and shows the preview disc while the stroke runs.
TEST(BrushStroke, LayersThatTakeNoPixels) {
  for (int what = 0; what < 3; ++what) {
    test::DispatchRig rig(128, 128, what == 2 ? kLayerKindVector : kLayerKind32);
    rig.layer().visible = what != 0;
    rig.layer().locked = what == 1;
    rig.settings.setForeground(rgba(200, 20, 40));
    const std::string before = test::documentState(rig.doc);
    const auto shown = [&](int32_t x, int32_t y) { return (rig.surface.window.getPixel(x, y) & 0xFFFFFFu) == 0xC81428u; };
    const auto path = BrushRig::line(20, 40, 90, 70, 12);
    rig.state.Press({path[0].x, path[0].y, 1.0, 0});
    EXPECT_EQ(shown(20, 40), what == 2);
    for (size_t i = 1; i < path.size(); ++i) rig.state.Move({path[i].x, path[i].y, 1.0, 0});
    EXPECT_EQ(shown(90, 70) && shown(94, 70), what == 2);  // size 10: a disc of diameter 11
    EXPECT_FALSE(shown(20, 40) || shown(97, 70));          // it moved on
    rig.state.Release({90, 70, 0.0, 0});
    EXPECT_FALSE(shown(90, 70));
    EXPECT_EQ(test::documentState(rig.doc), before) << what;
    EXPECT_EQ(rig.history.count(), 0) << what;
    const std::vector<StrokeSample> kept = rig.engine.vectorStroke(), none;
    const auto ends = [](const auto& k) { return k.empty() ? std::tuple(0., 0., 0., 0.) : std::tuple(k[0].x, k[0].y, k.back().x, k.back().y); };
    EXPECT_EQ(ends(kept), ends(what == 2 ? BrushRig::line(20, 40, 90, 70, 2) : std::vector<test::StrokeEvent>()));
  }
}

TEST(BrushStroke, ZoomedOutRedrawsWholeTilesAndUpdatesTheReducedImages) {
  BrushRig rig(512, 512);
  rig.zoom = 0.25;
  ASSERT_TRUE(rig.press(kToolBrush, 100, 100));
  for (int i = 1; i < 20; ++i) rig.move(100.0 + 10 * i, 100);
  ASSERT_FALSE(rig.sink.redrawn.empty());
  for (const Rect& r : rig.sink.redrawn) EXPECT_TRUE(r.x % 64 == 0 && r.width % 64 == 0);
  EXPECT_FALSE(rig.layer().pyramid32.level(1).usedBounds().isEmpty());
}

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
            test::withStore(layer, [&](auto& store) { store.setPixel(x, y, decltype(store.getPixel(0, 0))(v)); });
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
          SCOPED_TRACE(what);
          const std::string painted = test::documentState(rig.doc);
          if (replay == 0) after = painted;
          if (replay == 1 || rig.history.count() == 0) {
            EXPECT_TRUE(painted == (replay == 1 ? after : before));  // nothing painted, nothing recorded
            continue;
          }
          EXPECT_EQ(*rig.history.undoLabel(), "Brush (" + layer.name + ")");
          test::expectUndoRedoExact(rig.history, rig.doc, before);
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
