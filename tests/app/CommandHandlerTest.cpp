// The menu commands through the handler with a scripted platform: prompts, saves and their
// failures, the canvas commands, the menu state and the title; and what opening a file leaves.
#include "app/commands/CommandHandler.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/Application.h"
#include "app/OpenStep.h"
#include "app/commands/CommandIds.h"
#include "support/Corpus.h"
#include "support/DocumentState.h"
#include "support/FakeImageLoader.h"
#include "support/FullDisk.h"
#include "support/ScriptedPlatform.h"
#include "support/TempDir.h"

namespace kanvo {
namespace {

namespace fs = std::filesystem;

class CommandHandlerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app.imageLoader = &loader;
    ASSERT_TRUE(app.initialise());
    app.strings.setLanguage(kUiLanguageEnglish);
    app.layOut(700, 600);
    platform.pictures = dir.file("Pictures");
    fs::create_directory(platform.pictures);
  }
  // A stroke's worth of change: one undo step, the layer changed.
  void paint(Color32 colour = rgba(200, 30, 40)) {
    Layer& layer = *app.document.currentLayer();
    const Rect rect(5, 7, 20, 9);
    ASSERT_TRUE(app.history.recordPixels32(layer.pixels32, rect, app.document.currentLayerIndex(), "Brush"));
    for (int32_t y = rect.y; y < rect.bottom(); ++y)
      for (int32_t x = rect.x; x < rect.right(); ++x) layer.pixels32.setPixel(x, y, colour);
    app.document.layerChanged(layer, rect.x, rect.y, rect.width, rect.height);
  }
  const std::string& lastCaption() { return platform.messages.shown.back().caption; }
  std::pair<int32_t, int32_t> canvasSize() const { return {app.document.width(), app.document.height()}; }

  test::TempDir dir;
  test::ScriptedPlatform platform;
  test::FakeImageLoader loader;
  Application app;
  CommandHandler handler{app, platform.services()};
};

