// Real Qt event sequences through the window: keys held with the stylus, colour picks, focus
// loss, and two fingers steering the view.
#include <gtest/gtest.h>

#include <QTest>
#include <cmath>

#include "support/DocumentState.h"
#include "support/WindowHarness.h"

namespace kanvo {
namespace {

class WindowInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(h.started && h.exposed);
    h.canvas().setFocus();
    // Canvas pixel (x, y) at view pixel (x, y).
    h.app.view.setOrigin(0, 0);
    h.app.view.invalidate();
    h.app.view.redraw();
  }
  void key(Qt::Key k, bool down, Qt::KeyboardModifiers modifiers = {}) {
    if (down)
      QTest::keyPress(&h.canvas(), k, modifiers);
    else
      QTest::keyRelease(&h.canvas(), k, modifiers);
  }
  test::WindowHarness h{800, 600};
};

TEST_F(WindowInputTest, SpaceDragScrollsAndPaintsNothing) {
  const uint64_t before = test::stateHash(h.app.document);
  const CurvePoint held = h.app.view.windowToCanvas(100, 100);
  key(Qt::Key_Space, true);
  h.drag({{100, 100}, {130, 110}, {160, 140}});
  key(Qt::Key_Space, false);
  const CurvePoint now = h.app.view.windowToCanvas(160, 140);
  EXPECT_NEAR(now.x, held.x, 1e-9);
  EXPECT_NEAR(now.y, held.y, 1e-9);
  EXPECT_EQ(test::stateHash(h.app.document), before);
  EXPECT_EQ(h.app.history.count(), 0);
}

TEST_F(WindowInputTest, AltClickPicksTheExactColourWithThePaletteShown) {
  h.app.document.layer(1)->pixels32.setPixel(40, 30, rgba(3, 141, 59));
  h.click({15, 585});  // the palette button
  ASSERT_TRUE(h.app.paletteShown());
  key(Qt::Key_Alt, true, Qt::AltModifier);
  h.click({177 + 40, 30});  // mouse positions are whole pixels
  key(Qt::Key_Alt, false);
  EXPECT_EQ(h.app.settings.foreground(), rgba(3, 141, 59));
  EXPECT_EQ(h.app.history.count(), 0);
}

TEST_F(WindowInputTest, LosingFocusReleasesHeldKeys) {
  key(Qt::Key_Alt, true, Qt::AltModifier);
  ASSERT_EQ(h.app.keys[18], 1);
  QWidget other;
  other.show();
  other.activateWindow();
  other.setFocus();
  QTRY_VERIFY(!h.window.isActiveWindow() || !h.canvas().hasFocus());
  EXPECT_EQ(h.app.keys[18], 0);
  EXPECT_TRUE(h.app.tools.keys().noneDown());
}

TEST_F(WindowInputTest, TwoFingersZoomAndTurnAboutTheirMidpointAndNeverPaint) {
  const uint64_t before = test::stateHash(h.app.document);
  QPointingDevice* screen = h.touchScreen();
  const QPointF a(200, 250), b(300, 250), mid = (a + b) / 2;
  const CurvePoint held = h.app.view.windowToCanvas(mid.x(), mid.y());
  // The first finger moves a little before the second lands.
  QTest::touchEvent(&h.canvas(), screen).press(0, a.toPoint());
  QTest::touchEvent(&h.canvas(), screen).move(0, (a + QPointF(6, 3)).toPoint());
  QTest::touchEvent(&h.canvas(), screen).move(0, a.toPoint()).press(1, b.toPoint());
  // Spread to twice the distance: zoom 2.
  QTest::touchEvent(&h.canvas(), screen).move(0, (mid - QPointF(100, 0)).toPoint()).move(1, (mid + QPointF(100, 0)).toPoint());
  EXPECT_EQ(h.app.view.zoom(), 2.0);
  CurvePoint now = h.app.view.windowToCanvas(mid.x(), mid.y());
  EXPECT_NEAR(now.x, held.x, 1.0);
  EXPECT_NEAR(now.y, held.y, 1.0);
  // Turn the fingers by 90 degrees on screen (clockwise: y grows downwards).
  QTest::touchEvent(&h.canvas(), screen).move(0, (mid - QPointF(0, 100)).toPoint()).move(1, (mid + QPointF(0, 100)).toPoint());
  now = h.app.view.windowToCanvas(mid.x(), mid.y());
  EXPECT_NEAR(now.x, held.x, 1.0);
  EXPECT_NEAR(now.y, held.y, 1.0);
  // The finger's canvas point went round with it: it stays under the finger.
  const CurvePoint finger = h.app.view.windowToCanvas(mid.x(), mid.y() - 100);
  const CurvePoint startFinger = {held.x - 50, held.y};  // 100 window pixels at zoom 2
  EXPECT_NEAR(finger.x, startFinger.x, 1.0);
  EXPECT_NEAR(finger.y, startFinger.y, 1.0);
  QTest::touchEvent(&h.canvas(), screen).release(0, (mid - QPointF(0, 100)).toPoint()).release(1, (mid + QPointF(0, 100)).toPoint());
  EXPECT_EQ(test::stateHash(h.app.document), before);
  EXPECT_EQ(h.app.history.count(), 0);
}

}  // namespace
}  // namespace kanvo
