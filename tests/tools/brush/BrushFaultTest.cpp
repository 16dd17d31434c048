// What the engine does where a plain reading would lose paint, wrap a value or hang.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>

#include "support/BrushRig.h"
#include "support/DocumentState.h"

namespace kanvo {
namespace {

using test::BrushRig;

TEST(BrushFault, AMovedLayerIsPaintableToTheCanvasEdge) {
  BrushRig rig(512, 128);
  rig.layer().pixels32.setPixel(5, 5, kOpaqueWhite);  // an empty store does not move
  ASSERT_TRUE(rig.layer().moveContent(-10, 0));
  rig.doc.layerChangedAll(rig.layer());
  ASSERT_EQ(rig.layer().offsetX, -64);
  ASSERT_EQ(rig.layer().storeWidth(), 576u);
  rig.stroke(BrushRig::line(490, 64, 508, 64, 6));
  for (int32_t canvasX : {492, 500, 506}) EXPECT_EQ(alphaOf(rig.layer().pixel32(canvasX + 64, 64)), 255) << canvasX;
  // The last brush point is kept in canvas coordinates.
  ASSERT_TRUE(rig.engine.lastBrushPoint());
  EXPECT_DOUBLE_EQ(rig.engine.lastBrushPoint()->x, 508);
}

TEST(BrushFault, AnInterruptedStrokeIsCommittedAndKept) {
  BrushRig rig;
  rig.settings.attached().alpha = 0.5;
  const std::string before = test::documentState(rig.doc);
  ASSERT_TRUE(rig.press(kToolBrush, 20, 50));
  for (int i = 1; i < 30; ++i) rig.move(20.0 + 6 * i, 50);
  rig.engine.resetStroke();  // a tool change, an undo, a document command ...
  EXPECT_FALSE(rig.engine.strokeActive());
  const std::string after = test::documentState(rig.doc);
  EXPECT_NE(after, before);
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

TEST(BrushFault, AbsurdSamplesAreDroppedAndFarSegmentsCostNothing) {
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  BrushRig rig;
  EXPECT_FALSE(rig.press(kToolBrush, nan, 10));
  ASSERT_TRUE(rig.press(kToolBrush, -1e6, 60));
  for (auto [x, y, p] : {std::tuple{nan, 1.0, 1.0}, {1.0, inf, 1.0}, {1.0, 1.0, nan}, {3e7, 60.0, 1.0}, {5.0, -1e300, 1.0}})
    rig.move(x, y, p);
  EXPECT_EQ(rig.settings.strokes.count(), 1);
  rig.move(100, 60, 7.0);
  EXPECT_EQ(rig.settings.strokes.samples.back().pressure, 1.0);  // clamped
  rig.engine.commitStroke(rig.event(100, 60));
  // A million pixels outside, 100 inside: dabs only where they can reach the layer.
  EXPECT_LT(rig.engine.raster().dabs, 100);
  EXPECT_EQ(alphaOf(rig.layer().pixel32(50, 60)), 255);
}

TEST(BrushFault, StraightLineFromTheLastStroke) {
  BrushRig rig;
  BrushStart to;
  to.event = rig.event(200, 130, 0.2);
  EXPECT_FALSE(rig.engine.drawStraightLine(to));  // no last point yet
  rig.stroke({{30, 30, 1.0, 10}});
  ASSERT_TRUE(rig.engine.drawStraightLine(to));
  EXPECT_EQ(*rig.history.undoLabel(), "Brush (Straight)");
  for (int32_t x : {30, 80, 115, 150, 199}) {
    const int32_t y = int32_t(std::lround(30 + (x - 30) * 100.0 / 170));
    EXPECT_EQ(alphaOf(rig.layer().pixel32(x, y)), 255) << x;
  }
  EXPECT_DOUBLE_EQ(rig.engine.lastBrushPoint()->x, 200);
  EXPECT_EQ(rig.history.count(), 2);
}

TEST(BrushFault, LayersThatTakeNoPaint) {
  for (int what = 0; what < 3; ++what) {
    BrushRig rig(128, 128, what == 2 ? kLayerKindVector : kLayerKind32);
    rig.layer().visible = what != 0;
    rig.layer().locked = what == 1;
    const std::string before = test::documentState(rig.doc);
    rig.stroke(BrushRig::line(10, 10, 100, 100, 20));
    EXPECT_EQ(test::documentState(rig.doc), before) << what;
    EXPECT_EQ(rig.history.count(), 0) << what;
  }
}

TEST(BrushFault, ZoomedOutRedrawsWholeTilesAndUpdatesPreviews) {
  BrushRig rig(512, 512);
  rig.zoom = 0.25;
  ASSERT_TRUE(rig.press(kToolBrush, 100, 100));
  for (int i = 1; i < 20; ++i) rig.move(100.0 + 10 * i, 100);
  ASSERT_FALSE(rig.sink.redrawn.empty());
  for (const Rect& r : rig.sink.redrawn) {
    EXPECT_EQ(r.x % 64, 0);
    EXPECT_EQ(r.width % 64, 0);
  }
  // The reduced images already show the paint before the release.
  EXPECT_FALSE(rig.layer().pyramid32.level(1).usedBounds().isEmpty());
  rig.engine.commitStroke(rig.event(300, 100));
}

}  // namespace
}  // namespace kanvo