TEST_F(CommandHandlerTest, PromptsAnswerYesNoCancelAndAFailingYes) {
  struct Case {
    int32_t command;
    MessageBox::Answer answer;
    const char* savePath;  // what Save As is given after Yes ("" cancels it)
    bool goesOn;
  };
  const Case cases[] = {
      {kCmdQuit, MessageBox::Answer::kYes, "a.psd", true},   {kCmdQuit, MessageBox::Answer::kNo, "", true},
      {kCmdQuit, MessageBox::Answer::kCancel, "", false},    {kCmdQuit, MessageBox::Answer::kYes, "", false},
      {kCmdQuit, MessageBox::Answer::kYes, "no/such/a.psd", false},
      {kCmdNew, MessageBox::Answer::kYes, "b.psd", true},    {kCmdNew, MessageBox::Answer::kNo, "", true},
      {kCmdNew, MessageBox::Answer::kCancel, "", false},     {kCmdNew, MessageBox::Answer::kYes, "c.tga", false},
      {kCmdOpen, MessageBox::Answer::kNo, "", true},         {kCmdOpen, MessageBox::Answer::kCancel, "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.command) + " " + c.savePath + " " + std::to_string(int(c.answer)));
    paint();
    app.fileName = Application::kUntitled;
    platform.messages.answer = c.answer;
    platform.messages.shown.clear();
    platform.paths = {std::string(*c.savePath ? dir.file(c.savePath) : "")};
    platform.dialogs = 0;
    const uint64_t before = test::stateHash(app.document);
    const uint32_t effect = handler.run(c.command);
    ASSERT_FALSE(platform.messages.shown.empty());
    EXPECT_EQ(platform.messages.shown[0].caption, "Document changed");
    if (c.command == kCmdQuit) {
      EXPECT_EQ(bool(effect & CommandHandler::kCloseWindow), c.goesOn);
    }
    if (c.command == kCmdNew) {
      EXPECT_EQ(platform.dialogs, c.goesOn ? 1 : 0);
    }
    if (!c.goesOn) {
      EXPECT_EQ(test::stateHash(app.document), before);
      EXPECT_TRUE(handler.documentChanged());  // Quit still asks
    }
    app.document.modified = 1;
  }
}

TEST_F(CommandHandlerTest, OnlyAWrittenFileClearsTheHistoryAndNamesTheDocument) {
  paint();
  // Names the program does not save, a missing folder and a folder in the way of the file.
  fs::create_directory(dir.file("taken.psd"));
  for (const std::string name : {"x.tga", "x.pam", "x.ppm", "noext", "missing/x.psd",
                                 "taken.psd"}) {
    SCOPED_TRACE(name);
    platform.paths = {dir.file(name)};
    handler.run(kCmdSaveAs);
    ASSERT_EQ(platform.messages.shown.size(), 1u);
    EXPECT_NE(platform.messages.shown[0].text.find(name), std::string::npos);
    EXPECT_EQ(lastCaption(), name.find('/') != std::string::npos || name == "taken.psd" ? "Save failed"
                                                                                          : "Unsupported ext");
    platform.messages.shown.clear();
    EXPECT_EQ(app.fileName, "Untitled");
    EXPECT_TRUE(app.history.canUndo());
    EXPECT_TRUE(handler.documentChanged());
  }
  EXPECT_EQ(fs::remove_all(dir.file("missing")), 0u);
  platform.paths = {dir.file("saved.psd")};
  handler.run(kCmdSaveAs);
  EXPECT_TRUE(platform.messages.shown.empty());
  EXPECT_EQ(app.fileName, dir.file("saved.psd"));
  EXPECT_EQ(app.title(), "100% - saved.psd");
  EXPECT_FALSE(handler.documentChanged());
  const MenuState state = handler.menuState();
  EXPECT_FALSE(state.of(kCmdSave).enabled);
  EXPECT_FALSE(state.of(kCmdUndo).enabled);
  EXPECT_TRUE(state.of(kCmdCopyFilename).enabled);
  handler.run(kCmdCopyFilename);
  EXPECT_EQ(platform.clipboard, dir.file("saved.psd"));
  EXPECT_TRUE(handler.confirmClose());
  EXPECT_TRUE(platform.messages.shown.empty());
}

TEST_F(CommandHandlerTest, AFullDiskFailsTheSaveAndKeepsTheOldFile) {
  const std::string path = dir.file("full.psd");
  platform.paths = {path};
  paint();
  handler.run(kCmdSaveAs);
  const std::vector<uint8_t> before = test::readWholeFile(path);
  EXPECT_TRUE(test::onAFullDisk(64 * 1024, [&] {
    Layer& layer = *app.document.currentLayer();
    uint32_t noise = 1;
    for (int32_t y = 0; y < 256; ++y)
      for (int32_t x = 0; x < 256; ++x) layer.pixels32.setPixel(x, y, (noise = noise * 1664525u + 1013904223u) | 0xFF000000u);
    app.document.layerChanged(layer, 0, 0, 256, 256);
    platform.messages.answer = MessageBox::Answer::kCancel;
    handler.run(kCmdSave);
    return lastCaption() == "Save failed" && handler.documentChanged() && !handler.confirmClose();
  }));
  EXPECT_EQ(test::readWholeFile(path), before);
  EXPECT_EQ(dir.entries().size(), 2u);  // the pictures folder and the file: no temporary left
}

TEST_F(CommandHandlerTest, SaveWritesLayeredNamesInPlaceAndAsksForAPhotosName) {
  for (const std::string name : {"keep.psd", "keep.bmp", "photo.jpg", "photo.JPEG"}) {
    SCOPED_TRACE(name);
    app.fileName = dir.file(name);
    paint();
    platform.fileDialogs = 0;
    platform.paths = {dir.file("other.psd")};
    handler.run(kCmdSave);
    const bool inPlace = name.starts_with("keep");
    EXPECT_EQ(platform.fileDialogs, inPlace ? 0 : 1);
    EXPECT_EQ(fs::exists(dir.file(name)), inPlace);
    EXPECT_EQ(app.fileName, dir.file(inPlace ? name : "other.psd"));
  }
}

TEST_F(CommandHandlerTest, QuickSaveNamesTheFileByTheLocalTime) {
  paint();
  platform.pictures = dir.file("Pictures");
  handler.run(kCmdQuickSave);
  EXPECT_TRUE(fs::exists(dir.file("Pictures/2025-03-07_09-05-03.psd")));
  EXPECT_FALSE(handler.menuState().of(kCmdQuickSave).enabled);
  platform.pictures.clear();
  paint();
  handler.run(kCmdQuickSave);
  EXPECT_EQ(lastCaption(), "Save failed");
}

TEST_F(CommandHandlerTest, CanvasCommandsAreStepsThatMarkTheDocumentChanged) {
  // Layer Exchange: the current layer stays the same layer.
  Layer* current = app.document.currentLayer();
  handler.run(kCmdLayerExchange);
  EXPECT_EQ(app.document.currentLayer(), current);
  EXPECT_EQ(app.document.currentLayerIndex(), 0);
  EXPECT_TRUE(handler.documentChanged());
  // Resolution with the typed size, undone.
  app.document.modified = 0;
  platform.typedWidth = "100";
  platform.typedHeight = "-5";  // out of range: the stored height stays
  handler.run(kCmdResolution);
  EXPECT_EQ(canvasSize(), std::pair(100, 480));
  EXPECT_TRUE(handler.documentChanged());
  handler.run(kCmdUndo);
  EXPECT_EQ(app.document.width(), 512);
  // Trimming without a selection says so and changes nothing.
  handler.run(kCmdTrimming);
  EXPECT_EQ(lastCaption(), "Trimming error");
  EXPECT_FALSE(handler.menuState().of(kCmdTrimming).enabled);
  // With selected pixels from (30, 40) to (69, 59) it crops to them.
  Selection& selection = *app.document.currentSelection();
  for (int32_t y = 40; y < 60; ++y)
    for (int32_t x = 30; x < 70; x += (y == 50 ? 1 : 39)) selection.mask.setPixel(x, y, 200);
  selection.rebuildOutline();
  EXPECT_TRUE(handler.menuState().of(kCmdTrimming).enabled);
  app.document.modified = 0;
  handler.run(kCmdTrimming);
  EXPECT_EQ(canvasSize(), std::pair(40, 20));
  EXPECT_TRUE(handler.documentChanged());
  handler.run(kCmdUndo);
  EXPECT_EQ(app.document.width(), 512);
  // New: a width out of range takes the default; the new document counts as unchanged.
  app.document.modified = 0;
  platform.typedWidth = "32761";
  platform.typedHeight = "20";
  handler.run(kCmdNew);
  EXPECT_EQ(canvasSize(), std::pair(640, 20));
  EXPECT_EQ(app.document.layerCount(), 2);
  EXPECT_FALSE(handler.documentChanged());
  // Clear empties the current layer as one step.
  paint();
  handler.run(kCmdClear);
  EXPECT_EQ(app.document.currentLayer()->pixels32.presentTileCount(), 0);
  handler.run(kCmdUndo);
  EXPECT_NE(app.document.currentLayer()->pixels32.getPixel(6, 8), 0u);
}

TEST_F(CommandHandlerTest, CameraCaptureOpensAsUntitledAndFailuresChangeNothing) {
  EXPECT_FALSE(handler.menuState().of(kCmdCamera).enabled);
  platform.cameraPresent = true;
  const uint64_t before = test::stateHash(app.document);
  for (auto outcome : {Camera::Outcome::kCancelled, Camera::Outcome::kFailed}) {
    platform.cameraOutcome = outcome;
    handler.run(kCmdCamera);
    EXPECT_EQ(test::stateHash(app.document), before);
  }
  EXPECT_EQ(platform.messages.shown.size(), 1u);
  platform.cameraOutcome = Camera::Outcome::kOk;
  platform.capturedPath = test::corpus("jpg_420_q85_100x70.jpg");
  handler.run(kCmdCamera);
  EXPECT_EQ(app.document.width(), 100);
  EXPECT_EQ(app.fileName, "Untitled");
}

// Opening a file as the document: what a failure, a partial read and a success leave.
using OpenStepTest = CommandHandlerTest;

size_t occurrences(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

TEST_F(OpenStepTest, AFailureChangesNothingAndNamesTheFileOnce) {
  paint();
  const uint64_t before = test::stateHash(app.document);
  for (const std::string& path : {dir.file("missing.psd"), dir.file("picture.xyz"), dir.file("broken.bmp")}) {
    SCOPED_TRACE(path);
    loader.result = Status::failed("cannot read '" + path + "': damaged");
    platform.messages.shown.clear();
    EXPECT_TRUE(openFile(app, path, platform.messages).isFailed());
    EXPECT_EQ(test::stateHash(app.document), before);
    EXPECT_EQ(app.fileName, "Untitled");
    EXPECT_TRUE(app.history.canUndo());
    ASSERT_EQ(platform.messages.shown.size(), 1u);
    EXPECT_EQ(occurrences(lastCaption() + platform.messages.shown[0].text, path), 1u);
    EXPECT_EQ(lastCaption(), "Open failed");
  }
}

TEST_F(OpenStepTest, APartialReadOpensAsUntitledWithAWarningAndASuccessTakesTheName) {
  loader.width = 3;
  loader.height = 2;
  loader.pixels.assign(6, rgba(10, 20, 30));
  paint();
  loader.result = Status::partial("the last rows are missing");
  EXPECT_TRUE(openFile(app, dir.file("cut.bmp"), platform.messages).isPartial());
  EXPECT_EQ(std::pair(app.document.width(), app.document.layerCount()), std::pair(3, 2));
  EXPECT_EQ(app.fileName, "Untitled");
  EXPECT_FALSE(app.history.canUndo());
  ASSERT_EQ(platform.messages.shown.size(), 1u);
  EXPECT_EQ(occurrences(platform.messages.shown[0].text, "the last rows are missing"), 1u);
  EXPECT_EQ(occurrences(platform.messages.shown[0].text, dir.file("cut.bmp")), 1u);

  paint();
  loader.result = Status::ok();
  EXPECT_TRUE(openFile(app, dir.file("whole.bmp"), platform.messages).isOk());
  EXPECT_EQ(app.fileName, dir.file("whole.bmp"));
  EXPECT_EQ(app.title(), "100% - whole.bmp");
  EXPECT_EQ(app.document.layer(0)->pixels32.getPixel(2, 1), rgba(10, 20, 30));
  EXPECT_FALSE(app.history.canUndo());
  EXPECT_EQ(platform.messages.shown.size(), 1u);  // no new message
}

}  // namespace
}  // namespace kanvo
