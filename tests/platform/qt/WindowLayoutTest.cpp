// The window's layout as Qt shows it at device pixel ratio 2.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>

#include "support/BuildTree.h"
#include "support/CliProcess.h"
#include "support/WindowHarness.h"

namespace kanvo {
namespace {

// Runs in a process of its own with QT_SCALE_FACTOR=2 (the test below starts it).
TEST(WindowLayoutTest, ScaleTwoChild) {
  if (std::getenv("KANVO_SCALE_TWO_CHILD") == nullptr) GTEST_SKIP() << "runs inside AtScaleTwo";
  test::WindowHarness h(600, 400);
  ASSERT_TRUE(h.started);
  ASSERT_EQ(h.canvas().devicePixelRatioF(), 2.0);
  EXPECT_EQ(h.app.deviceScale(), 2.0);
  // Panels keep their logical sizes; the view renders in device pixels.
  EXPECT_EQ(h.app.barImage().width(), 600);
  EXPECT_EQ(h.app.view.windowWidth(), 2 * h.app.layout().viewWidth);
  // A click on the palette button (logical) opens the palette; the narrower view is still
  // rendered in device pixels.
  h.click(QPointF(15, 385));
  EXPECT_TRUE(h.app.paletteShown());
  EXPECT_EQ(h.app.view.windowWidth(), 2 * h.app.layout().viewWidth);
}

TEST(WindowLayoutTest, AtScaleTwo) {
  setenv("QT_SCALE_FACTOR", "2", 1);
  setenv("KANVO_SCALE_TWO_CHILD", "1", 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  const test::CliRun run = test::runProgram({(test::buildTree() / "tests" / "kanvo_platform_tests").string(),
                                             "--gtest_filter=WindowLayoutTest.ScaleTwoChild"});
  unsetenv("QT_SCALE_FACTOR");
  unsetenv("KANVO_SCALE_TWO_CHILD");
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_NE(run.out.find("[  PASSED  ] 1 test."), std::string::npos) << run.out;
}

}  // namespace
}  // namespace kanvo
