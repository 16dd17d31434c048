#include "formats/FileStream.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "support/TempDir.h"

namespace kanvo {
namespace {

using test::readWholeFile;

// Integers of both orders, padding, a placeholder filled in by seeking back; read back the same
// way. An uncommitted write (abandoned, or the stream destroyed) leaves the old file.
TEST(FileStream, WritesAndReadsIntegersPaddingAndPlaceholders) {
  test::TempDir dir;
  const std::string path = dir.file("out.bin");
  FileStream s;
  ASSERT_TRUE(s.openWrite(path).isOk());
  EXPECT_FALSE(s.write("x", 0));                                                // nothing to write
  ASSERT_TRUE(s.writeU32BE(0) && s.writeU8(0xAB) && s.padTo(4) && s.padTo(4));  // aligned: no more
  ASSERT_TRUE(s.writeU16LE(0x1234) && s.writeU16BE(0x1234) && s.writeU32LE(0xA1B2C3D4));
  ASSERT_TRUE(s.skip(3));  // past the end: zero bytes
  EXPECT_FALSE(s.seekTo(20));
  ASSERT_TRUE(s.seekTo(0) && s.writeU32BE(19));
  EXPECT_FALSE(s.padTo(8));  // at most 4
  ASSERT_TRUE(s.commit().isOk());
  const std::vector<uint8_t> want = {0,    0,    0,    19,   0xAB, 0,    0, 0, 0x34, 0x12,
                                     0x12, 0x34, 0xD4, 0xC3, 0xB2, 0xA1, 0, 0, 0};
  EXPECT_EQ(readWholeFile(path), want);

  ASSERT_TRUE(s.openRead(path).isOk());
  uint32_t u32;
  uint16_t le, be;
  uint8_t u8;
  int32_t i32;
  ASSERT_TRUE(s.readU32BE(u32) && s.readU8(u8) && s.alignTo(4) && s.readU16LE(le) && s.readU16BE(be) &&
              s.readI32LE(i32));
  EXPECT_EQ(std::make_tuple(u32, u8, le, be, uint32_t(i32)),
            std::make_tuple(19u, 0xAB, 0x1234, 0x1234, 0xA1B2C3D4u));
  EXPECT_EQ(s.remaining(), 3u);
  ASSERT_TRUE(s.rewind() && s.readU32LE(u32));
  EXPECT_EQ(u32, 19u << 24);

  for (bool destroy : {false, true}) {
    auto w = std::make_unique<FileStream>();
    ASSERT_TRUE(w->openWrite(path).isOk() && w->write("new", 3));
    destroy ? w.reset() : w->close();
    EXPECT_EQ(readWholeFile(path), want);
    EXPECT_EQ(dir.entries().size(), 1u);
  }
}

TEST(FileStream, ReadsPastTheEndFailAndTellWhatWasThere) {
  test::TempDir dir;
  const std::string path = dir.file("short.bin");
  ASSERT_TRUE(test::writeWholeFile(path, std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
  FileStream s;
  ASSERT_TRUE(s.openRead(path).isOk());
  EXPECT_FALSE(s.read(nullptr, 0));
  uint8_t buf[8];
  std::memset(buf, 0xEE, sizeof buf);
  ASSERT_TRUE(s.skip(2));
  EXPECT_EQ(s.readSome(buf, 8), 4u);
  EXPECT_EQ(s.position(), 6u);  // the bytes really read
  EXPECT_EQ(std::vector<uint8_t>(buf, buf + 8), (std::vector<uint8_t>{3, 4, 5, 6, 0, 0, 0, 0}));
  uint32_t v = 99;
  EXPECT_FALSE(s.readU32LE(v));
  EXPECT_EQ(v, 0u);
  ASSERT_TRUE(s.seekTo(5));
  EXPECT_FALSE(s.skip(2));  // only one byte left
  EXPECT_EQ(s.position(), 6u);
  EXPECT_FALSE(s.seekTo(7));
  ASSERT_TRUE(s.seekTo(3));
  EXPECT_FALSE(s.alignTo(8));     // would need 5 bytes, 3 remain
  EXPECT_FALSE(s.write(buf, 1));  // a read stream does not write
  EXPECT_FALSE(s.padTo(4));

  EXPECT_EQ(s.openRead(dir.file("absent")).reason(),
            "cannot open '" + dir.file("absent") + "': " + std::strerror(ENOENT));
  EXPECT_EQ(s.openRead(dir.path()).reason(), "cannot open '" + dir.path() + "': not a regular file");
  EXPECT_TRUE(s.openWrite(dir.path()).isFailed());
  EXPECT_FALSE(s.commit().isOk());
}

}  // namespace
}  // namespace kanvo
