#include "formats/FileBuffer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "formats/ByteReader.h"
#include "support/TempDir.h"

using kanvo::ByteReader;
using kanvo::FileBuffer;
using kanvo::test::TempDir;
using kanvo::test::writeWholeFile;

TEST(FileBuffer, LoadsWholeFileAndCopiesBoundedly) {
  TempDir dir;
  std::string path = dir.file("a.jpg");
  std::vector<uint8_t> bytes(70001);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 7 + 3);
  ASSERT_TRUE(writeWholeFile(path, bytes));

  FileBuffer fb;
  ASSERT_TRUE(fb.load(path).isOk());
  ASSERT_EQ(fb.size(), bytes.size());
  EXPECT_EQ(std::memcmp(fb.data(), bytes.data(), bytes.size()), 0);

  uint8_t out[6];
  EXPECT_EQ(fb.copyOut(70000 - 3, out, 6), 4u);
  EXPECT_EQ(std::vector<uint8_t>(out, out + 6),
            (std::vector<uint8_t>{bytes[69997], bytes[69998], bytes[69999], bytes[70000], 0, 0}));
  EXPECT_EQ(fb.copyOut(uint64_t(1) << 62, out, 6), 0u);
  EXPECT_EQ(std::vector<uint8_t>(out, out + 6), std::vector<uint8_t>(6, 0));

  // An empty file loads as an empty buffer.
  ASSERT_TRUE(writeWholeFile(path, std::vector<uint8_t>{}));
  ASSERT_TRUE(fb.load(path).isOk());
  EXPECT_TRUE(fb.empty());
}

TEST(FileBuffer, RefusesBeforeAllocating) {
  TempDir dir;
  FileBuffer fb;
  auto s = fb.load(dir.file("none.jpg"));
  EXPECT_EQ(s.reason(), "cannot open '" + dir.file("none.jpg") + "': " + std::strerror(ENOENT));
  s = fb.load(dir.path());
  EXPECT_EQ(s.reason(), "cannot read '" + dir.path() + "': not a regular file");

  // A sparse file of 64 GiB: refused by its size, nothing is allocated.
  std::string huge = dir.file("huge.jpg");
  int fd = open(huge.c_str(), O_CREAT | O_WRONLY, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(ftruncate(fd, off_t(64) << 30), 0);
  close(fd);
  s = fb.load(huge);
  EXPECT_TRUE(s.isFailed());
  EXPECT_EQ(s.reason(), "'" + huge + "' is too large (64.0 GiB; at most 1.0 GiB)");
  EXPECT_TRUE(fb.empty());

  ASSERT_TRUE(writeWholeFile(huge, std::vector<uint8_t>(2000, 1)));
  EXPECT_EQ(fb.load(huge, 1800).reason(), "'" + huge + "' is too large (2.0 KiB; at most 1.8 KiB)");
  EXPECT_TRUE(fb.load(huge, 2000).isOk());
  fb.release();
  EXPECT_TRUE(fb.empty());
}

TEST(ByteReader, NeverReadsPastTheEnd) {
  const uint8_t bytes[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07};
  ByteReader r(bytes, sizeof bytes);
  uint32_t v32;
  uint16_t v16;
  uint8_t v8;
  ASSERT_TRUE(r.readU16LE(v16));
  EXPECT_EQ(v16, 0x0201);
  ASSERT_TRUE(r.readU32BE(v32));
  EXPECT_EQ(v32, 0x03040506u);
  EXPECT_FALSE(r.failed());
  EXPECT_FALSE(r.readU16BE(v16));  // one byte left
  EXPECT_EQ(v16, 0);
  EXPECT_TRUE(r.failed());
  EXPECT_TRUE(r.atEnd());
  EXPECT_FALSE(r.readU8(v8));

  ByteReader s(bytes, sizeof bytes);
  ASSERT_TRUE(s.skip(1));
  ASSERT_TRUE(s.align(4));
  EXPECT_EQ(s.position(), 4u);
  int32_t i32;
  EXPECT_FALSE(s.readI32LE(i32));
  EXPECT_EQ(i32, 0);
  ASSERT_TRUE(s.seek(5));  // seeking back clears nothing but works
  uint8_t out[4] = {9, 9, 9, 9};
  EXPECT_EQ(s.readBytes(out, 4), 2u);
  EXPECT_EQ(std::vector<uint8_t>(out, out + 4), (std::vector<uint8_t>{6, 7, 0, 0}));
  EXPECT_FALSE(s.seek(8));
  EXPECT_FALSE(s.skip(1));

  ByteReader empty(nullptr, 100);
  EXPECT_EQ(empty.size(), 0u);
  EXPECT_FALSE(empty.readU8(v8));
  ByteReader le(bytes, 4);
  ASSERT_TRUE(le.readU32LE(v32));
  EXPECT_EQ(v32, 0x04030201u);
}
