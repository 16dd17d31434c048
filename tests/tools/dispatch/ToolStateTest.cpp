#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "support/BrushRig.h"
#include "support/FakeTools.h"
#include "support/TiledImages.h"
#include "tools/dispatch/KeyCodes.h"
#include "tools/dispatch/ToolState.h"

namespace kanvo {
namespace {

using namespace kanvo::keys;
using Log = std::vector<std::string>;

// A 200 x 150 canvas of two 32 bpp layers in a 160 x 120 window, dispatch with recording
// families.
struct Dispatch : test::DispatchRig {
  test::FakeTools tools;

  Dispatch() : DispatchRig(200, 150, kLayerKind32, 160, 120) {
    doc.addLayer32();
    state.setFamilies(tools.families());
  }
  void tool(int32_t category, int32_t sub) { state.mode.select(category, sub); }
  uint32_t press(double x, double y, double pressure = 1.0, int32_t button = 0) {
    return state.Press({x, y, pressure, button});
  }
  void move(double x, double y, double pressure = 1.0) { state.Move({x, y, pressure, 0}); }
  uint32_t release(double x, double y) { return state.Release({x, y, 1.0, 0}); }
  uint32_t click(double x, double y) { return press(x, y) | release(x, y); }
  void hold(std::initializer_list<int32_t> keys) {
    for (int32_t k : keys) state.KeyDown(k);
  }
  void letGo(std::initializer_list<int32_t> keys) {
    for (int32_t k : keys) state.KeyUp(k);
  }
  Log takeLog() { return std::exchange(tools.log, {}); }
};

// The brush: which family operation each event calls, with canvas points through the view,
// pressures and buttons unchanged; a press while the previous is open releases it first; keys
// decide the eraser and whether a stroke starts.
TEST(ToolStateTest, BrushCallsAndKeys) {
  Dispatch d;
  d.view.setZoom(2.0);
  d.view.setOrigin(10, 20);
  d.press(30, 40, 0.25);
  d.move(31, 41, 0.5);
  d.state.Press({50, 60, 0.75, 1});  // still open: the first press is released here
  d.release(51, 60);
  EXPECT_EQ(d.takeLog(), (Log{"begin (10.000,10.000) p0.25 b0 sub0", "sample (10.000,10.000) p0.25 b0",
                              "sample (10.500,10.500) p0.50 b0", "commit (10.500,10.500) p0.50 b0",
                              "begin (20.000,20.000) p0.75 b1 sub0", "sample (20.000,20.000) p0.75 b1",
                              "commit (20.500,20.000) p1.00 b1"}));
  d.hold({kZ});
  d.click(30, 40);
  EXPECT_EQ(d.takeLog().front(), "begin (10.000,10.000) p1.00 b0 sub0 Z");
  d.letGo({kZ});
  d.hold({kControl});
  d.click(30, 40);  // a key other than Z: no stroke
  EXPECT_EQ(d.takeLog(), Log{});
  d.letGo({kControl});
  // Shift with a last brush point: the straight line, and its preview band while Shift is held.
  d.hold({kShift});
  EXPECT_EQ(d.state.keyOverride(), kOverrideStraightLine);
  d.move(70, 40);
  ASSERT_EQ(d.surface.feedback().lines.size(), 2u);
  EXPECT_EQ(d.surface.feedback().lines[0], (OverlayLine{30, 40, 70, 40, kOpaqueBlack}));
  d.click(70, 40);
  EXPECT_EQ(d.takeLog(), (Log{"straight (10.000,10.000)-(30.000,10.000)"}));
  d.letGo({kShift});
  d.press(-1, 5);  // outside the canvas area
  d.press(160, 5);
  EXPECT_EQ(d.takeLog(), Log{});
  EXPECT_EQ(d.release(1, 1), 0u);  // a release without a press resets
  EXPECT_FALSE(d.state.buttonDown());
  // Positions that are not finite or absurdly far are not used: the stroke ends at its last point.
  d.press(30, 40);
  for (double x : {double(NAN), double(INFINITY), 1e300}) d.move(x, 41);
  d.state.Release({NAN, 41, 1.0, 0});
  EXPECT_EQ(d.takeLog(), (Log{"begin (10.000,10.000) p1.00 b0 sub0", "sample (10.000,10.000) p1.00 b0",
                              "commit (10.000,10.000) p1.00 b0"}));
}

// The brush-size drag (V): 0.25 per window pixel at zoom 1, doubled above size 100, within
// [0.5, 500]; a press without a drag returns to the saved size; not with the dot brush.
TEST(ToolStateTest, BrushSizeDrag) {
  Dispatch d;
  BrushParams& brush = d.settings.attached();
  d.hold({kV});
  for (auto [size, dx, result] : {std::tuple{10.0, 40.0, 20.0}, {150.0, 40.0, 170.0}, {10.0, -400.0, 0.5},
                                  {490.0, 40.0, 500.0}}) {
    brush.size = size;
    d.press(50, 50);
    d.move(50 + dx / 2, 50);
    d.move(50 + dx, 50);
    EXPECT_EQ(d.release(50 + dx, 50), kResultBrushSize);
    EXPECT_EQ(brush.size, result) << size << " " << dx;
  }
  brush.savedSize = 7.0;
  d.click(50, 50);
  EXPECT_EQ(brush.size, 7.0);
  d.view.setZoom(4.0);
  d.press(50, 50);
  d.move(90, 50);
  d.release(90, 50);
  EXPECT_EQ(brush.size, 9.5);
  d.tool(kCategoryBrush, kToolDotBrush);
  EXPECT_EQ(d.click(50, 50), 0u);
}

// The hand and the temporary hand keep the pressed canvas point under the stylus in any turn
// and mirror; the view rotation turns the picture with the stylus about the window centre;
// zooms at a point keep it under the stylus.
TEST(ToolStateTest, HandRotationAndZoomKeepThePoint) {
  Dispatch d;
  auto near = [](CanvasPoint a, CanvasPoint b, double tolerance = 1e-6) {
    return std::hypot(a.x - b.x, a.y - b.y) < tolerance;
  };
  for (double degrees : {0.0, 30.0, 200.0}) {
    for (bool mirrored : {false, true}) {
      for (bool temporary : {false, true}) {
        d.view.setAngle(degrees / kDegreesPerRadian);
        d.view.setMirrored(mirrored);
        d.view.setZoom(temporary ? 0.665 : 1.5);
        const auto [zoomedIn, zoomedOut] = temporary ? std::pair{1.0, 0.5} : std::pair{2.0, 1.0};
        d.tool(kCategoryView, kToolHand);
        if (temporary) {
          d.tool(kCategoryBrush, kToolBrush);
          d.hold({kSpace});
        }
        const CanvasPoint grabbed = d.view.windowToCanvas(40.5, 30.25);
        d.press(40.5, 30.25);
        d.move(90, 70);
        EXPECT_TRUE(near(d.view.windowToCanvas(90, 70), grabbed)) << degrees << mirrored << temporary;
        d.move(20, 100);
        EXPECT_TRUE(near(d.view.windowToCanvas(20, 100), grabbed));
        d.release(20, 100);
        if (temporary) {
          EXPECT_EQ(d.view.transform().originX, std::trunc(d.view.transform().originX));  // snapped below zoom 1
          d.letGo({kSpace});
        }
        EXPECT_EQ(d.takeLog(), Log{});
        // Rotation: the canvas point under the stylus follows it around the centre (80, 60).
        d.tool(kCategoryView, kToolHandRotation);
        const CanvasPoint held = d.view.windowToCanvas(130, 60);
        d.press(130, 60);
        d.move(80, 110);  // a quarter turn clockwise on screen, same radius
        EXPECT_TRUE(near(d.view.windowToCanvas(80, 110), held, 1e-4)) << degrees << mirrored;
        d.release(80, 110);
        // Zoom at the press point: Space+Ctrl in, Space+Ctrl+Alt out, and the zoom tools.
        d.tool(kCategoryBrush, kToolBrush);
        const double zoom = d.view.zoom();
        const CanvasPoint pressed = d.view.windowToCanvas(33, 44);
        d.hold({kSpace, kControl});
        EXPECT_EQ(d.click(33, 44), kResultZoomed);
        EXPECT_EQ(d.view.zoom(), zoomedIn);
        d.hold({kAlt});
        EXPECT_EQ(d.state.keyOverride(), kOverrideZoomOut);
        d.click(33, 44);
        d.click(33, 44);
        EXPECT_EQ(d.view.zoom(), zoomedOut);
        EXPECT_TRUE(near(d.view.windowToCanvas(33, 44), pressed));
        d.letGo({kAlt, kControl, kSpace});
        EXPECT_EQ(d.state.keyOverride(), kOverrideNone);
        d.tool(kCategoryView, kToolZoomIn);
        EXPECT_EQ(d.click(33, 44), kResultZoomed);
        EXPECT_EQ(d.view.zoom(), zoom);
        EXPECT_TRUE(near(d.view.windowToCanvas(33, 44), pressed));
      }
    }
  }
}

// Right and Left turn the picture clockwise and anticlockwise on screen to the next multiple of
// 90 degrees (15 with Shift), mirrored or not; Up resets; only Down mirrors; a non-convert tap
// under 200 ms resets the turn.
TEST(ToolStateTest, RotationKeys) {
  Dispatch d;
  auto degrees = [&] { return wholeDegrees(d.view.transform().angle); };
  // On screen, the direction from the window centre to where canvas +x points.
  auto screenDirection = [&] {
    const CanvasPoint a = d.view.canvasToWindow(0, 0), b = d.view.canvasToWindow(1, 0);
    return wholeDegrees(std::atan2(b.y - a.y, b.x - a.x));  // clockwise on screen (y down)
  };
  struct Step {
    std::vector<int32_t> keys;
    int32_t degrees, direction;
  };
  for (const Step& s : {Step{{kRight}, 270, 90}, {{kRight}, 180, 180}, {{kLeft}, 270, 90}, {{kShift, kRight}, 255, 105},
                        {{kShift, kLeft}, 270, 90}, {{kUp}, 0, 0}, {{kDown}, 0, 180}, {{kRight}, 90, 270},
                        {{kShift, kDown}, 90, 270}}) {
    uint32_t result = 0;
    for (int32_t k : s.keys) result |= d.state.KeyDown(k);
    for (int32_t k : s.keys) d.state.KeyUp(k);
    const bool shiftDown = s.keys == std::vector<int32_t>{kShift, kDown};  // not Down alone: nothing
    EXPECT_EQ(result, shiftDown ? 0u : uint32_t(kResultViewChanged));
    EXPECT_EQ(degrees(), s.degrees);
    EXPECT_EQ(screenDirection(), s.direction);
  }
  EXPECT_TRUE(d.view.transform().isMirrored());
  for (auto [held, reset] : {std::pair{199u, true}, std::pair{200u, false}}) {
    d.view.setAngle(1.0);
    d.clock.now = 1000;
    d.state.KeyDown(kNonConvert);
    d.clock.now += held;
    d.state.KeyUp(kNonConvert);
    EXPECT_EQ(d.view.transform().angle == 0.0, reset) << held;
  }
}

// Colour pick, stamp source and offset, layer pick, with their results and texts.
TEST(ToolStateTest, PicksAndStamp) {
  Dispatch d;
  d.doc.layer(0)->pixels32.fillRect(test::fillWith(rgba(200, 100, 50)), 0, 0, 20, 20);
  d.doc.layer(0)->name = "Ground";
  d.tool(kCategoryView, kToolSpoit);
  d.move(5, 5);
  EXPECT_EQ(d.state.statusText(), "Combined RGB ( 200, 100, 50 )   32bpp Layer RGB/A ( 0, 0, 0 / 0 )");
  EXPECT_EQ(d.click(5, 5), kResultColourPicked);
  EXPECT_EQ(d.settings.foreground(), rgba(200, 100, 50));
  d.tool(kCategoryBrush, kToolBrush);
  d.settings.setForeground(0);
  d.hold({kAlt});
  EXPECT_EQ(d.click(6, 6), kResultColourPicked);
  EXPECT_EQ(d.settings.foreground(), rgba(200, 100, 50));
  d.letGo({kAlt});
  d.takeLog();
  d.tool(kCategoryBrush, kToolStamp);
  d.hold({kAlt});
  EXPECT_EQ(d.click(30, 40), kResultStampSource);
  d.letGo({kAlt});
  d.click(50, 45);
  EXPECT_EQ(std::pair(d.settings.attached().stampOffsetX, d.settings.attached().stampOffsetY), std::pair(-20, -5));
  d.settings.attached().stampOffsetX = 0;
  d.click(60, 45);  // the offset is taken once per source
  EXPECT_EQ(d.settings.attached().stampOffsetX, 0);
  // Layer pick: A on a pixel of the bottom layer makes it current; on an empty pixel nothing.
  d.hold({kA});
  d.move(100, 100);
  EXPECT_EQ(d.state.statusText(), std::string(d.strings.GetString(116)) + "  [ ]");
  EXPECT_EQ(d.click(100, 100), 0u);
  EXPECT_EQ(d.doc.currentLayerIndex(), 1);
  d.move(3, 3);
  EXPECT_EQ(d.state.statusText(), std::string(d.strings.GetString(116)) + " [Ground] ");
  EXPECT_EQ(d.click(3, 3), kResultLayerPicked);
  EXPECT_EQ(d.doc.currentLayerIndex(), 0);
}

// Rectangle and ellipse tools: the band follows the drag on the feedback slot and goes at the
// release, which calls the family with the dragged rectangle and the key's operation; the
// status shows range and size. Multi-click tools collect vertices; the free selection finishes
// on release; one-click tools call their family at the snapped point.
TEST(ToolStateTest, ShapesSelectionsAndBands) {
  Dispatch d;
  d.tool(kCategoryShape, kToolFillRect);
  d.press(10, 10);
  d.move(30, 20);
  d.move(50, 30);
  ASSERT_EQ(d.surface.feedback().lines.size(), 8u);  // four lines and their twins
  EXPECT_EQ(d.surface.feedback().lines[2], (OverlayLine{10, 30, 50, 30, kOpaqueBlack}));  // the bottom
  EXPECT_EQ(d.state.statusText(), "Range ( 10, 10 ) - ( 50, 30 )  Size ( 40, 20 )");
  d.release(50, 30);
  EXPECT_TRUE(d.surface.feedback().empty());
  d.tool(kCategorySelection, kToolSelectEllipse);
  d.hold({kShift});
  d.press(60, 10);
  d.move(40, 50);
  ASSERT_EQ(d.surface.feedback().ellipses.size(), 2u);
  EXPECT_EQ(d.surface.feedback().ellipses[0], (OverlayEllipse{60, 10, 40, 50, kOpaqueBlack}));
  d.release(40, 50);
  d.letGo({kShift});
  EXPECT_EQ(d.takeLog(), (Log{"fillRect (10.000,10.000)(50.000,10.000)(50.000,30.000)(10.000,30.000)",
                              "selectEllipse1 (60.000,10.000)(40.000,10.000)(40.000,50.000)(60.000,50.000)"}));
  // Vertices: a repeated vertex is not added, the second button takes the last one back.
  d.tool(kCategoryShape, kToolFillPolygon);
  for (auto [x, y, button] : {std::tuple{5, 5, 0}, {5, 5, 0}, {20, 5, 0}, {9, 9, 0}, {9, 9, 1}})
    d.state.Press({double(x), double(y), 1.0, button}), d.release(x, y);
  EXPECT_EQ(d.state.shapeVertices(), (VertexList{{5, 5}, {20, 5}}));
  EXPECT_EQ(d.state.finishShape(), kResultShapeFinished);
  d.hold({kEscape});
  d.letGo({kEscape});
  d.tool(kCategorySelection, kToolSelectFree);
  d.hold({kControl});
  d.press(1, 1);
  d.move(9, 1);
  d.move(9, 9);
  EXPECT_EQ(d.release(9, 9), kResultShapeFinished);
  d.letGo({kControl});
  d.tool(kCategoryShape, kToolBucket);
  EXPECT_EQ(d.click(7, 8), kResultBucket);
  d.tool(kCategorySelection, kToolSelectAuto);
  EXPECT_EQ(d.click(7, 8), kResultAutoSelect);
  d.tool(kCategorySelection, kToolSelectRange);
  EXPECT_EQ(d.click(7, 8), kResultRangeSelect);
  EXPECT_EQ(d.surface.waits, 5);  // polygon, free selection, bucket, automatic, range
  d.tool(kCategoryGradient, kToolGradient);
  d.press(1, 2);
  d.move(4, 6);
  EXPECT_EQ(d.state.statusText(), "Range ( 1, 2 ) - ( 4, 6 )  Distance ( 5 pixel / 0.02 cm )  Angle ( 306 deg )");
  EXPECT_EQ(d.release(4, 6), kResultGradient);
  d.tool(kCategoryMove, kToolMove);
  d.press(10, 10);
  d.move(74, 10);
  EXPECT_EQ(d.state.statusText(), "Moving Offset ( 64, 0 ) ( 64, -64 )");
  d.release(74, 10);
  EXPECT_EQ(d.takeLog(), (Log{"fillVertices2 (5.000,5.000)(20.000,5.000)",
                              "selectPolygon2 (1.000,1.000)(9.000,1.000)(9.000,9.000)", "bucket (7.000,8.000)",
                              "selectAuto0 (7.000,8.000)", "selectRange (7.000,8.000) clear",
                              "gradient (1.000,2.000)(4.000,6.000)", "move.begin (10.000,10.000)",
                              "drag (74.000,10.000)", "move.commit (74.000,10.000)"}));
}

// Locked and hidden layers take no edits and say so; whole-pixel tools test insideness on the
// unrounded point (57 window pixels left of the canvas at zoom 64 is canvas x -0.9); a reset lets
// go of the held keys.
TEST(ToolStateTest, LockedLayersOutsidePointsAndCursors) {
  Dispatch d;
  d.doc.currentLayer()->locked = 1;
  d.tool(kCategoryShape, kToolFillRect);
  d.press(10, 10);
  d.release(20, 20);
  d.tool(kCategoryShape, kToolBucket);
  d.click(10, 10);
  EXPECT_EQ(d.takeLog(), Log{});
  d.move(10, 10);
  EXPECT_EQ(d.state.statusText(), "Position ( 10, 10 )Layer is Locked");
  EXPECT_EQ(d.state.CursorKind(), kCursorArrow);
  d.doc.currentLayer()->locked = 0;
  d.view.setZoom(64.0);
  d.view.setOrigin(100, 0);
  d.click(42.4, 5);  // canvas x (42.4 - 100) / 64 = -0.9
  d.tool(kCategoryView, kToolSpoit);
  EXPECT_EQ(d.click(42.4, 5), 0u);
  EXPECT_EQ(d.takeLog(), Log{});
  d.tool(kCategorySelection, kToolSelectRect);
  d.hold({kShift, kSpace});
  EXPECT_EQ(d.state.CursorKind(), kCursorHand);  // Space and Shift: the temporary rotation
  d.state.ResetStroke(true);
  EXPECT_EQ(d.state.keyOverride(), kOverrideNone);
}

}  // namespace
}  // namespace kanvo
