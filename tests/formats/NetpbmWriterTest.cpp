// The command-line tests check both forms byte for byte and through ImageMagick.
#include "formats/NetpbmWriter.h"

#include <gtest/gtest.h>

#include "support/TempDir.h"

namespace kanvo {
namespace {

// Blocks with a stride past the width (the padding must not appear), and rows asked for in
// order; a source that gives up part way, an empty picture or a bad target fail the write and
// leave the old file.
TEST(NetpbmWriter, StridesRowSourcesAndRefusals) {
  test::TempDir dir;
  const std::string path = dir.file("a.pam");
  const Color32 px[] = {rgba(255, 0, 16, 128), rgba(1, 2, 3, 0),         0xDEADBEEF,
                        rgba(9, 8, 7, 6),      rgba(250, 251, 252, 253), 0xDEADBEEF};
  ASSERT_TRUE(writePpm(path, px, 2, 2, 3).isOk());
  std::vector<uint8_t> want = {255, 0, 16, 1, 2, 3, 9, 8, 7, 250, 251, 252};
  const std::string ppm = ppmHeader(2, 2);
  want.insert(want.begin(), ppm.begin(), ppm.end());
  EXPECT_EQ(test::readWholeFile(path), want);
  std::vector<int32_t> asked;
  ASSERT_TRUE(writePam(path, 2, 600, [&](int32_t y) { return asked.push_back(y), px; }).isOk());
  ASSERT_EQ(asked.size(), 600u);
  for (int y = 0; y < 600; ++y) ASSERT_EQ(asked[size_t(y)], y);
  const std::vector<uint8_t> old = test::readWholeFile(path);
  auto failing = [&](int32_t y) -> const Color32* { return y < 400 ? px : nullptr; };
  EXPECT_EQ(writePpm(path, 2, 600, failing).reason(),
            "cannot write '" + path + "': the picture could not be produced (row 400)");
  EXPECT_TRUE(writePam(path, px, 0, 1, 1).isFailed());
  EXPECT_TRUE(writePpm(path, px, 1, -5, 1).isFailed());
  EXPECT_TRUE(writePpm(path, nullptr, 1, 1, 1).isFailed());
  EXPECT_TRUE(writePam(path, px, 2, 1, 1).isFailed());  // stride below width
  EXPECT_EQ(test::readWholeFile(path), old);
  EXPECT_EQ(dir.entries().size(), 1u);
  EXPECT_EQ(writePam(dir.path(), px, 1, 1, 1).reason(),
            "cannot write '" + dir.path() + "': not a regular file");
}

}  // namespace
}  // namespace kanvo
