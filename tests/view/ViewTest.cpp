#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>
#include <tuple>

#include "support/CompositeReference.h"
#include "support/RandomImages.h"
#include "support/RecordingSurface.h"
#include "support/TiledImages.h"
#include "view/RubberBand.h"
#include "view/View.h"

namespace kanvo {
namespace {

constexpr Color32 kGrey = 0xFF707070u;  // outside the canvas
constexpr double kDegree = kViewTurn / 360.0;

struct Fixture {
  StringTable strings{kUiLanguageEnglish};
  Document doc{strings};
  DisplaySettings settings;
  View view{doc, settings};
  test::RecordingSurface surface{64, 48};

  // A canvas whose bottom layer is filled with colour, shown in a window of the surface's size.
  explicit Fixture(int32_t w = 40, int32_t h = 30, Color32 colour = 0xFF204060u) {
    doc.newCanvas(w, h, kLayerKind32);
    doc.layer(0)->pixels32.fillRect(test::fillWith(colour), 0, 0, w, h);
    doc.layer(0)->refresh();
    view.setSurface(&surface);
    view.resize(surface.window.width(), surface.window.height());
  }
  void show(double zoom, double originX, double originY) {
    view.setZoom(zoom);
    view.setOrigin(originX, originY);
    view.invalidate();
    view.redraw();
  }
};

TEST(ViewTest, ZoomStepsAndAngles) {
  Fixture f;
  struct Step {
    double from;
    bool in;
    double to;
  };
  for (const Step& s : {Step{1.0, true, 1.5}, {64.0, true, 64.0}, {0.015625, false, 0.015625}, {0.7, true, 1.0},
                        {1.0, false, 0.665}, {0.02, false, 0.015625}}) {
    f.view.setZoom(s.from);
    s.in ? f.view.zoomIn() : f.view.zoomOut();
    EXPECT_EQ(f.view.zoom(), s.to) << s.from;
  }
  // Any finite angle is brought into [0, turn); non-finite ones are refused.
  for (auto [angle, stored] : {std::pair{-0.5, kViewTurn - 0.5}, {6.3, 6.3 - kViewTurn}, {0.25, 0.25},
                               {-3.0 * kViewTurn - 1.0, kViewTurn - 1.0}, {1e6, std::fmod(1e6, kViewTurn)}}) {
    ASSERT_TRUE(f.view.setAngle(angle));
    EXPECT_NEAR(f.view.transform().angle, stored, 1e-9) << angle;
  }
  for (double bad : {NAN, INFINITY, -INFINITY}) EXPECT_FALSE(f.view.setAngle(bad));
  EXPECT_NEAR(f.view.transform().angle, std::fmod(1e6, kViewTurn), 1e-9);
}

// What the per-pixel reference does not reach: at zoom 64 the zoomed canvas image holds only
// the part inside the window, a canvas scrolled out of the window leaves a grey picture, and
// windows of 0 x 0 and 8192 x 8192 pixels.
TEST(ViewTest, ZoomedScrolledTinyAndHugeWindows) {
  for (int32_t side : {512, 2048}) {
    Fixture f(side, side);
    f.show(64.0, -1000.5, -700.0);
    EXPECT_LE(f.view.canvasImage().width(), 64);
    EXPECT_LE(f.view.canvasImage().height(), 48);
    EXPECT_EQ(test::pixelsOf(f.surface.window), std::vector<Color32>(64 * 48, 0xFF204060u));
  }
  Fixture f;
  f.show(1.0, 10, 10);
  f.show(1.0, 200, -300);  // wholly outside
  EXPECT_EQ(test::pixelsOf(f.surface.window), std::vector<Color32>(64 * 48, kGrey));
  f.view.resize(0, 0);
  f.show(2.0, 1, 1);
  EXPECT_EQ(f.view.display().width(), 1);
  EXPECT_EQ(f.view.windowToCanvas(0, 0), (CurvePoint{-0.5, -0.5}));
  f.view.setAngle(1.0);
  f.view.redraw();
  f.view.setAngle(0.0);
  f.view.resize(8192, 8192);
  f.surface.presented.clear();
  f.show(1.0, 8000, 8000);
  ASSERT_EQ(f.surface.presented.size(), 1u);
  EXPECT_EQ(f.surface.presented[0], Rect(0, 0, 8192, 8192));
  EXPECT_EQ(f.view.display().getPixel(8039, 8029), 0xFF204060u);
  EXPECT_EQ(f.view.display().getPixel(7999, 8000), kGrey);
  EXPECT_EQ(f.view.display().getPixel(8191, 8191), kGrey);
}

// The selection outline on the surface: placement, the border rule, dashes by phase, edge length
// by zoom, the dash axis of a quarter turn, the gates.
TEST(ViewTest, SelectionOutline) {
  Fixture f(8, 6);
  Selection& selection = *f.doc.selection(0);
  auto select = [&](int32_t x, int32_t y, int32_t w, int32_t h) {
    selection.mask.clear();
    selection.mask.fillRect(test::fillWith(255), x, y, w, h);
    selection.mode = kSelectionMask;
    selection.rebuildOutline();
  };
  // The pixels of the overlay with their colours.
  auto pixels = [&]() {
    std::set<std::tuple<int32_t, int32_t, Color32>> out;
    for (const OverlayRun& run : f.surface.outline().runs)
      for (int32_t i = 0; i < run.length; ++i) out.insert({run.x + i, run.y, run.colour});
    return out;
  };
  auto dash = [](uint32_t phase, int32_t c) { return ((phase + uint32_t(c)) & 4) != 0 ? kOpaqueBlack : kOpaqueWhite; };
  select(2, 1, 3, 2);
  f.show(1.0, 10, 20);
  for (uint32_t phase : {0u, 1u, 6u}) {
    f.view.animateSelectionOutline(phase);
    std::set<std::tuple<int32_t, int32_t, Color32>> expected;
    for (int32_t x = 12; x < 15; ++x) {
      expected.insert({x, 21, dash(phase, x)});  // top edges
      expected.insert({x, 23, dash(phase, x)});  // bottom edges, along the top of the row below
    }
    for (int32_t y = 21; y < 23; ++y) {
      expected.insert({12, y, dash(phase, y)});
      expected.insert({15, y, dash(phase, y)});
    }
    EXPECT_EQ(pixels(), expected) << phase;
  }
  f.show(1.0, 13, 24);  // a redraw moves the shown outline with the picture at once
  EXPECT_EQ(pixels().count({15, 25, dash(6, 15)}), 1u);
  f.show(1.0, 10, 20);
  // At the canvas's right and bottom border the edges stay inside; zoom 2 doubles them.
  select(5, 3, 3, 3);
  f.view.animateSelectionOutline(0);
  for (int32_t y = 23; y < 26; ++y) EXPECT_EQ(pixels().count({17, y, dash(0, y)}), 1u) << y;
  EXPECT_EQ(pixels().count({15, 25, dash(0, 15)}), 1u);
  f.show(2.0, 10, 20);
  f.view.animateSelectionOutline(0);
  std::set<int32_t> leftColumn, topRow;
  for (const auto& [x, y, colour] : pixels()) {
    if (x == 20) leftColumn.insert(y);
    if (y == 26) topRow.insert(x);
  }
  EXPECT_EQ(leftColumn, (std::set<int32_t>{26, 27, 28, 29, 30, 31}));  // three edges of two pixels
  EXPECT_EQ(topRow, (std::set<int32_t>{20, 21, 22, 23, 24, 25}));
  // A quarter turn swaps the dash axis: vertical edges are dashed along x.
  f.view.setAngle(90.0 / kDegreesPerRadian);
  f.view.animateSelectionOutline(0);
  for (const auto& [x, y, colour] : pixels()) EXPECT_TRUE(colour == dash(0, x) || colour == dash(0, y));
  EXPECT_FALSE(pixels().empty());
  f.view.setAngle(0.0);
  // Gates: each one empties the outline.
  for (int gate = 0; gate < 4; ++gate) {
    f.settings.outlineShown = gate == 0 ? 0 : 1;
    f.settings.outlineMode = gate == 1 ? 2 : 3;
    f.view.suppressOutline = gate == 2;
    if (gate == 3) select(0, 0, 0, 0);
    f.view.animateSelectionOutline(0);
    EXPECT_TRUE(f.surface.outline().empty()) << gate;
  }
}

TEST(ViewTest, RulersUndoOutcomesAndBusy) {
  Fixture f;
  f.settings.rulers = 1;
  f.show(1.0, 40, 30);
  const Image32& w = f.surface.window;
  EXPECT_EQ(w.getPixel(5, 5), kOpaqueWhite);  // the corner box
  EXPECT_EQ(w.getPixel(0, 0), 0xFF7F7F7Fu);   // its outline, black at 127 over white
  EXPECT_EQ(w.getPixel(30, 19), kOpaqueBlack);  // the top strip's edge
  EXPECT_EQ(w.getPixel(40, 12), kOpaqueBlack);  // the tick of canvas x 0
  EXPECT_EQ(w.getPixel(42, 2), kOpaqueBlack);   // the top of its "0"
  EXPECT_EQ(w.getPixel(45, 35), 0xFF204060u);   // the canvas
  f.settings.rulers = 0;

  UndoOutcome pixels;
  pixels.bits = kUndoResultPixels;
  pixels.redraw = Rect(2, 3, 4, 5);
  f.surface.presented.clear();
  f.view.showUndoOutcome(pixels);
  ASSERT_EQ(f.surface.presented.size(), 1u);
  const Rect& r = f.surface.presented[0];
  EXPECT_TRUE(r.x <= 42 && r.y <= 33 && r.right() >= 46 && r.bottom() >= 38 && r.width < 10 && r.height < 11);
  UndoOutcome whole;
  whole.bits = kUndoResultDocument;
  whole.wholeView = whole.canvasResized = true;
  f.view.showUndoOutcome(whole);
  EXPECT_EQ(f.surface.presented.back(), Rect(0, 0, 64, 48));
  EXPECT_EQ(f.view.transform().originX, 32 - 20);  // centred on the canvas
  f.doc.busy = 1;
  f.surface.presented.clear();
  f.view.redraw();
  f.view.redrawRect(0, 0, 5, 5);
  EXPECT_TRUE(f.surface.presented.empty());
}

// Rubber bands: the black line and its white twin (right of lines at least as tall as wide,
// below the others); the rectangle's four lines in order, a zero-size one degenerate; ellipses.
TEST(ViewTest, RubberBands) {
  Overlay o;
  drawBandLine(o, 10, 10, 50, 10);
  drawBandLine(o, 0, 0, 7, 7);
  drawBandRect(o, 5, 6, 0, 0);
  drawBandRect(o, 1, 2, 30, 20);
  const std::vector<OverlayLine> lines = {
      {10, 10, 50, 10, kOpaqueBlack}, {10, 11, 50, 11, kOpaqueWhite}, {0, 0, 7, 7, kOpaqueBlack},
      {1, 0, 8, 7, kOpaqueWhite},     {5, 6, 5, 6, kOpaqueBlack},     {6, 6, 6, 6, kOpaqueWhite}};
  EXPECT_TRUE(std::equal(lines.begin(), lines.end(), o.lines.begin()));
  EXPECT_EQ(o.lines.size(), 4u + 8u + 8u);
  EXPECT_EQ(o.lines[4 + 8 + 2], (OverlayLine{1, 22, 31, 22, kOpaqueBlack}));  // the bottom, second
  EXPECT_EQ(o.lines[4 + 8 + 7], (OverlayLine{32, 2, 32, 22, kOpaqueWhite}));  // the right one's twin, last
  drawBandEllipse(o, 0, 0, 30, 10);
  drawBandEllipse(o, 0, 0, 10, 30);
  const std::vector<OverlayEllipse> ellipses = {{0, 0, 30, 10, kOpaqueBlack}, {0, 1, 30, 11, kOpaqueWhite},
                                                {0, 0, 10, 30, kOpaqueBlack}, {1, 0, 11, 30, kOpaqueWhite}};
  EXPECT_EQ(o.ellipses, ellipses);
}

std::vector<double> testAngles() {
  std::vector<double> angles;
  for (int d = 0; d < 360; d += 15) angles.push_back(d * kDegree);
  for (double d : {7.3, 123.4, 271.9}) angles.push_back(d * kDegree);
  return angles;
}

// window -> canvas -> window and canvas -> window -> canvas at every zoom step, every multiple
// of 15 degrees and a few odd angles, mirrored and not, even and odd window sizes.
TEST(ViewMappingTest, RoundTrips) {
  Fixture f(700, 500);
  std::mt19937 rng(5);
  for (auto [w, h] : {std::pair{640, 480}, std::pair{641, 479}}) {
    f.view.resize(w, h);
    for (double zoom : standardZoomSteps()) {
      for (double angle : testAngles()) {
        for (bool mirrored : {false, true}) {
          f.view.setZoom(zoom);
          ASSERT_TRUE(f.view.setAngle(angle));
          f.view.setMirrored(mirrored);
          f.view.setOrigin(test::randomIn(rng, -300, 300) + 0.25, test::randomIn(rng, -300, 300) - 0.5);
          for (int i = 0; i < 8; ++i) {
            const double wx = test::randomIn(rng, -50, w + 50) + 0.37, wy = test::randomIn(rng, -50, h + 50) + 0.61;
            const CurvePoint c = f.view.windowToCanvas(wx, wy);
            const CurvePoint back = f.view.canvasToWindow(c.x, c.y);
            ASSERT_LT(std::hypot(back.x - wx, back.y - wy) / std::max(1.0, std::hypot(wx, wy)), 1e-9)
                << zoom << " " << angle << " " << mirrored;
            const CurvePoint again = f.view.windowToCanvas(back.x, back.y);
            ASSERT_LT(std::hypot(again.x - c.x, again.y - c.y) / std::max(1.0, std::hypot(c.x, c.y)), 1e-9);
          }
        }
      }
    }
  }
}

// A lone opaque canvas pixel shows at exactly the window pixels whose centres map into it (at
// zooms below 1 into the block of canvas pixels its reduced level pixel stands for). A turned
// picture is a nearest sample of the display, so a window pixel shows what the display pixel
// under its centre shows, and that display pixel what its own centre maps to. Pixels within
// 0.05 screen pixels of an edge of either sampling are not judged.
TEST(ViewMappingTest, PictureAgreesWithTheMapping) {
  Fixture f(300, 200, 0);
  const int32_t px = 128, py = 64;
  const Color32 red = 0xFFFF0000u;
  f.doc.layer(0)->pixels32.setPixel(px, py, red);
  ASSERT_TRUE(f.doc.layer(0)->refresh());
  f.view.resize(101, 77);
  std::mt19937 rng(11);
  int judged = 0;
  for (double zoom : standardZoomSteps()) {
    for (double degrees : {0.0, 15.0, 30.0, 90.0, 197.3}) {
      for (bool mirrored : {false, true}) {
        f.view.setZoom(zoom);
        f.view.setAngle(degrees * kDegree);
        f.view.setMirrored(mirrored);
        f.view.centreOn(px + 0.5 + (rng() % 100) / 100.0, py + 0.5 + (rng() % 100) / 100.0);
        if (zoom < 1.0) f.view.snapOrigin();
        f.view.invalidate();
        f.view.redraw();
        const double s = std::ldexp(1.0, test::viewLevelOf(zoom));
        const Image32& picture = f.view.picture();
        for (int32_t y = 0; y < picture.height(); ++y) {
          for (int32_t x = 0; x < picture.width(); ++x) {
            const CurvePoint onDisplay = f.view.canvasToScreen(f.view.windowToCanvas(x + 0.5, y + 0.5).x,
                                                               f.view.windowToCanvas(x + 0.5, y + 0.5).y);
            const double fx = onDisplay.x - std::floor(onDisplay.x), fy = onDisplay.y - std::floor(onDisplay.y);
            if (std::min({fx, 1.0 - fx, fy, 1.0 - fy}) < 0.05) continue;
            const CurvePoint c = f.view.screenToCanvas(std::floor(onDisplay.x) + 0.5, std::floor(onDisplay.y) + 0.5);
            const double bx = c.x / s - px / s, by = c.y / s - py / s;  // inside when both lie in [0, 1)
            const double edge = std::min({std::fabs(bx), std::fabs(bx - 1.0), std::fabs(by), std::fabs(by - 1.0)});
            if (edge * s * zoom < 0.05) continue;
            const bool inside = bx > 0.0 && bx < 1.0 && by > 0.0 && by < 1.0;
            ++judged;
            ASSERT_EQ(picture.getPixel(x, y) == red, inside)
                << "zoom " << zoom << " angle " << degrees << " mirrored " << mirrored << " at " << x << ", " << y;
          }
        }
      }
    }
  }
  EXPECT_GT(judged, 22 * 10 * 6000);
}

}  // namespace
}  // namespace kanvo
