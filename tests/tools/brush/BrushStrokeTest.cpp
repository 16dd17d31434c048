// What a press, moves and a release leave on the layer, and the inputs where a plain reading
// would lose paint, wrap a value or hang.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/BrushRig.h"
#include "support/DocumentState.h"

namespace kanvo {
namespace {

using test::BrushRig;

int alphaAt(BrushRig& rig, int32_t x, int32_t y) { return alphaOf(rig.layer().pixels32.getPixel(x, y)); }

TEST(BrushStroke, PressAndReleaseAtOnePointLeaveADab) {
  for (int32_t tool : {kToolBrush, kToolDotBrush}) {
    BrushRig rig;
    rig.stroke({{40, 50, 1.0, 100}}, tool);
    EXPECT_EQ(alphaAt(rig, 40, 50), 255) << tool;
    EXPECT_EQ(alphaAt(rig, 60, 50), 0) << tool;
    EXPECT_EQ(*rig.history.undoLabel(), "Brush (" + rig.layer().name + ")");
    EXPECT_EQ(rig.settings.strokes.count(), 0);
  }
}

TEST(BrushStroke, AppendRule) {
  const struct {
    int32_t tool;
    double dx, zoom;
    uint32_t later;
    bool kept;
  } cases[] = {
      {kToolBrush, 0.0, 1, 30, true},     {kToolDotBrush, 0.0, 1, 40, false},  // duplicates: kept, dropped
      {kToolBrush, 0.5, 1, 10, false},    {kToolBrush, 0.5, 1, 30, true},      // close: dropped when soon
      {kToolBrush, 1.5, 1, 10, true},     {kToolDotBrush, 0.5, 1, 10, true},   // far; the dot brush is exempt
      {kToolBrush, 0.5, 4, 10, true},                                          // 2 screen pixels at zoom 4
  };
  for (const auto& c : cases) {
    BrushRig rig;
    rig.zoom = c.zoom;
    uint32_t tick = 1000;
    ASSERT_TRUE(rig.press(c.tool, 10, 10, 1.0, tick));
    const int32_t first = rig.settings.strokes.count();
    EXPECT_EQ(first, c.tool == kToolDotBrush ? 7 : 1);
    for (int i = 1; i < 8; ++i) rig.move(10.0 + 4 * i, 10, 1.0, tick += 5);
    rig.move(38 + c.dx, 10, 1.0, tick + c.later);
    EXPECT_EQ(rig.settings.strokes.count(), first + 7 + c.kept) << c.tool << " " << c.dx << " " << c.later;
  }
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
  for (bool aliased : {false, true}) {
    BrushRig rig;
    rig.settings.attached().alpha = aliased ? 1.0 : 0.5;
    rig.settings.attached().size = aliased ? 9.3 : 12;
    rig.settings.options.antialias = !aliased;
    std::vector<test::StrokeEvent> events;  // back and forth over itself
    for (int i = 0; i < 60; ++i) events.push_back({40.0 + (i % 20) * 6, 60.0 + (i / 20) * 2, 1.0, uint32_t(10 * i)});
    rig.stroke(events);
    int top = 0, partial = 0;
    for (int32_t y = 0; y < 256; ++y)
      for (int32_t x = 0; x < 256; ++x) {
        top = std::max(top, alphaAt(rig, x, y));
        partial += alphaAt(rig, x, y) % 255 != 0;
      }
    EXPECT_EQ(top, aliased ? 255 : 127);
    EXPECT_EQ(partial == 0, aliased);
  }
}

TEST(BrushStroke, AMovedLayerIsPaintableToTheCanvasEdge) {
  BrushRig rig(512, 128);
  rig.layer().pixels32.setPixel(5, 5, kOpaqueWhite);  // an empty store does not move
  ASSERT_TRUE(rig.layer().moveContent(-10, 0));
  rig.doc.layerChangedAll(rig.layer());
  ASSERT_EQ(rig.layer().storeWidth(), 576u);
  rig.stroke(BrushRig::line(490, 64, 508, 64, 6));
  for (int32_t x : {492, 500, 506}) EXPECT_EQ(alphaOf(rig.layer().pixel32(x - rig.layer().offsetX, 64)), 255) << x;
  EXPECT_DOUBLE_EQ(rig.engine.lastBrushPoint()->x, 508);  // canvas coordinates
}

TEST(BrushStroke, AnInterruptedStrokeIsCommittedAndKept) {
  BrushRig rig;
  rig.settings.attached().alpha = 0.5;
  const std::string before = test::documentState(rig.doc);
  ASSERT_TRUE(rig.press(kToolBrush, 20, 50));
  for (int i = 1; i < 30; ++i) rig.move(20.0 + 6 * i, 50);
  rig.engine.resetStroke();  // a tool change, an undo, a document command ...
  const std::string after = test::documentState(rig.doc);
  const Color32 painted = rig.layer().pixel32(100, 50);
  EXPECT_EQ(alphaOf(painted), 127);
  // The next stroke recomputes its rectangles from the refreshed copy: the first stays.
  rig.stroke(BrushRig::line(100, 50, 100, 120, 10));
  EXPECT_EQ(rig.layer().pixel32(60, 50), painted);
  EXPECT_GT(alphaOf(rig.layer().pixel32(100, 52)), 127);  // over, not instead of
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
  rig.move(nan, 1);
  rig.move(1, inf);
  rig.move(1, 1, nan);
  rig.move(3e7, 60);
  EXPECT_EQ(rig.settings.strokes.count(), 1);
  rig.move(100, 60, 7.0);
  EXPECT_EQ(rig.settings.strokes.samples.back().pressure, 1.0);  // clamped
  rig.engine.commitStroke(rig.event(100, 60));
  EXPECT_LT(rig.engine.raster().dabs, 100);  // only where the dabs reach the layer
  EXPECT_EQ(alphaAt(rig, 50, 60), 255);
  // Strokes that end outside, or run along the edge just out of reach, finish at once.
  for (int32_t tool : {kToolDotBrush, kToolBrush}) {
    BrushRig far;
    far.stroke(BrushRig::line(10, -8.0000001, 250, -7.99, 40), tool);
    far.stroke(BrushRig::line(100, 100, 100, -400, 3), tool);
    EXPECT_EQ(far.history.count(), 1) << tool;
  }
}

TEST(BrushStroke, StraightLineFromTheLastStroke) {
  BrushRig rig;
  BrushStart to;
  to.event = rig.event(200, 130, 0.2);
  EXPECT_FALSE(rig.engine.drawStraightLine(to));  // no last point yet
  rig.stroke({{30, 30, 1.0, 10}});
  ASSERT_TRUE(rig.engine.drawStraightLine(to));
  EXPECT_EQ(*rig.history.undoLabel(), "Brush (Straight)");
  for (int32_t x : {30, 80, 150, 199}) EXPECT_EQ(alphaAt(rig, x, int32_t(std::lround(30 + (x - 30) * 100.0 / 170))), 255);
  EXPECT_DOUBLE_EQ(rig.engine.lastBrushPoint()->x, 200);
}

TEST(BrushStroke, LayersThatTakeNoPaintAndZoomedOutRedraws) {
  for (int what = 0; what < 3; ++what) {  // hidden, locked, vector
    BrushRig rig(128, 128, what == 2 ? kLayerKindVector : kLayerKind32);
    rig.layer().visible = what != 0;
    rig.layer().locked = what == 1;
    const std::string before = test::documentState(rig.doc);
    rig.stroke(BrushRig::line(10, 10, 100, 100, 20));
    EXPECT_EQ(test::documentState(rig.doc), before) << what;
    EXPECT_EQ(rig.history.count(), 0) << what;
  }
  // Below zoom 1 whole 64-pixel tiles are redrawn and the reduced images follow before the release.
  BrushRig rig(512, 512);
  rig.zoom = 0.25;
  ASSERT_TRUE(rig.press(kToolBrush, 100, 100));
  for (int i = 1; i < 20; ++i) rig.move(100.0 + 10 * i, 100);
  ASSERT_FALSE(rig.sink.redrawn.empty());
  for (const Rect& r : rig.sink.redrawn) EXPECT_TRUE(r.x % 64 == 0 && r.width % 64 == 0);
  EXPECT_FALSE(rig.layer().pyramid32.level(1).usedBounds().isEmpty());
}

}  // namespace
}  // namespace kanvo

