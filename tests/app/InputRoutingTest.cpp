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
  click(panel + 45, 35);
  EXPECT_EQ(app.routing.selectedToolButton, 3);
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
  click(panel + 35, 5);  // the eraser attaches the eraser set
  EXPECT_EQ(app.settings.attachedSet(), ToolSettings::kEraserSet);
  click(panel + 5, 5);
  EXPECT_EQ(app.settings.attachedSet(), ToolSettings::kBrushSet);
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
  keyDown(app, 'Z');  // a tap of Z undoes on its release
  EXPECT_EQ(app.document.layer(1), top);
  keyUp(app, 'Z');
  EXPECT_NE(app.document.layer(1), top);
}

}  // namespace
}  // namespace kanvo
