// EXIF orientation: photos open turned as their tag asks, the report says so, and damaged EXIF
// data leaves the picture as stored.
#include "formats/jpeg/JpegOrientation.h"

#include <gtest/gtest.h>

#include <array>

#include "formats/jpeg/JpegImage.h"
#include "support/CliProcess.h"
#include "support/JpegFiles.h"
#include "support/TempDir.h"

namespace kanvo {
namespace {

struct Entry {
  uint32_t tag, type, count, value;
};

// An APP1 segment (marker and length included): "Exif\0\0", a TIFF header in the given byte
// order and a first IFD at ifdOffset holding the entries, its next-IFD link pointing back at
// itself. cutTail bytes of the payload are left out of the segment's length.
std::vector<uint8_t> exifSegment(bool little, const std::vector<Entry>& entries, uint32_t ifdOffset = 8,
                                 size_t cutTail = 0) {
  std::vector<uint8_t> tiff;
  auto put = [&](uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) tiff.push_back(uint8_t(v >> 8 * (little ? i : bytes - 1 - i)));
  };
  tiff.push_back(little ? 'I' : 'M');
  tiff.push_back(little ? 'I' : 'M');
  put(42, 2);
  put(ifdOffset, 4);
  put(uint32_t(entries.size()), 2);
  for (const Entry& e : entries) {
    put(e.tag, 2);
    put(e.type, 2);
    put(e.count, 4);
    put(e.value, 2);
    put(0, 2);
  }
  put(8, 4);
  std::vector<uint8_t> seg = {0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};
  for (uint8_t b : tiff) seg.push_back(b);
  const size_t length = seg.size() - 2 - cutTail;
  seg[2] = uint8_t(length >> 8);
  seg[3] = uint8_t(length);
  return seg;
}

std::vector<uint8_t> withSegment(std::vector<uint8_t> file, const std::vector<uint8_t>& seg) {
  file.insert(file.begin() + 2, seg.begin(), seg.end());
  return file;
}

constexpr uint32_t kTag = 0x0112, kShort = 3;

// The eight values on a 13 x 6 picture, in both byte orders, against the stored picture turned
// here: for each value, which stored corners show at the top left, top right and bottom left.
TEST(JpegOrientation, EveryValueTurnsThePictureAsTheTagSays) {
  const int w = 13, h = 6;
  const std::vector<uint8_t> plain = test::ourJpeg(w, h, 6);
  Image32 stored;
  ASSERT_TRUE(decodeJpegImage(plain, stored).isOk());
  enum Corner { TL, TR, BL, BR };
  const std::array<int, 2> at[4] = {{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}};
  const std::array<Corner, 3> corners[9] = {{},           {TL, TR, BL}, {TR, TL, BR}, {BR, BL, TR}, {BL, BR, TL},
                                            {TL, BL, TR}, {BL, TL, BR}, {BR, TR, BL}, {TR, BR, TL}};
  for (int o = 1; o <= 8; ++o) {
    for (bool little : {true, false}) {
      SCOPED_TRACE(std::to_string(o) + (little ? " II" : " MM"));
      Image32 shown;
      ASSERT_TRUE(decodeJpegImage(withSegment(plain, exifSegment(little, {{1, 3, 1, 5}, {kTag, kShort, 1, uint32_t(o)}})),
                                  shown)
                      .isOk());
      const int W = o >= 5 ? h : w, H = o >= 5 ? w : h;
      ASSERT_EQ(shown.width(), W);
      ASSERT_EQ(shown.height(), H);
      const auto [x0, y0] = at[corners[o][0]];
      const int dxx = (at[corners[o][1]][0] - x0) / (W - 1), dxy = (at[corners[o][1]][1] - y0) / (W - 1);
      const int dyx = (at[corners[o][2]][0] - x0) / (H - 1), dyy = (at[corners[o][2]][1] - y0) / (H - 1);
      for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
          ASSERT_EQ(shown.getPixel(x, y), stored.getPixel(x0 + x * dxx + y * dyx, y0 + x * dxy + y * dyy))
              << x << "," << y;
    }
  }
}

// Damaged or unusual EXIF data: orientation 1, read only inside the segment.
TEST(JpegOrientation, DamagedExifMeansAsStored) {
  const std::vector<uint8_t> plain = test::ourJpeg(16, 8, 6);
  const Entry six = {kTag, kShort, 1, 6};
  std::vector<uint8_t> wrongOrder = exifSegment(true, {six});
  wrongOrder[10] = 'X';
  const std::pair<const char*, std::vector<uint8_t>> cases[] = {
      {"first IFD past the segment", exifSegment(true, {six}, 4000)},
      {"first IFD offset overflowing", exifSegment(false, {six}, 0xFFFFFFF0u)},
      {"entry cut off by the segment's end", exifSegment(false, {six}, 8, 8)},
      {"tag as a LONG", exifSegment(true, {{kTag, 4, 1, 6}})},
      {"two values", exifSegment(false, {{kTag, kShort, 2, 6}})},
      {"value 0", exifSegment(true, {{kTag, kShort, 1, 0}})},
      {"value 9", exifSegment(false, {{kTag, kShort, 1, 9}})},
      {"no byte order", wrongOrder},
      {"no tag, next IFD looping", exifSegment(true, {{0x010F, 2, 1, 0}})},
  };
  for (const auto& [what, seg] : cases) {
    jpeg::JpegHeader header;
    ASSERT_TRUE(jpeg::parseJpegHeader(withSegment(plain, seg), header).isOk()) << what;
    EXPECT_EQ(header.orientation, 1) << what;
  }
  // The entry count reaching past the segment: every entry that is read lies inside it.
  std::vector<uint8_t> many = exifSegment(true, {six});
  many[18] = many[19] = 0xFF;
  EXPECT_EQ(jpeg::exifOrientation(std::span<const uint8_t>(many).subspan(4)), 6);
  EXPECT_EQ(jpeg::exifOrientation(std::span<const uint8_t>(many).subspan(4, 25)), 1);
}

// kanvo-cli reports the orientation and writes the upright picture, which carries no EXIF.
TEST(JpegOrientation, CliReportsTheTagAndConvertsUpright) {
  test::TempDir dir;
  const std::string in = dir.file("phone.jpg"), out = dir.file("upright.jpg");
  ASSERT_TRUE(test::writeWholeFile(in, withSegment(test::ourJpeg(20, 9, 6), exifSegment(false, {{kTag, kShort, 1, 8}}))));
  const test::CliRun info = test::runProgram({KANVO_CLI_PATH, "info", in, "--json"});
  EXPECT_EQ(info.status, 0) << info.err;
  EXPECT_NE(info.out.find("\"width\": 9, \"height\": 20"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("\"orientation\": 8, \"progressive\": false"), std::string::npos) << info.out;
  ASSERT_EQ(test::runProgram({KANVO_CLI_PATH, "convert", in, out}).status, 0);
  jpeg::JpegHeader header;
  ASSERT_TRUE(jpeg::parseJpegHeader(test::readWholeFile(out), header).isOk());
  EXPECT_EQ(std::make_pair(header.width, header.height), std::make_pair(9, 20));
  EXPECT_EQ(header.orientation, 1);
}

}  // namespace
}  // namespace kanvo