namespace kanvo {
namespace {

TEST(BrushStroke, AVectorLayerKeepsTheSamplesAndShowsTheDisc) {
  test::DispatchRig rig(128, 128, kLayerKindVector);
  rig.view.setOverlays(&rig.engine.preview(), nullptr);
  rig.settings.setForeground(rgba(200, 20, 40));
  const std::string before = test::documentState(rig.doc);
  const auto shown = [&](int32_t x, int32_t y) { return (rig.surface.window.getPixel(x, y) & 0xFFFFFFu) == 0xC81428u; };
  const auto path = BrushRig::line(20, 40, 90, 70, 12);
  rig.state.Press({path[0].x, path[0].y, 1.0, 0});
  EXPECT_TRUE(shown(20, 40));
  for (size_t i = 1; i < path.size(); ++i) rig.state.Move({path[i].x, path[i].y, 1.0, 0});
  EXPECT_TRUE(shown(90, 70) && shown(94, 70));  // size 10: a disc of diameter 11
  EXPECT_FALSE(shown(20, 40) || shown(97, 70));  // it moved on
  rig.state.Release({90, 70, 0.0, 0});
  EXPECT_FALSE(shown(90, 70));
  EXPECT_EQ(test::documentState(rig.doc), before);
  EXPECT_EQ(rig.history.count(), 0);
  const auto& kept = rig.engine.vectorStroke();
  ASSERT_GE(kept.size(), 2u);
  EXPECT_EQ(std::pair(kept.front().x, kept.front().y), std::pair(20.0, 40.0));
  EXPECT_EQ(std::pair(kept.back().x, kept.back().y), std::pair(90.0, 70.0));
}

TEST(BrushStroke, TheCircleGuideHoldsEverySampleOnItsCircle) {
  BrushRig rig;
  rig.engine.setGuide({kGuideCircle, {128, 128}, 0});
  ASSERT_TRUE(rig.press(kToolBrush, 178.9, 128));  // radius 50 from this press on
  EXPECT_EQ(rig.settings.strokes.smoothing, 0);
  for (int i = 1; i <= 40; ++i) rig.move(128 + 90 * std::cos(i * 0.05), 128 - 20 * std::sin(i * 0.05), 1.0, 30 * i);
  for (const StrokeSample& s : rig.settings.strokes.samples) EXPECT_NEAR(std::hypot(s.x - 128, s.y - 128), 50, 1e-9);
  rig.engine.commitStroke(rig.event(128, 0));
  EXPECT_EQ(alphaAt(rig, 128, 78), 255);  // the release point, on the circle
  EXPECT_EQ(alphaAt(rig, 128, 10), 0);
  BrushStart to;  // a straight line goes where it is aimed
  to.event = rig.event(20, 200);
  ASSERT_TRUE(rig.engine.drawStraightLine(to));
  EXPECT_EQ(alphaAt(rig, 20, 200), 255);
}

}  // namespace
}  // namespace kanvo
