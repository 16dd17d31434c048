#include "formats/FileStream.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "support/TempDir.h"

namespace kanvo {
namespace {

using test::readWholeFile;
using test::TempDir;
using test::writeWholeFile;

TEST(FileStream, WritesIntegersPaddingAndPlaceholdersAndReadsThemBack) {
  TempDir dir;
  const std::string path = dir.file("out.bin");
  FileStream s;
  ASSERT_TRUE(s.openWrite(path).isOk());
  EXPECT_FALSE(s.write("x", 0));  // nothing to write
  ASSERT_TRUE(s.writeU32BE(0));   // placeholder
  ASSERT_TRUE(s.writeU8(0xAB));
  ASSERT_TRUE(s.padTo(4));
  ASSERT_TRUE(s.padTo(4));  // already aligned: nothing written
  ASSERT_TRUE(s.writeU16LE(0x1234));
  ASSERT_TRUE(s.writeU16BE(0x1234));
  ASSERT_TRUE(s.writeU32LE(0xA1B2C3D4));
  ASSERT_TRUE(s.skip(3));  // past the end: zero bytes
  ASSERT_TRUE(s.seekTo(0));
  ASSERT_TRUE(s.writeU32BE(19));
  EXPECT_FALSE(s.padTo(8));  // at most 4
  EXPECT_EQ(s.size(), 19u);
  ASSERT_TRUE(s.commit().isOk());
  EXPECT_FALSE(s.isOpen());
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
  EXPECT_EQ(u32, 19u);
  EXPECT_EQ(u8, 0xAB);
  EXPECT_EQ(le, 0x1234);
  EXPECT_EQ(be, 0x1234);
  EXPECT_EQ(uint32_t(i32), 0xA1B2C3D4u);
  EXPECT_EQ(s.remaining(), 3u);
  ASSERT_TRUE(s.rewind() && s.readU32LE(u32));
  EXPECT_EQ(u32, 19u << 24);
}

TEST(FileStream, ReadsPastTheEndFailAndTellWhatWasThere) {
  TempDir dir;
  const std::string path = dir.file("short.bin");
  ASSERT_TRUE(writeWholeFile(path, std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
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
}

TEST(FileStream, FailuresGiveReasonsAndKeepTheOldFile) {
  TempDir dir;
  FileStream s;
  EXPECT_EQ(s.openRead(dir.file("absent.psd")).reason(),
            "cannot open '" + dir.file("absent.psd") + "': " + std::strerror(ENOENT));
  EXPECT_EQ(s.openRead(dir.path()).reason(), "cannot open '" + dir.path() + "': not a regular file");
  EXPECT_TRUE(s.openWrite(dir.path()).isFailed());
  EXPECT_FALSE(s.commit().isOk());

  const std::string path = dir.file("doc.psd");
  ASSERT_TRUE(writeWholeFile(path, std::string("old contents")));
  {
    FileStream w;
    ASSERT_TRUE(w.openWrite(path).isOk());
    ASSERT_TRUE(w.write("new", 3));
  }  // closed without commit
  const std::vector<uint8_t> got = readWholeFile(path);
  EXPECT_EQ(std::string(got.begin(), got.end()), "old contents");
  EXPECT_EQ(dir.entries().size(), 1u);
}

}  // namespace
}  // namespace kanvo
