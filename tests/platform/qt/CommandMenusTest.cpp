// The menus and dialogs on Qt, offscreen: actions run their commands, the state reaches the
// actions, closing asks, and the dialogs follow typing, the slider and the radio buttons (their
// arithmetic is the dialog logic's tests' concern).
#include "platform/qt/CommandMenus.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>

#include "app/commands/CommandIds.h"
#include "support/WindowHarness.h"
#ifdef KANVO_HAS_CAMERA
#include "platform/qt/QtCamera.h"
#endif

namespace kanvo {
namespace {

// Answers the next modal box with the button of that role.
void answerNextBox(QMessageBox::StandardButton button) {
  QTimer::singleShot(0, [button] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) box->button(button)->click();
  });
}

TEST(CommandMenusTest, ActionsRunCommandsAndShowTheState) {
  test::WindowHarness h;
  CommandMenus menus(h.window, h.app);
  EXPECT_FALSE(menus.action(kCmdResetView)->isEnabled());
  menus.action(kCmdZoomIn)->trigger();
  EXPECT_GT(h.app.view.zoom(), 1.0);
  EXPECT_EQ(h.window.windowTitle().toStdString(), h.app.title());
  menus.action(kCmdMirror)->trigger();
  EXPECT_TRUE(menus.action(kCmdMirror)->isChecked());
  EXPECT_TRUE(menus.action(kCmdResetView)->isEnabled());
  menus.action(kCmdRotateRight)->trigger();
  menus.action(kCmdResetView)->trigger();
  EXPECT_TRUE(h.app.view.transform().isPlain());
  menus.action(kCmdBezier)->trigger();
  EXPECT_TRUE(menus.action(kCmdBezier)->isChecked());
  EXPECT_FALSE(menus.action(kCmdRedraw)->isEnabled());
  EXPECT_EQ(menus.action(kCmdSaveAs)->shortcut(), QKeySequence("Ctrl+Shift+S"));
}

TEST(CommandMenusTest, ClosingAChangedDocumentAsksAndCancelKeepsTheWindow) {
  test::WindowHarness h;
  CommandMenus menus(h.window, h.app);
  h.app.document.modified = 1;
  answerNextBox(QMessageBox::Cancel);
  EXPECT_FALSE(h.window.close());
  EXPECT_TRUE(h.window.isVisible());
  answerNextBox(QMessageBox::No);
  menus.action(kCmdQuit)->trigger();
  EXPECT_FALSE(h.window.isVisible());
}

TEST(CommandMenusTest, ResolutionKeepsTheAspectWhileTyping) {
  test::qtApplication();
  ResolutionDialogValues values;
  values.documentWidth = 400;
  values.documentHeight = 300;
  ResolutionDialog dialog(values);
  dialog.widthEdit()->clear();
  QTest::keyClicks(dialog.widthEdit(), "200");
  EXPECT_EQ(dialog.heightEdit()->text(), "150");
  dialog.findChild<QCheckBox*>()->setChecked(false);
  dialog.widthEdit()->clear();
  QTest::keyClicks(dialog.widthEdit(), "64");
  EXPECT_EQ(dialog.heightEdit()->text(), "150");
  dialog.acceptInto(values);
  EXPECT_EQ(values.width, 64);
  EXPECT_EQ(values.height, 150);
}

TEST(CommandMenusTest, ChooseBrushSliderAndKinds) {
  test::WindowHarness h;
  h.app.brushOfKind(Application::kPencil).size = 7.5;
  ChooseBrushDialog dialog(h.app, 1.0);
  dialog.slider()->setValue(21);
  EXPECT_EQ(dialog.valueLabel()->text(), "10.5");
  dialog.kindButton(Application::kPencil)->click();
  EXPECT_EQ(h.app.brushKind(), Application::kPencil);
  EXPECT_EQ(dialog.slider()->value(), 14);
  dialog.apply();
  EXPECT_EQ(h.app.settings.attached().size, 7.0);
}

#ifdef KANVO_HAS_CAMERA
// No camera on the machine: the item is grayed with a reason, and a capture asked for anyway
// fails without a dialog.
TEST(CommandMenusTest, WithoutACameraTheItemIsGrayed) {
#if defined(__SANITIZE_ADDRESS__)
  // Qt Multimedia's PulseAudio backend keeps its context until the process ends, which the
  // leak checker reports.
  GTEST_SKIP() << "Qt Multimedia's process-long audio context";
#endif
  test::WindowHarness h;
  QtCamera camera(&h.window);
  if (camera.available()) GTEST_SKIP() << "this machine has a camera";
  CommandMenus menus(h.window, h.app, &camera);
  EXPECT_FALSE(menus.action(kCmdCamera)->isEnabled());
  EXPECT_FALSE(menus.action(kCmdCamera)->statusTip().isEmpty());
  std::string path, failure;
  EXPECT_EQ(camera.capture(path, failure), Camera::Outcome::kFailed);
  EXPECT_FALSE(failure.empty());
}
#endif

}  // namespace
}  // namespace kanvo
