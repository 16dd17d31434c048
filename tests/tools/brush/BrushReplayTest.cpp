// Strokes of every kind replayed through dispatch onto a corpus picture and exported as PPM the
// way the command line exports: each stroke is one undo step that changes the picture along its
// path only, the view shows it, and undoing them all gives the picture back.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "formats/DocumentSaver.h"
#include "support/BrushReplay.h"
#include "support/DocumentState.h"
#include "support/TempDir.h"

namespace kanvo {
namespace {

TEST(BrushReplay, EveryKindOnACorpusPicture) {
  test::TempDir dir;
  test::BrushReplay replay;
  std::vector<std::pair<std::string, std::vector<uint8_t>>> shots;
  std::string opened;
  const bool ran = replay.run(KANVO_CORPUS_DIR "/jpg_640x480_420_q85.jpg", [&](const std::string& name) {
    const std::string path = dir.file(name + ".ppm");
    ASSERT_TRUE(saveDocument(replay.doc, path).isOk()) << name;
    shots.emplace_back(name, test::readWholeFile(path));
    if (shots.size() == 1) opened = test::documentState(replay.doc);
    if (shots.size() == 1 || shots.size() == 11) return;
    EXPECT_EQ(replay.history.count(), int32_t(shots.size() - 1)) << name;
    EXPECT_EQ(*replay.history.undoLabel(), "Brush (" + replay.doc.layer(0)->name + ")") << name;
  });
  ASSERT_TRUE(ran);
  ASSERT_EQ(shots.size(), 11u);
  // Stroke k runs along row 30 + 48 k, 12 pixels up and down, at most 20 pixels wide on each
  // side: it is one undo step, and it changes its band and nothing else.
  const size_t row = 640u * 3u, header = shots[0].second.size() - 480u * row;
  for (size_t k = 1; k + 1 < shots.size(); ++k) {
    const std::vector<uint8_t>& now = shots[k].second;
    const std::vector<uint8_t>& was = shots[k - 1].second;
    ASSERT_EQ(now.size(), was.size());
    const size_t y = 30 + 48 * (k - 1), top = y > 35 ? y - 35 : 0, bottom = std::min<size_t>(y + 36, 480);
    const auto same = [&](size_t from, size_t to) {
      return std::equal(now.begin() + long(header + from * row), now.begin() + long(header + to * row),
                        was.begin() + long(header + from * row));
    };
    EXPECT_FALSE(same(y - 4, y + 4)) << shots[k].first << " painted nothing";
    EXPECT_TRUE(same(0, top) && same(bottom, 480)) << shots[k].first << " painted outside its band";
  }
  EXPECT_EQ(shots.back().second, shots.front().second);
  EXPECT_EQ(test::documentState(replay.doc), opened);
}

}  // namespace
}  // namespace kanvo
