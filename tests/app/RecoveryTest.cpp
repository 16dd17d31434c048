// Work kept aside against a crash: written after the delay and never during a stroke, removed
// by a clean end, offered once the instance that wrote it has ended, and moved aside on No.
#include "app/Recovery.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <random>
#include <thread>

#include "formats/native/NativeReader.h"
#include "formats/native/NativeWriter.h"
#include "support/DocumentState.h"
#include "support/RandomDocuments.h"
#include "support/TempDir.h"

namespace kanvo {
namespace {

namespace fs = std::filesystem;

class RecoveryTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NO_FATAL_FAILURE(test::makeRandomDocument(doc, rng, 300, 200, 5)); }
  // Ticks until a write that was started has ended.
  void settle(AutoSave& save, uint32_t revision, uint32_t now) {
    while (save.writing()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      save.tick(doc, revision, false, now);
    }
  }
  StringTable strings;
  std::mt19937 rng{5};
  Document doc{strings};
  test::TempDir dir;
  const std::string folder = dir.file("recovery");
};

TEST_F(RecoveryTest, WrittenAfterTheDelayOutsideStrokesAndRemovedByACleanEnd) {
  RecoveryFolder recovery(folder);
  ASSERT_TRUE(recovery.claim(4242));
  AutoSave save(recovery, 1000);
  const struct {
    uint32_t revision, now;
    bool stroke, modified, writes;  // the tick, and whether a write follows it
  } ticks[] = {
      {1, 0, false, true, false},      // the change starts the delay
      {1, 999, false, true, false},    // not yet
      {1, 1500, true, true, false},    // a stroke is in progress
      {2, 1600, false, true, false},   // a new change starts the delay again
      {2, 2600, false, true, true},    // written
      {2, 9000, false, true, false},   // nothing new
      {3, 9100, false, true, false},   //
      {3, 10100, false, true, true},   // the new change written
  };
  int32_t writes = 0;
  for (const auto& t : ticks) {
    SCOPED_TRACE(t.now);
    doc.modified = t.modified;
    save.tick(doc, t.revision, t.stroke, t.now);
    settle(save, t.revision, t.now);
    writes += t.writes;
    ASSERT_EQ(save.writesDone(), writes);
    ASSERT_TRUE(save.lastWrite().isOk()) << save.lastWrite().reason();
    EXPECT_EQ(fs::exists(recovery.ownPath()), writes > 0);
  }
  Document back(strings);
  ASSERT_TRUE(readNativeDocument(back, recovery.ownPath()).isOk());
  EXPECT_TRUE(test::documentState(back) == test::documentState(doc));
  doc.modified = 0;  // saved: nothing to keep aside
  save.tick(doc, 3, false, 10200);
  EXPECT_FALSE(fs::exists(recovery.ownPath()));
  doc.modified = 1;
  save.tick(doc, 4, false, 20000);
  save.tick(doc, 4, false, 21000);
  settle(save, 4, 21000);
  EXPECT_TRUE(fs::exists(recovery.ownPath()));
  save.finish();  // the program ends cleanly
  EXPECT_FALSE(fs::exists(recovery.ownPath()));
}

// Another instance's work is not offered while it runs, and is once it has ended without
// finishing (a killed program, which leaves its lock file behind, is the program's own test);
// No moves it aside for a week.
TEST_F(RecoveryTest, AnEndedInstancesWorkIsOfferedAndMovedAsideOnNo) {
  RecoveryFolder running(folder);
  ASSERT_TRUE(running.claim(int(getpid())));
  auto other = std::make_unique<RecoveryFolder>(folder);
  ASSERT_TRUE(other->claim(4242));
  ASSERT_TRUE(writeNativeDocument(doc, other->ownPath()).isOk());
  EXPECT_TRUE(running.abandoned().empty());
  other.reset();
  const std::vector<RecoveryEntry> found = running.abandoned();
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].path, folder + "/4242.knvmob");
  const std::string question = restoreQuestion(found[0].writtenAt, Status::partial("cut"), kUiLanguageEnglish);
  EXPECT_EQ(question.rfind("Restore unsaved work from ", 0), 0u);
  EXPECT_NE(question.find("cut"), std::string::npos);

  ASSERT_TRUE(running.moveAside(found[0]));
  EXPECT_TRUE(running.abandoned().empty());
  const int64_t weekOn = int64_t(std::time(nullptr)) + 7 * 24 * 3600;
  running.pruneDiscarded(weekOn - 60);
  EXPECT_FALSE(fs::is_empty(folder + "/discarded"));
  running.pruneDiscarded(weekOn + 60);
  EXPECT_TRUE(fs::is_empty(folder + "/discarded"));
}

}  // namespace
}  // namespace kanvo
