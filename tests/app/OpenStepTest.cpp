// Opening a file as the document: what a failure, a partial read and a success leave.
#include "app/OpenStep.h"

#include <gtest/gtest.h>

#include "app/Application.h"
#include "support/DocumentState.h"
#include "support/FakeImageLoader.h"
#include "support/RecordingMessageBox.h"
#include "support/TempDir.h"

namespace kanvo {
namespace {

size_t occurrences(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

class OpenStepTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app.imageLoader = &loader;
    ASSERT_TRUE(app.initialise());
    app.layOut(700, 600);
    loader.width = 3;
    loader.height = 2;
    loader.pixels.assign(6, rgba(10, 20, 30));
    // A step to undo, so that clearing the history shows.
    ASSERT_TRUE(app.history.recordLayerSwap(0, 1, "x"));
  }
  std::string bmp(const std::string& name) { return dir.file(name); }

  test::TempDir dir;
  test::FakeImageLoader loader;
  test::RecordingMessageBox messages;
  Application app;
};

TEST_F(OpenStepTest, AFailureChangesNothingAndNamesTheFileOnce) {
  app.strings.setLanguage(kUiLanguageEnglish);
  const uint64_t before = test::stateHash(app.document);
  for (const std::string& path : {bmp("missing.psd"), bmp("picture.xyz"), bmp("broken.bmp")}) {
    SCOPED_TRACE(path);
    loader.result = Status::failed("cannot read '" + path + "': damaged");
    messages.shown.clear();
    EXPECT_TRUE(openFile(app, path, messages).isFailed());
    EXPECT_EQ(test::stateHash(app.document), before);
    EXPECT_EQ(app.fileName, "Untitled");
    EXPECT_TRUE(app.history.canUndo());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(occurrences(messages.shown[0].caption + messages.shown[0].text, path), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Open failed");
  }
}

TEST_F(OpenStepTest, APartialReadOpensAsUntitledWithAWarning) {
  loader.result = Status::partial("the last rows are missing");
  EXPECT_TRUE(openFile(app, bmp("cut.bmp"), messages).isPartial());
  EXPECT_EQ(app.document.width(), 3);
  EXPECT_EQ(app.document.layerCount(), 2);
  EXPECT_EQ(app.fileName, "Untitled");
  EXPECT_FALSE(app.history.canUndo());
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(occurrences(messages.shown[0].text, "the last rows are missing"), 1u);
  EXPECT_EQ(occurrences(messages.shown[0].text, bmp("cut.bmp")), 1u);
}

TEST_F(OpenStepTest, ASuccessTakesTheNameAndEmptiesTheHistory) {
  EXPECT_TRUE(openFile(app, bmp("whole.bmp"), messages).isOk());
  EXPECT_EQ(app.fileName, bmp("whole.bmp"));
  EXPECT_EQ(app.title(), "100% - whole.bmp");
  EXPECT_EQ(app.document.layer(0)->pixels32.getPixel(2, 1), rgba(10, 20, 30));
  EXPECT_FALSE(app.history.canUndo());
  EXPECT_TRUE(messages.shown.empty());
}

}  // namespace
}  // namespace kanvo
