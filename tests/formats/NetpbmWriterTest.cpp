#include "formats/NetpbmWriter.h"

#include <gtest/gtest.h>

#include "support/TempDir.h"

namespace kanvo {
namespace {

using test::readWholeFile;

// Two rows of three pixels with a stride of four (the fourth value must not appear): the exact
// bytes of both forms (ImageMagick reads them in the command-line tests).
TEST(NetpbmWriter, ExactBytes) {
  test::TempDir dir;
  const Color32 px[] = {
      rgba(255, 0, 16, 128), rgba(1, 2, 3, 0),         rgba(0, 0, 0, 255),       0xDEADBEEF,
      rgba(9, 8, 7, 6),      rgba(250, 251, 252, 253), rgba(255, 255, 255, 255), 0xDEADBEEF};
  ASSERT_TRUE(writePam(dir.file("a.pam"), px, 3, 2, 4).isOk());
  ASSERT_TRUE(writePpm(dir.file("a.ppm"), px, 3, 2, 4).isOk());
  const std::string pam = "P7\nWIDTH 3\nHEIGHT 2\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
  const std::string ppm = "P6\n3 2\n255\n";
  EXPECT_EQ(std::make_pair(pamHeader(3, 2), ppmHeader(3, 2)), std::make_pair(pam, ppm));
  std::vector<uint8_t> want(pam.begin(), pam.end());
  want.insert(want.end(), {255, 0, 16, 128, 1,   2,   3,   0,   0,   0,   0,   255,
                           9,   8, 7,  6,   250, 251, 252, 253, 255, 255, 255, 255});
  EXPECT_EQ(readWholeFile(dir.file("a.pam")), want);
  want.assign(ppm.begin(), ppm.end());
  want.insert(want.end(), {255, 0, 16, 1, 2, 3, 0, 0, 0, 9, 8, 7, 250, 251, 252, 255, 255, 255});
  EXPECT_EQ(readWholeFile(dir.file("a.ppm")), want);
}

// Pictures given row by row: the rows are asked for in order; a source that gives up part way
// fails the write and leaves the old file, as do empty pictures and bad targets.
TEST(NetpbmWriter, RowSourcesAndRefusals) {
  test::TempDir dir;
  const std::string path = dir.file("band.pam");
  std::vector<Color32> row(5, rgba(1, 2, 3, 4));
  std::vector<int32_t> asked;
  ASSERT_TRUE(writePam(path, 5, 600, [&](int32_t y) { return asked.push_back(y), row.data(); }).isOk());
  ASSERT_EQ(asked.size(), 600u);
  for (int y = 0; y < 600; ++y) ASSERT_EQ(asked[size_t(y)], y);
  const std::vector<uint8_t> old = readWholeFile(path);
  auto failing = [&](int32_t y) -> const Color32* { return y < 400 ? row.data() : nullptr; };
  EXPECT_EQ(writePpm(path, 5, 600, failing).reason(),
            "cannot write '" + path + "': the picture could not be produced (row 400)");
  Color32 one = 0;
  EXPECT_TRUE(writePam(path, &one, 0, 1, 1).isFailed());
  EXPECT_TRUE(writePpm(path, &one, 1, -5, 1).isFailed());
  EXPECT_TRUE(writePpm(path, nullptr, 1, 1, 1).isFailed());
  EXPECT_TRUE(writePam(path, &one, 2, 1, 1).isFailed());  // stride below width
  EXPECT_EQ(readWholeFile(path), old);
  EXPECT_EQ(dir.entries().size(), 1u);
  EXPECT_EQ(writePam(dir.path(), &one, 1, 1, 1).reason(),
            "cannot write '" + dir.path() + "': not a regular file");
}

}  // namespace
}  // namespace kanvo
