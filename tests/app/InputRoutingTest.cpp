// The window's events through the routing: panels, colour strip, keys and the start state.
#include "app/InputRouting.h"

#include <gtest/gtest.h>

#include "app/Application.h"
#include "app/BottomBar.h"
#include "raster/pixel/PixelOps.h"
#include "tools/dispatch/ToolMode.h"

namespace kanvo {
namespace {

class InputRoutingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(app.initialise());
    app.layOut(800, 600);  // view 740 x 570, bar at y 570, panel at x 740
    app.view.setOrigin(0, 0);  // canvas pixel (x, y) at view pixel (x, y)
    app.view.invalidate();
  }
  PressResult click(double x, double y) {
    const PressResult r = stylusPress(app, {x, y});
    stylusRelease(app, {x, y});
    return r;
  }
  void tap(int32_t key) {
    keyDown(app, key);
    keyUp(app, key);
  }
  Application app;
};

TEST_F(InputRoutingTest, BrushKindsKeepTheirOwnSizes) {
  click(280 + 7 * 24, 580);  // preset 7: 25
  app.setBrushKind(Application::kWaterColor);
  EXPECT_EQ(app.settings.attached().size, 40.0);
  EXPECT_EQ(app.settings.attached().kind, 2);
  app.setBrushKind(Application::kPen);
  EXPECT_EQ(app.settings.attached().size, 25.0);
  app.setBrushKind(7);  // ignored
  EXPECT_EQ(app.brushKind(), Application::kPen);
}

TEST_F(InputRoutingTest, ColourStripFollowsWithinReachOnly) {
  Image32 strip;
  ASSERT_TRUE(BottomBar::buildStrip(strip));
  const int32_t bar = app.layout().barY();
  EXPECT_EQ(stylusPress(app, {50, bar + 15.0}), PressResult::kNone);
  EXPECT_EQ(app.settings.foreground(), strip.getPixel(5, 15));
  stylusMove(app, {65, bar + 20.0});  // within 20 pixels
  EXPECT_EQ(app.settings.foreground(), strip.getPixel(20, 20));
  stylusMove(app, {90, bar + 20.0});  // 25 away: no change
  EXPECT_EQ(app.settings.foreground(), strip.getPixel(20, 20));
  stylusMove(app, {80, bar - 40.0});  // back within reach in x, but 60 away in y
  EXPECT_EQ(app.settings.foreground(), strip.getPixel(20, 20));
  stylusMove(app, {84, bar + 5.0});   // within reach of (65, 20): 19 in x, 15 in y
  EXPECT_EQ(app.settings.foreground(), strip.getPixel(39, 5));
  stylusMove(app, {200, bar + 5.0});  // out of reach, would clamp
  stylusMove(app, {100, bar + 0.0});
  EXPECT_EQ(app.settings.foreground(), strip.getPixel(55, 0));
  stylusRelease(app, {100, bar + 0.0});
  EXPECT_LE(colourDistanceSquared(app.palette.colour(), app.settings.foreground()), 100);  // the palette follows
  stylusMove(app, {60, bar + 10.0});  // after the release nothing follows
  EXPECT_EQ(app.settings.foreground(), strip.getPixel(55, 0));
}

TEST_F(InputRoutingTest, LayerRowsSelectOnlyExistingLayers) {
  const int32_t panel = app.layout().panelX();
  click(panel + 10, 145 + 20 + 5);  // row 1: the lower of the two layers
  EXPECT_EQ(app.document.currentLayerIndex(), 0);
  click(panel + 10, 145 + 5);
  EXPECT_EQ(app.document.currentLayerIndex(), 1);
  for (int32_t y : {185, 244, 245}) {
    click(panel + 10, y);  // rows with no layer, and below the rows
    EXPECT_EQ(app.document.currentLayerIndex(), 1) << y;
  }
  click(panel + 25, 285);
  EXPECT_EQ(app.settings.options.antialias, 0);
  click(panel + 5, 285);
  EXPECT_EQ(app.settings.options.antialias, 1);
}

TEST_F(InputRoutingTest, ColourKeysOnlyWithoutModifiers) {
  app.settings.setForeground(rgba(1, 2, 3));
  for (int32_t modifier : {16, 17, 18, 32}) {
    keyDown(app, modifier);
    tap('X');
    tap('D');
    keyUp(app, modifier);
    EXPECT_EQ(app.settings.foreground(), rgba(1, 2, 3)) << modifier;
  }
  tap('X');
  EXPECT_EQ(app.settings.foreground(), kOpaqueWhite);
  EXPECT_EQ(app.settings.background(), rgba(1, 2, 3));
  tap('D');
  EXPECT_EQ(app.settings.foreground(), kOpaqueBlack);
  EXPECT_EQ(app.settings.background(), kOpaqueWhite);
}

