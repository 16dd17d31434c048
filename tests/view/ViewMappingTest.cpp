#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "support/CompositeReference.h"
#include "support/RandomImages.h"
#include "view/View.h"

namespace kanvo {
namespace {

constexpr double kDegree = kViewTurn / 360.0;

std::vector<double> testAngles() {
  std::vector<double> angles;
  for (int d = 0; d < 360; d += 15) angles.push_back(d * kDegree);
  for (double d : {7.3, 123.4, 271.9}) angles.push_back(d * kDegree);
  return angles;
}

struct Fixture {
  StringTable strings{kUiLanguageEnglish};
  Document doc{strings};
  DisplaySettings settings;
  View view{doc, settings};
};

// window -> canvas -> window and canvas -> window -> canvas at every zoom step, every multiple
// of 15 degrees and a few odd angles, mirrored and not, even and odd window sizes.
TEST(ViewMappingTest, RoundTrips) {
  Fixture f;
  ASSERT_NE(f.doc.newCanvas(700, 500, kLayerKind32), nullptr);
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
  // Plain, the window mappings are the screen mappings.
  f.view.setAngle(0.0);
  f.view.setMirrored(false);
  f.view.setZoom(1.5);
  f.view.setOrigin(10.25, -3.0);
  EXPECT_EQ(f.view.canvasToWindow(4.0, 6.0), (CurvePoint{16.25, 6.0}));
  EXPECT_EQ(f.view.windowToCanvas(16.25, 6.0), (CurvePoint{4.0, 6.0}));
  EXPECT_EQ(f.view.mapSize(-5.0, 2.0, 10.0, 4.0), (CurvePoint{10.0, 6.0}));
}

// A lone opaque canvas pixel shows at exactly the window pixels whose centres map into it (at
// zooms below 1 into the block of canvas pixels its reduced level pixel stands for). A turned
// picture is a nearest sample of the display, so a window pixel shows what the display pixel
// under its centre shows, and that display pixel what its own centre maps to. Pixels within
// 0.05 screen pixels of an edge of either sampling are not judged.
TEST(ViewMappingTest, PictureAgreesWithTheMapping) {
  Fixture f;
  ASSERT_NE(f.doc.newCanvas(300, 200, kLayerKind32), nullptr);
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
