#include "formats/FileStream.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "support/TempDir.h"

namespace kanvo {
namespace {

// Integers of both orders, padding and a placeholder filled in by seeking back, read back the
// same way; reads past the end give what was there, then zeros, and fail. A write not committed
// (closed, or the stream destroyed) leaves the old file; failures give reasons.
TEST(FileStream, WritesReadsAndKeepsTheOldFileUntilCommitted) {
  test::TempDir dir;
  const std::string path = dir.file("out.bin");
  FileStream s;
  ASSERT_TRUE(s.openWrite(path).isOk());
  ASSERT_TRUE(s.writeU32BE(0) && s.writeU8(0xAB) && s.padTo(4) && s.padTo(4) && s.writeU16LE(0x1234));
  ASSERT_TRUE(s.writeU16BE(0x1234) && s.writeU32LE(0xA1B2C3D4) && s.skip(3));  // skip: zero bytes
  EXPECT_FALSE(s.seekTo(20) || s.padTo(8) || s.write("x", 0));  // past the end; at most 4; nothing
  ASSERT_TRUE(s.seekTo(0) && s.writeU32BE(19) && s.commit().isOk());
  const std::vector<uint8_t> want = {0,    0,    0,    19,   0xAB, 0,    0, 0, 0x34, 0x12,
                                     0x12, 0x34, 0xD4, 0xC3, 0xB2, 0xA1, 0, 0, 0};
  EXPECT_EQ(test::readWholeFile(path), want);

  ASSERT_TRUE(s.openRead(path).isOk());
  uint32_t u32, v = 99;
  uint16_t le, be;
  uint8_t u8, buf[8];
  int32_t i32;
  ASSERT_TRUE(s.readU32BE(u32) && s.readU8(u8) && s.skip(3) && s.readU16LE(le) && s.readU16BE(be) &&
              s.readI32LE(i32));
  EXPECT_EQ(std::make_tuple(u32, u8, le, be, uint32_t(i32)),
            std::make_tuple(19u, 0xAB, 0x1234, 0x1234, 0xA1B2C3D4u));
  std::memset(buf, 0xEE, sizeof buf);
  ASSERT_TRUE(s.seekTo(12));
  EXPECT_EQ(s.readSome(buf, 8), 7u);
  EXPECT_EQ(std::vector<uint8_t>(buf, buf + 8), (std::vector<uint8_t>{0xD4, 0xC3, 0xB2, 0xA1, 0, 0, 0, 0}));
  EXPECT_FALSE(s.readU32LE(v) || s.skip(1) || s.seekTo(20) || s.read(buf, 0) || s.write(buf, 1) ||
               s.padTo(4));
  EXPECT_EQ(std::make_pair(v, s.position()), std::make_pair(0u, uint64_t(19)));
  ASSERT_TRUE(s.seekTo(15) && !s.skip(5) && s.position() == 19);  // four bytes remain: to the end

  for (bool destroy : {false, true}) {
    auto w = std::make_unique<FileStream>();
    ASSERT_TRUE(w->openWrite(path).isOk() && w->write("new!", 4));
    destroy ? w.reset() : w->close();
    EXPECT_EQ(test::readWholeFile(path), want);
    EXPECT_EQ(dir.entries().size(), 1u);
  }
  EXPECT_EQ(s.openRead(dir.file("x")).reason(),
            "cannot open '" + dir.file("x") + "': " + std::strerror(ENOENT));
  EXPECT_EQ(s.openRead(dir.path()).reason(), "cannot open '" + dir.path() + "': not a regular file");
  EXPECT_TRUE(s.openWrite(dir.path()).isFailed());
  EXPECT_FALSE(s.commit().isOk());
}

}  // namespace
}  // namespace kanvo
