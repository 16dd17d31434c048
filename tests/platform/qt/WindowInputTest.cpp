// Real Qt event sequences through the window: mouse and finger strokes against the same points
// given to the tool dispatcher, the pen's pressure and eraser end, a stroke cut short by the
// window losing activation, Z held as the eraser against Z tapped for Undo, and two fingers
// reaching the gesture. What the routing does with the events is the app's tests' concern.
#include <gtest/gtest.h>

#include <QTest>
#include <memory>
#include <vector>

#include "support/DocumentState.h"
#include "support/WindowHarness.h"

namespace kanvo {
namespace {

const std::vector<QPointF> kPath = {{120, 140}, {150, 150}, {200, 170}, {260, 175}, {320, 160}, {340, 150}};

// A window with canvas pixel (x, y) at view pixel (x, y).
std::unique_ptr<test::WindowHarness> window() {
  auto h = std::make_unique<test::WindowHarness>(800, 600);
  h->canvasAtOrigin();
  return h;
}

TEST(WindowPaintTest, MouseAndFingerPaintAsTheDispatcherDoes) {
  // The same points straight to the dispatcher of an application without a window.
  Application direct;
  ASSERT_TRUE(direct.initialise());
  direct.layOut(800, 600);
  direct.view.setOrigin(0, 0);
  const uint64_t before = test::stateHash(direct.document);
  for (size_t i = 0; i < kPath.size(); ++i) {
    const StylusEvent e{kPath[i].x(), kPath[i].y()};
    i == 0 ? void(direct.tools.Press(e)) : direct.tools.Move(e);
  }
  direct.tools.Release(StylusEvent{kPath.back().x(), kPath.back().y()});
  const uint64_t painted = test::stateHash(direct.document);
  ASSERT_NE(painted, before);

  auto mouse = window();
  ASSERT_TRUE(mouse->started && mouse->exposed);
  mouse->drag(kPath);
  EXPECT_EQ(test::stateHash(mouse->app.document), painted);

  auto finger = window();
  QPointingDevice* screen = finger->touchScreen();
  QTest::touchEvent(&finger->canvas(), screen).press(0, kPath.front().toPoint());
  for (size_t i = 1; i < kPath.size(); ++i) QTest::touchEvent(&finger->canvas(), screen).move(0, kPath[i].toPoint());
  QTest::touchEvent(&finger->canvas(), screen).release(0, kPath.back().toPoint());
  EXPECT_EQ(test::stateHash(finger->app.document), painted);
  EXPECT_EQ(finger->app.history.count(), 1);
}

TEST(WindowPaintTest, PenPressureSetsTheWidthAndTheEraserEndErases) {
  auto h = window();
  auto heightAt = [&](int32_t x) {
    int n = 0;
    for (int32_t y = 0; y < 512; ++y) n += (h->app.document.currentLayer()->pixels32.getPixel(x, y) >> 24) != 0;
    return n;
  };
  h->penStroke({{100, 100}, {200, 100}, {300, 100}}, 1.0);
  const int full = heightAt(200);
  h->app.history.clear();
  h->app.document.currentLayer()->pixels32.clear();
  h->penStroke({{100, 300}, {200, 300}, {300, 300}}, 0.25);
  const int quarter = heightAt(200);
  EXPECT_GT(quarter, 0);
  EXPECT_LT(quarter, full);

  h->penStroke({{200, 250}, {200, 350}}, 1.0, /*eraser=*/true);
  EXPECT_EQ(heightAt(200), 0);
  EXPECT_EQ(h->app.history.count(), 2);
}

// Whatever was down when the window stops being active is let go: the stroke ends once, and
// the keys held count as released.
TEST(WindowPaintTest, LosingActivationEndsTheStrokeOnceAndReleasesHeldKeys) {
  auto h = window();
  QApplication::setActiveWindow(&h->window);
  QWindow* w = h->window.windowHandle();
  QTest::mousePress(w, Qt::LeftButton, {}, h->inWindow(kPath[0]));
  QTest::mouseMove(w, h->inWindow(kPath[1]));
  QTest::mouseMove(w, h->inWindow(kPath[2]));
  QTest::keyPress(&h->canvas(), Qt::Key_Alt, Qt::AltModifier);
  ASSERT_EQ(h->app.keys[18], 1);
  QWidget other;
  other.show();
  QApplication::setActiveWindow(&other);
  QCoreApplication::processEvents();
  EXPECT_FALSE(h->window.isActiveWindow());
  EXPECT_EQ(h->app.history.count(), 1);
  EXPECT_FALSE(h->app.document.currentLayer()->pixels32.usedBounds().isEmpty());
  EXPECT_EQ(h->app.keys[18], 0);
  EXPECT_TRUE(h->app.tools.keys().noneDown());
  // The release that follows belongs to no stroke.
  QTest::mouseMove(w, h->inWindow(kPath[3]));
  QTest::mouseRelease(w, Qt::LeftButton, {}, h->inWindow(kPath[3]));
  EXPECT_EQ(h->app.history.count(), 1);
}

// X11 repeats a held key as release-press pairs sharing a timestamp, not always marked as repeats.
TEST(WindowPaintTest, HeldZErasesThroughItsRepeatsAndATapUndoes) {
  auto h = window();
  auto key = [&](QEvent::Type type, ulong time) {
    QKeyEvent e(type, Qt::Key_Z, Qt::NoModifier);
    e.setTimestamp(time);
    QApplication::sendEvent(&h->canvas(), &e);
  };
  auto repeat = [&](ulong time) {
    key(QEvent::KeyRelease, time);
    key(QEvent::KeyPress, time);
  };
  h->drag(kPath);
  const uint64_t painted = test::stateHash(h->app.document);
  key(QEvent::KeyPress, 1000);
  repeat(1500);
  h->drag({{200, 100}, {200, 200}, {200, 250}});
  repeat(1540);
  QTest::qWait(3 * CanvasWidget::kReleaseWaitMs);
  repeat(1580);
  key(QEvent::KeyRelease, 2000);
  QTest::qWait(3 * CanvasWidget::kReleaseWaitMs);
  EXPECT_EQ(h->app.history.count(), 2);
  EXPECT_FALSE(h->app.history.canRedo());
  EXPECT_EQ(h->app.document.currentLayer()->pixels32.getPixel(200, 167) >> 24, 0u);

  key(QEvent::KeyPress, 3000);
  key(QEvent::KeyRelease, 3050);
  QTest::qWait(3 * CanvasWidget::kReleaseWaitMs);
  EXPECT_EQ(test::stateHash(h->app.document), painted);
  EXPECT_TRUE(h->app.history.canRedo());
}

// Touches reach the gesture with their own coordinates: the stroke a first finger began is
// taken back when a second lands, and spreading them zooms about the point between them.
TEST(WindowPaintTest, ASecondFingerTakesTheStrokeBackAndTwoFingersZoom) {
  auto h = window();
  const uint64_t before = test::stateHash(h->app.document);
  const CurvePoint held = h->app.view.windowToCanvas(250, 300);
  QPointingDevice* screen = h->touchScreen();
  QTest::touchEvent(&h->canvas(), screen).press(0, {200, 300});
  QTest::touchEvent(&h->canvas(), screen).move(0, {206, 303});
  QTest::touchEvent(&h->canvas(), screen).move(0, {200, 300}).press(1, {300, 300});
  QTest::touchEvent(&h->canvas(), screen).move(0, {150, 300}).move(1, {350, 300});
  EXPECT_EQ(h->app.view.zoom(), 2.0);
  const CurvePoint now = h->app.view.windowToCanvas(250, 300);
  EXPECT_NEAR(now.x, held.x, 1.0);
  EXPECT_NEAR(now.y, held.y, 1.0);
  QTest::touchEvent(&h->canvas(), screen).release(0, {150, 300}).release(1, {350, 300});
  EXPECT_EQ(test::stateHash(h->app.document), before);
  EXPECT_EQ(h->app.history.count(), 0);
  EXPECT_FALSE(h->app.tools.buttonDown());
}

}  // namespace
}  // namespace kanvo
