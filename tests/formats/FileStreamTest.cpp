#include "formats/FileStream.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "support/TempDir.h"

using kanvo::FileStream;
using kanvo::test::readWholeFile;
using kanvo::test::TempDir;
using kanvo::test::writeWholeFile;

TEST(FileStream, WritesIntegersPaddingAndPlaceholders) {
  TempDir dir;
  std::string path = dir.file("out.bin");
  FileStream s;
  ASSERT_TRUE(s.openWrite(path).isOk());
  EXPECT_TRUE(s.isWriting());
  EXPECT_FALSE(s.write("x", 0));  // nothing to write
  ASSERT_TRUE(s.writeU32BE(0));   // placeholder
  ASSERT_TRUE(s.writeU8(0xAB));
  ASSERT_TRUE(s.padTo(4));
  EXPECT_EQ(s.position(), 8u);
  ASSERT_TRUE(s.padTo(4));  // already aligned: nothing written
  EXPECT_EQ(s.position(), 8u);
  ASSERT_TRUE(s.writeU16LE(0x1234));
  ASSERT_TRUE(s.writeU16BE(0x1234));
  ASSERT_TRUE(s.writeU32LE(0xA1B2C3D4));
  ASSERT_TRUE(s.skip(3));  // past the end: zero bytes
  EXPECT_EQ(s.position(), 19u);
  ASSERT_TRUE(s.seekTo(0));
  ASSERT_TRUE(s.writeU32BE(19));
  EXPECT_FALSE(s.padTo(8));  // at most 4
  EXPECT_EQ(s.size(), 19u);
  ASSERT_TRUE(s.commit().isOk());
  EXPECT_FALSE(s.isOpen());

  std::vector<uint8_t> want = {0, 0, 0, 19, 0xAB, 0, 0, 0, 0x34, 0x12, 0x12, 0x34, 0xD4, 0xC3, 0xB2, 0xA1, 0, 0, 0};
  EXPECT_EQ(readWholeFile(path), want);

  ASSERT_TRUE(s.openRead(path).isOk());
  EXPECT_EQ(s.size(), 19u);
  uint32_t u32;
  uint16_t u16;
  uint8_t u8;
  ASSERT_TRUE(s.readU32BE(u32));
  EXPECT_EQ(u32, 19u);
  ASSERT_TRUE(s.readU8(u8));
  EXPECT_EQ(u8, 0xAB);
  ASSERT_TRUE(s.alignTo(4));
  EXPECT_EQ(s.position(), 8u);
  ASSERT_TRUE(s.readU16LE(u16));
  EXPECT_EQ(u16, 0x1234);
  ASSERT_TRUE(s.readU16BE(u16));
  EXPECT_EQ(u16, 0x1234);
  int32_t i32;
  ASSERT_TRUE(s.readI32LE(i32));
  EXPECT_EQ(uint32_t(i32), 0xA1B2C3D4u);
  EXPECT_EQ(s.remaining(), 3u);
  ASSERT_TRUE(s.rewind());
  EXPECT_EQ(s.position(), 0u);
  ASSERT_TRUE(s.readU32LE(u32));
  EXPECT_EQ(u32, 19u << 24);
}

TEST(FileStream, ReadsPastTheEndFailAndTellWhatWasThere) {
  TempDir dir;
  std::string path = dir.file("short.bin");
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
  EXPECT_FALSE(s.alignTo(8));  // would need 5 bytes, 3 remain
  EXPECT_FALSE(s.write(buf, 1));  // a read stream does not write
  EXPECT_FALSE(s.padTo(4));
  s.close();
  EXPECT_FALSE(s.isOpen());
  EXPECT_EQ(s.position(), 0u);
}

TEST(FileStream, OpenFailuresGiveReasons) {
  TempDir dir;
  FileStream s;
  auto r = s.openRead(dir.file("absent.psd"));
  EXPECT_EQ(r.reason(), "cannot open '" + dir.file("absent.psd") + "': " + std::strerror(ENOENT));
  r = s.openRead(dir.path());
  EXPECT_EQ(r.reason(), "cannot open '" + dir.path() + "': not a regular file");
  EXPECT_FALSE(s.isOpen());
  r = s.openWrite(dir.path());
  EXPECT_TRUE(r.isFailed());
  EXPECT_FALSE(s.commit().isOk());
}

TEST(FileStream, CloseWithoutCommitKeepsTheOldFile) {
  TempDir dir;
  std::string path = dir.file("doc.psd");
  ASSERT_TRUE(writeWholeFile(path, std::string("old contents")));
  {
    FileStream s;
    ASSERT_TRUE(s.openWrite(path).isOk());
    ASSERT_TRUE(s.write("new", 3));
  }
  auto got = readWholeFile(path);
  EXPECT_EQ(std::string(got.begin(), got.end()), "old contents");
  EXPECT_EQ(dir.entries().size(), 1u);
}
