#include "formats/NetpbmWriter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "support/TempDir.h"

using kanvo::Color32;
using kanvo::rgba;
using kanvo::test::readWholeFile;
using kanvo::test::TempDir;
using kanvo::test::writeWholeFile;

namespace {

// Runs ImageMagick's convert on a file we wrote and returns its raw output.
std::vector<uint8_t> imageMagick(const std::string& file, const std::string& output) {
  std::string cmd = "convert '" + file + "' -depth 8 " + output + " 2>/dev/null";
  std::vector<uint8_t> bytes;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return bytes;
  uint8_t buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) bytes.insert(bytes.end(), buf, buf + n);
  pclose(p);
  return bytes;
}

std::vector<Color32> randomPicture(int w, int h, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<Color32> px(size_t(w) * h);
  for (auto& c : px) c = rng();
  return px;
}

}  // namespace

TEST(NetpbmWriter, HeadersAndBytesExact) {
  TempDir dir;
  // Two rows of three pixels with a stride of four (the fourth value must not appear).
  const Color32 px[] = {rgba(255, 0, 16, 128), rgba(1, 2, 3, 0),  rgba(0, 0, 0, 255), 0xDEADBEEF,
                        rgba(9, 8, 7, 6),      rgba(250, 251, 252, 253), rgba(255, 255, 255, 255), 0xDEADBEEF};
  ASSERT_TRUE(kanvo::writePam(dir.file("a.pam"), px, 3, 2, 4).isOk());
  std::string pam = "P7\nWIDTH 3\nHEIGHT 2\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
  EXPECT_EQ(kanvo::pamHeader(3, 2), pam);
  std::vector<uint8_t> want(pam.begin(), pam.end());
  for (uint8_t b : {255, 0, 16, 128, 1, 2, 3, 0, 0, 0, 0, 255, 9, 8, 7, 6, 250, 251, 252, 253, 255, 255, 255, 255})
    want.push_back(b);
  EXPECT_EQ(readWholeFile(dir.file("a.pam")), want);

  ASSERT_TRUE(kanvo::writePpm(dir.file("a.ppm"), px, 3, 2, 4).isOk());
  std::string ppm = "P6\n3 2\n255\n";
  EXPECT_EQ(kanvo::ppmHeader(3, 2), ppm);
  want.assign(ppm.begin(), ppm.end());
  for (uint8_t b : {255, 0, 16, 1, 2, 3, 0, 0, 0, 9, 8, 7, 250, 251, 252, 255, 255, 255}) want.push_back(b);
  EXPECT_EQ(readWholeFile(dir.file("a.ppm")), want);
  EXPECT_EQ(dir.entries().size(), 2u);
}

TEST(NetpbmWriter, ImageMagickReadsWhatWeWrite) {
  TempDir dir;
  const int w = 257, h = 131;
  auto px = randomPicture(w, h, 11);
  ASSERT_TRUE(kanvo::writePam(dir.file("r.pam"), px.data(), w, h, w).isOk());
  ASSERT_TRUE(kanvo::writePpm(dir.file("r.ppm"), px.data(), w, h, w).isOk());

  std::vector<uint8_t> rgbaBytes, rgbBytes;
  for (Color32 c : px) {
    uint8_t r = uint8_t(kanvo::redOf(c)), g = uint8_t(kanvo::greenOf(c)), b = uint8_t(kanvo::blueOf(c));
    rgbaBytes.insert(rgbaBytes.end(), {r, g, b, uint8_t(kanvo::alphaOf(c))});
    rgbBytes.insert(rgbBytes.end(), {r, g, b});
  }
  auto size = imageMagick(dir.file("r.pam"), "-format '%w %h' info:-");
  ASSERT_FALSE(size.empty()) << "ImageMagick's convert is needed (scripts/setup.sh installs it)";
  EXPECT_EQ(std::string(size.begin(), size.end()), "257 131");
  EXPECT_EQ(imageMagick(dir.file("r.pam"), "rgba:-"), rgbaBytes);  // straight alpha, unchanged
  EXPECT_EQ(imageMagick(dir.file("r.ppm"), "rgb:-"), rgbBytes);
}

TEST(NetpbmWriter, RowSourceStreamsInOrderAndMayGiveUp) {
  TempDir dir;
  std::string path = dir.file("band.pam");
  const int w = 5, h = 600;
  std::vector<Color32> band(size_t(w) * 256);  // a band of 256 rows, as a flattener would hold
  std::vector<int32_t> asked;
  auto rows = [&](int32_t y) -> const Color32* {
    asked.push_back(y);
    if (y % 256 == 0)
      for (int i = 0; i < w * 256; ++i) band[size_t(i)] = rgba(y / 256, i % w, (i / w) & 255, 255);
    return band.data() + size_t(y % 256) * w;
  };
  ASSERT_TRUE(kanvo::writePam(path, w, h, rows).isOk());
  ASSERT_EQ(asked.size(), size_t(h));
  for (int y = 0; y < h; ++y) ASSERT_EQ(asked[size_t(y)], y);
  auto bytes = readWholeFile(path);
  size_t header = kanvo::pamHeader(w, h).size();
  ASSERT_EQ(bytes.size(), header + size_t(w) * h * 4);
  size_t at = header + (size_t(300) * w + 2) * 4;  // row 300, pixel 2
  EXPECT_EQ(bytes[at], 1);
  EXPECT_EQ(bytes[at + 1], 2);
  EXPECT_EQ(bytes[at + 2], 44);

  // A source that fails part way: the old file stays as it was.
  auto old = bytes;
  auto failing = [&](int32_t y) -> const Color32* { return y < 400 ? band.data() : nullptr; };
  auto s = kanvo::writePpm(path, w, h, failing);
  EXPECT_TRUE(s.isFailed());
  EXPECT_EQ(s.reason(), "cannot write '" + path + "': the picture could not be produced (row 400)");
  EXPECT_EQ(readWholeFile(path), old);
  EXPECT_EQ(dir.entries().size(), 1u);
}

TEST(NetpbmWriter, RefusesEmptyPicturesAndBadTargets) {
  TempDir dir;
  Color32 one = 0;
  EXPECT_TRUE(kanvo::writePam(dir.file("z.pam"), &one, 0, 1, 1).isFailed());
  EXPECT_TRUE(kanvo::writePpm(dir.file("z.ppm"), &one, 1, -5, 1).isFailed());
  EXPECT_TRUE(kanvo::writePpm(dir.file("z.ppm"), nullptr, 1, 1, 1).isFailed());
  EXPECT_TRUE(kanvo::writePam(dir.file("z.pam"), &one, 2, 1, 1).isFailed());  // stride below width
  EXPECT_TRUE(dir.entries().empty());
  auto s = kanvo::writePam(dir.path(), &one, 1, 1, 1);
  EXPECT_EQ(s.reason(), "cannot write '" + dir.path() + "': not a regular file");
}