// With the palette shown, the colour pick reads the canvas pixel at x - canvasX, and a press
// on the palette panel takes a colour only in the palette's field.
TEST_F(InputRoutingTest, ToolsGetCanvasPointsAndPanelsTheRest) {
  app.document.layer(1)->pixels32.setPixel(10, 20, rgba(200, 100, 50));
  EXPECT_EQ(click(15, 580), PressResult::kPaletteButton);
  ASSERT_TRUE(app.paletteShown());
  click(10 + 64, 10 + 64);  // the field, red hue
  EXPECT_EQ(app.settings.foreground(), rgba(127, 63, 63));
  const int32_t panel = app.layout().panelX();
  click(panel + 5, 95);  // tool button 6: colour pick
  EXPECT_TRUE(app.tools.mode.is(kCategoryView, kToolSpoit));
  click(177 + 10.5, 20.5);
  EXPECT_EQ(app.settings.foreground(), rgba(200, 100, 50));  // the palette's nearest colour is not taken
  click(60, 300);  // the palette panel below its field
  EXPECT_EQ(app.settings.foreground(), rgba(200, 100, 50));
  click(panel + 35, 95);  // tool button 7: the hand
  EXPECT_TRUE(app.tools.mode.is(kCategoryView, kToolHand));
  EXPECT_EQ(app.tools.CursorKind(), 3);
  EXPECT_EQ(click(15, 580), PressResult::kPaletteButton);
  EXPECT_EQ(app.layout().canvasX, 0);
}

TEST_F(InputRoutingTest, BarAndQStepTheHistory) {
  ASSERT_TRUE(app.history.recordLayerSwap(0, 1, "swap"));
  app.document.swapLayers(0, 1);
  Layer* top = app.document.layer(1);
  click(170, 580);  // undo
  EXPECT_NE(app.document.layer(1), top);
  EXPECT_TRUE(app.history.canRedo());
  click(200, 580);  // redo
  EXPECT_EQ(app.document.layer(1), top);
  click(170, 580);
  tap('Q');
  EXPECT_EQ(app.document.layer(1), top);
}

// Two fingers: the zoom step nearest the start zoom times the ratio of their spreads, the view
// turned by their turn (the other way when mirrored), and the canvas point that lay between
// them kept between them; with the palette shown too (the canvas area then starts at x 177).
TEST_F(InputRoutingTest, TwoFingersZoomAndTurnAboutThePointBetweenThem) {
  using Fingers = TwoFingerGesture::Fingers;
  const struct {
    Fingers now;
    bool mirrored;
    double zoom, degrees;
  } cases[] = {
      {{150, 250, 350, 250}, false, 2.0, 0},         // spread to twice the distance
      {{250, 150, 250, 350}, false, 2.0, 270},       // and turned a quarter clockwise on screen
      {{250, 150, 250, 350}, true, 2.0, 90},
      {{265, 275, 335, 275}, false, 0.665, 0},       // pinched to 0.7 and moved: the nearest step
      {{300, 270, 300, 270.5}, false, 0.015625, 0},  // together: the angle stays
  };
  for (bool palette : {false, true}) {
    if (palette != app.paletteShown()) app.togglePalette();
    const double x0 = app.layout().canvasX;
    for (const auto& c : cases) {
      SCOPED_TRACE(testing::Message() << c.now.x0 << " " << c.now.y0 << (c.mirrored ? " mirrored" : ""));
      app.view.setZoom(1.0);
      app.view.setAngle(0.0);
      app.view.setMirrored(c.mirrored);
      const Fingers start{200 + x0, 250, 300 + x0, 250};
      const CurvePoint held = app.view.windowToCanvas(250, 250);
      twoFingersBegin(app, start);
      twoFingersMove(app, {c.now.x0 + x0, c.now.y0, c.now.x1 + x0, c.now.y1});
      EXPECT_EQ(app.view.zoom(), c.zoom);
      EXPECT_NEAR(app.view.transform().angle, c.degrees * kViewTurn / 360, 1e-6);
      const CurvePoint now = app.view.windowToCanvas(c.now.midX(), c.now.midY());
      EXPECT_NEAR(now.x, held.x, 1e-6);
      EXPECT_NEAR(now.y, held.y, 1e-6);
    }
  }
}

}  // namespace
}  // namespace kanvo
