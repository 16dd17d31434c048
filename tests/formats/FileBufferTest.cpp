#include "formats/FileBuffer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "formats/ByteReader.h"
#include "support/TempDir.h"

namespace kanvo {
namespace {

// Whole files load (an empty one too) and read through a bounded cursor: reads that need more
// bytes than remain fail, give zeros (readBytes: what was there, then zeros), move to the end
// and set the sticky failed flag. Files over the limit (a sparse one of 64 GiB) are refused by
// their size before anything is allocated.
TEST(FileBuffer, LoadsWholeFilesReadsBoundedlyAndRefusesLargeOnes) {
  test::TempDir dir;
  const std::string path = dir.file("a.jpg"), huge = dir.file("huge.jpg");
  std::vector<uint8_t> bytes(70001, 0);
  for (size_t i = 0; i < 7; ++i) bytes[70000 - 6 + i] = uint8_t(i + 1);
  ASSERT_TRUE(test::writeWholeFile(path, bytes));
  FileBuffer fb;
  ASSERT_TRUE(fb.load(path).isOk());
  ASSERT_EQ(std::vector<uint8_t>(fb.data(), fb.data() + fb.size()), bytes);
  uint8_t out[4];

  ByteReader r = fb.reader();
  uint32_t be, le;
  uint16_t v16;
  int32_t i32;
  ASSERT_TRUE(r.seek(70000 - 6) && r.readU16LE(v16) && r.readU32BE(be) && !r.failed());
  EXPECT_EQ(std::make_pair(v16, be), std::make_pair(uint16_t(0x0201), 0x03040506u));
  EXPECT_FALSE(r.readU16BE(v16));  // one byte left
  EXPECT_EQ(std::make_tuple(v16, r.failed(), r.atEnd()), std::make_tuple(uint16_t(0), true, true));
  ASSERT_TRUE(r.seek(70000 - 6) && r.readU32LE(le) && r.seek(70000 - 5) && r.align(4));
  EXPECT_EQ(std::make_pair(le, r.position()), std::make_pair(0x04030201u, size_t(69996)));
  ASSERT_TRUE(r.seek(69999));
  EXPECT_EQ(r.readBytes(out, 4), 2u);
  EXPECT_EQ(std::vector<uint8_t>(out, out + 4), (std::vector<uint8_t>{6, 7, 0, 0}));
  EXPECT_FALSE(r.seek(70002) || r.skip(1) || r.readI32LE(i32));
  EXPECT_EQ(std::make_pair(i32, ByteReader(nullptr, 100).size()), std::make_pair(0, size_t(0)));

  int fd = open(huge.c_str(), O_CREAT | O_WRONLY, 0644);
  ASSERT_TRUE(fd >= 0 && ftruncate(fd, off_t(64) << 30) == 0);
  close(fd);
  EXPECT_EQ(fb.load(huge).reason(), "'" + huge + "' is too large (64.0 GiB; at most 1.0 GiB)");
  EXPECT_TRUE(fb.empty());
  EXPECT_EQ(fb.load(path, 70000).reason(), "'" + path + "' is too large (68.4 KiB; at most 68.4 KiB)");
  EXPECT_EQ(fb.load(dir.file("x")).reason(), "cannot open '" + dir.file("x") + "': " + std::strerror(ENOENT));
  EXPECT_EQ(fb.load(dir.path()).reason(), "cannot read '" + dir.path() + "': not a regular file");
  ASSERT_TRUE(test::writeWholeFile(path, std::vector<uint8_t>{}));
  EXPECT_TRUE(fb.load(path).isOk() && fb.empty());
}

}  // namespace
}  // namespace kanvo
