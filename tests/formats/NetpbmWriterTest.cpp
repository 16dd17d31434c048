#include "formats/NetpbmWriter.h"

#include <gtest/gtest.h>

#include <random>

#include "support/ImageMagick.h"
#include "support/TempDir.h"

namespace kanvo {
namespace {

using test::readWholeFile;
using test::TempDir;

TEST(NetpbmWriter, Headers) {
  EXPECT_EQ(pamHeader(3, 2), "P7\nWIDTH 3\nHEIGHT 2\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n");
  EXPECT_EQ(ppmHeader(3, 2), "P6\n3 2\n255\n");
}

// Rows with a stride past the width (the padding must not appear), read back by ImageMagick:
// straight alpha unchanged in the PAM, the colours alone in the PPM.
TEST(NetpbmWriter, ImageMagickReadsWhatWeWrite) {
  ASSERT_TRUE(test::haveImageMagick()) << "ImageMagick's convert is needed (scripts/setup.sh installs it)";
  TempDir dir;
  const int w = 257, h = 131, stride = 260;
  std::mt19937 rng(11);
  std::vector<Color32> px(size_t(stride) * h);
  std::vector<uint8_t> rgba, rgb;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < stride; ++x) {
      const Color32 c = px[size_t(y) * stride + x] = rng();
      if (x >= w) continue;
      rgba.insert(rgba.end(),
                  {uint8_t(redOf(c)), uint8_t(greenOf(c)), uint8_t(blueOf(c)), uint8_t(alphaOf(c))});
      rgb.insert(rgb.end(), rgba.end() - 4, rgba.end() - 1);
    }
  for (bool pam : {true, false}) {
    const std::string path = dir.file(pam ? "r.pam" : "r.ppm");
    ASSERT_TRUE(
        (pam ? writePam(path, px.data(), w, h, stride) : writePpm(path, px.data(), w, h, stride)).isOk());
    const std::string header = pam ? pamHeader(w, h) : ppmHeader(w, h);
    EXPECT_EQ(readWholeFile(path).size(), header.size() + size_t(w) * h * (pam ? 4 : 3));
    test::NetpbmImage back = test::imageMagickRead(path, dir.file("back.pam"));
    EXPECT_EQ(back.width, w);
    EXPECT_EQ(back.height, h);
    EXPECT_EQ(back.samples, pam ? rgba : rgb);
  }
}

TEST(NetpbmWriter, RowSourceStreamsInOrderAndMayGiveUp) {
  TempDir dir;
  const std::string path = dir.file("band.pam");
  const int w = 5, h = 600;
  std::vector<Color32> band(size_t(w) * 256);  // a band of 256 rows, as a flattener would hold
  std::vector<int32_t> asked;
  auto rows = [&](int32_t y) -> const Color32* {
    asked.push_back(y);
    if (y % 256 == 0)
      for (int i = 0; i < w * 256; ++i) band[size_t(i)] = rgba(y / 256, i % w, (i / w) & 255, 255);
    return band.data() + size_t(y % 256) * w;
  };
  ASSERT_TRUE(writePam(path, w, h, rows).isOk());
  ASSERT_EQ(asked.size(), size_t(h));
  for (int y = 0; y < h; ++y) ASSERT_EQ(asked[size_t(y)], y);
  const std::vector<uint8_t> bytes = readWholeFile(path);
  ASSERT_EQ(bytes.size(), pamHeader(w, h).size() + size_t(w) * h * 4);
  const size_t at = pamHeader(w, h).size() + (size_t(300) * w + 2) * 4;  // row 300, pixel 2
  EXPECT_EQ(std::vector<uint8_t>(&bytes[at], &bytes[at + 4]), (std::vector<uint8_t>{1, 2, 44, 255}));

  // A source that fails part way: the old file stays as it was.
  auto failing = [&](int32_t y) -> const Color32* { return y < 400 ? band.data() : nullptr; };
  EXPECT_EQ(writePpm(path, w, h, failing).reason(),
            "cannot write '" + path + "': the picture could not be produced (row 400)");
  EXPECT_EQ(readWholeFile(path), bytes);
  EXPECT_EQ(dir.entries().size(), 1u);
}

TEST(NetpbmWriter, RefusesEmptyPicturesAndBadTargets) {
  TempDir dir;
  Color32 one = 0;
  EXPECT_TRUE(writePam(dir.file("z.pam"), &one, 0, 1, 1).isFailed());
  EXPECT_TRUE(writePpm(dir.file("z.ppm"), &one, 1, -5, 1).isFailed());
  EXPECT_TRUE(writePpm(dir.file("z.ppm"), nullptr, 1, 1, 1).isFailed());
  EXPECT_TRUE(writePam(dir.file("z.pam"), &one, 2, 1, 1).isFailed());  // stride below width
  EXPECT_TRUE(dir.entries().empty());
  EXPECT_EQ(writePam(dir.path(), &one, 1, 1, 1).reason(),
            "cannot write '" + dir.path() + "': not a regular file");
}

}  // namespace
}  // namespace kanvo
