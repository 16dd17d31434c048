// BMP files through Qt's image reader: every variant ImageMagick writes, our own writer's
// files, and files that must be refused without harm.
#include "platform/qt/QtImageLoader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "document/Document.h"
#include "formats/bmp/BmpWriter.h"
#include "formats/DocumentOpener.h"
#include "formats/Status.h"
#include "raster/pixel/Color32.h"
#include "strings/StringTable.h"
#include "support/Netpbm.h"
#include "support/RandomImage.h"
#include "support/TempDir.h"

namespace kanvo {
namespace {

std::string corpus(const std::string& name) { return std::string(KANVO_CORPUS_DIR) + "/" + name; }

TEST(QtImageLoaderTest, EveryCorpusBitmapMatchesItsReferenceAndIsOpaque) {
  const char* files[] = {"bmp_1bit_17x9.bmp",           "bmp_1bit_topdown_17x9.bmp",
                         "bmp_4bit_33x20.bmp",          "bmp_8bit_64x48.bmp",
                         "bmp_8bit_rle_100x70.bmp",     "bmp_16bit_rgb565_17x9.bmp",
                         "bmp3_24bit_257x131.bmp",      "bmp3_24bit_topdown_257x131.bmp",
                         "bmp_24bit_v5_1x1.bmp",        "bmp_24bit_v5_640x480.bmp",
                         "bmp2_os2_24bit_33x20.bmp",    "bmp_32bit_alpha_64x48.bmp"};
  const QtImageLoader loader;
  for (const char* f : files) {
    Image32 image;
    Status s = loader.load(corpus(f), image);
    ASSERT_TRUE(s.isOk()) << f << ": " << s.reason();
    test::NetpbmImage ref = test::readNetpbm(corpus(std::string(f) + ".ref.ppm"));
    ASSERT_FALSE(ref.empty()) << f;
    ASSERT_EQ(image.width(), ref.width) << f;
    ASSERT_EQ(image.height(), ref.height) << f;
    const int tolerance = 0;  // 16-bit fields too are widened as ImageMagick does (31 -> 255)
    int mismatches = 0;
    for (int y = 0; y < ref.height; ++y)
      for (int x = 0; x < ref.width; ++x) {
        int r, g, b;
        ref.rgbAt(x, y, r, g, b);
        // The stored colour bytes are kept even where the file says transparent.
        const Color32 got = image.getPixel(x, y);
        if (alphaOf(got) != 255 || std::abs(redOf(got) - r) > tolerance || std::abs(greenOf(got) - g) > tolerance ||
            std::abs(blueOf(got) - b) > tolerance)
          ++mismatches;
      }
    EXPECT_EQ(mismatches, 0) << f;
  }
}

// A plain 16-bit file (5 bits a colour, no bit fields): white stays white.
TEST(QtImageLoaderTest, SixteenBitFieldsReachTheFullRange) {
  const uint16_t pixels[2] = {0x7FFF, uint16_t(16 << 10 | 1 << 5 | 30)};  // white; red 16, green 1, blue 30
  std::vector<uint8_t> file(54 + 4, 0);
  auto put32 = [&file](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) file[at + size_t(i)] = uint8_t(v >> (8 * i));
  };
  file[0] = 'B';
  file[1] = 'M';
  put32(2, uint32_t(file.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, 2);
  put32(22, 1);
  file[26] = 1;
  file[28] = 16;
  for (int i = 0; i < 2; ++i) {
    file[54 + 2 * size_t(i)] = uint8_t(pixels[i]);
    file[55 + 2 * size_t(i)] = uint8_t(pixels[i] >> 8);
  }
  test::TempDir dir;
  ASSERT_TRUE(test::writeWholeFile(dir.file("555.bmp"), file));
  Image32 image;
  ASSERT_TRUE(QtImageLoader().load(dir.file("555.bmp"), image).isOk());
  EXPECT_EQ(image.getPixel(0, 0), kOpaqueWhite);
  EXPECT_EQ(image.getPixel(1, 0), rgba(132, 8, 247));
}

TEST(QtImageLoaderTest, OurOwnFilesComeBackAsWrittenOverWhite) {
  test::TempDir dir;
  Image32 picture(37, 23);
  test::fillRandom(picture, 17);
  const std::string path = dir.file("round.bmp");
  ASSERT_TRUE(writeBmp(picture, path).isOk());
  Image32 back;
  ASSERT_TRUE(QtImageLoader().load(path, back).isOk());
  ASSERT_EQ(back.width(), 37);
  ASSERT_EQ(back.height(), 23);
  for (int y = 0; y < 23; ++y)
    for (int x = 0; x < 37; ++x) {
      const Color32 c = picture.getPixel(x, y);
      const int a = alphaOf(c);
      auto over = [a](int v) { return (255 * (255 - a) + v * (a + 1)) >> 8; };
      ASSERT_EQ(back.getPixel(x, y),
                rgba(over(redOf(c)), over(greenOf(c)), over(blueOf(c))))
          << x << "," << y;
    }
}

TEST(QtImageLoaderTest, BadFilesAreRefusedWithTheirName) {
  test::TempDir dir;
  std::vector<uint8_t> good = test::readWholeFile(corpus("bmp3_24bit_257x131.bmp"));
  ASSERT_GT(good.size(), 54u);
  std::vector<uint8_t> huge = good;  // a header claiming 100000 x 100000 pixels
  for (int i = 0; i < 4; ++i) huge[18 + i] = huge[22 + i] = uint8_t(100000 >> (8 * i));
  std::vector<uint8_t> header(good.begin(), good.begin() + 30);
  ASSERT_TRUE(test::writeWholeFile(dir.file("huge.bmp"), huge));
  ASSERT_TRUE(test::writeWholeFile(dir.file("header.bmp"), header));
  ASSERT_TRUE(test::writeWholeFile(dir.file("text.bmp"), std::string("hello, not a picture")));
  ASSERT_TRUE(test::writeWholeFile(dir.file("empty.bmp"), std::string()));
  for (const char* name : {"huge.bmp", "header.bmp", "text.bmp", "empty.bmp", "missing.bmp"}) {
    Image32 image;
    Status s = QtImageLoader().load(dir.file(name), image);
    EXPECT_TRUE(s.isFailed()) << name;
    EXPECT_NE(s.reason().find(dir.file(name)), std::string::npos) << s.reason();
  }
  // A file cut in its pixel rows must never read outside the picture; what Qt keeps is opaque.
  for (size_t cut : {good.size() / 2, good.size() - 1}) {
    std::vector<uint8_t> part(good.begin(), good.begin() + std::ptrdiff_t(cut));
    ASSERT_TRUE(test::writeWholeFile(dir.file("cut.bmp"), part));
    Image32 image;
    if (QtImageLoader().load(dir.file("cut.bmp"), image).isFailed()) continue;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) ASSERT_EQ(image.getPixel(x, y) >> 24, 255u);
  }
}

TEST(QtImageLoaderTest, OpeningABitmapMakesATwoLayerDocument) {
  StringTable strings(kUiLanguageEnglish);
  Document doc(strings);
  const QtImageLoader loader;
  OpenServices services;
  services.imageLoader = &loader;
  ASSERT_TRUE(openDocument(doc, corpus("bmp_8bit_rle_100x70.bmp"), services).isOk());
  EXPECT_EQ(doc.width(), 100);
  EXPECT_EQ(doc.height(), 70);
  ASSERT_EQ(doc.layerCount(), 2);
  EXPECT_EQ(doc.currentLayerIndex(), 1);
  EXPECT_EQ(doc.probeColour(0, 0), rgba(228, 154, 92));
  EXPECT_EQ(doc.probeColour(99, 69), rgba(23, 158, 108));
}

}  // namespace
}  // namespace kanvo
