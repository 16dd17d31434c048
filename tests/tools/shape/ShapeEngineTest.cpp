// The dragged boxes and vertex counts where they can go wrong, and the filled shapes on a
// layer: bands against the distance to their polyline (no holes where a line crosses itself,
// nothing beyond the band), the repeated closing vertex, and the states that fill nothing.
#include <gtest/gtest.h>

#include <cmath>

#include "support/BrushRig.h"
#include "support/DocumentState.h"
#include "tools/shape/ShapeEngine.h"
#include "tools/shape/ShapeOutline.h"

namespace kanvo {
namespace {

using test::dragRect;

TEST(ShapeOutline, DragBoxesAndVertexCounts) {
  EXPECT_EQ(dragBox(dragRect(50.7, 40.2, 10.5, 10.9), false)->pixels, Rect(10, 10, 40, 30));
  EXPECT_EQ(dragBox(dragRect(10, 50, 40, 40), true)->pixels, Rect(10, 20, 30, 30));  // (+30, -10) squared
  EXPECT_FALSE(dragBox(dragRect(10, 50, 40, 50.5), true));
  DragRect turned = {{{{0, 0}, {30, 40}, {20, 47.5}, {-10, 7.5}}}, true};  // 50 x 12.5, turned
  const CurvePoint far = dragBox(turned, true)->at(25, 25);                // the constrained box's far corner
  EXPECT_NEAR(far.x + far.y, -10 + 70, 1e-12);
  EXPECT_EQ(ellipse(ShapeBox{{}, {1, 0}, {0, 1}, 3, 2, {}, false}).size(), 32u);
  EXPECT_EQ(ellipse(ShapeBox{{}, {1, 0}, {0, 1}, 1000, 10, {}, false}).size(), 512u);
}

struct ShapeRig : test::BrushRig {
  ShapeEngine shapes{doc, history, settings, &sink};
  ShapeRig() : BrushRig(200, 160) { settings.options.shapeAntialias = 1; }
};

// Distance from p to the segment ab, and whether p projects inside it, a pixel from its ends.
double segmentDistance(CurvePoint p, CurvePoint a, CurvePoint b, bool& inside) {
  const CurvePoint d = b - a, q = p - a;
  const double length = std::hypot(d.x, d.y), t = (q.x * d.x + q.y * d.y) / (length * length);
  inside = t * length >= 1 && (1 - t) * length >= 1;
  return std::hypot(q.x - d.x * std::clamp(t, 0.0, 1.0), q.y - d.y * std::clamp(t, 0.0, 1.0));
}

TEST(ShapeEngine, BandsCoverTheirLineWidthWithoutHoles) {
  const VertexList crossing = {{20, 20}, {180, 140}, {180, 20}, {20, 140}};
  for (int32_t sub : {kToolFillLine, kToolFillFrame}) {
    ShapeRig rig;
    rig.settings.options.lineWidth = 12;
    ASSERT_TRUE(rig.shapes.fillVertices(sub, crossing));
    EXPECT_EQ(*rig.history.undoLabel(), sub == kToolFillLine ? "Fill (Line)" : "Fill (Frame)");
    for (int32_t i = 0; i < 200 * 160; ++i) {
      const CurvePoint p{i % 200 + 0.5, i / 200 + 0.5};
      bool within = false, inside, nearVertex = false;
      double nearest = 1e9;
      for (size_t k = 0; k < (sub == kToolFillLine ? 3u : 4u); ++k) {
        const double d = segmentDistance(p, crossing[k], crossing[(k + 1) % 4], inside);
        within = within || (inside && d <= 5);
        nearest = std::min(nearest, d);
        nearVertex = nearVertex || std::hypot(p.x - crossing[k].x, p.y - crossing[k].y) < 6 * kMitreLimit + 1;
      }
      if (within || (nearest >= 7 && !nearVertex)) {
        ASSERT_EQ(rig.alphaAt(i % 200, i / 200), within ? 255 : 0)
            << sub << " at " << i % 200 << "," << i / 200;
      }
    }
  }
}

TEST(ShapeEngine, PolygonDropsTheRepeatedFirstVertexAndRefusesWhatCannotBeFilled) {
  ShapeRig a, b;
  ASSERT_TRUE(a.shapes.fillVertices(kToolFillPolygon, {{10, 10}, {150, 30}, {60, 120}, {10, 10}}));
  ASSERT_TRUE(b.shapes.fillVertices(kToolFillPolygon, {{10, 10}, {150, 30}, {60, 120}}));
  EXPECT_EQ(test::documentState(a.doc), test::documentState(b.doc));
  EXPECT_FALSE(a.shapes.fillVertices(kToolFillPolygon, {{10, 10}, {150, 30}, {10, 10}}));
  EXPECT_FALSE(a.shapes.fillVertices(kToolFillFrame, {{10, 10}, {150, 30}}));
  EXPECT_FALSE(a.shapes.fillEllipse(dragRect(-50, -50, -10, -10)));  // wholly outside
  a.doc.busy = 1;
  EXPECT_FALSE(a.shapes.fillRect(dragRect(10, 10, 50, 50)));
  EXPECT_EQ(*a.history.undoLabel(), "Fill (Polygon)");
}

}  // namespace
}  // namespace kanvo
