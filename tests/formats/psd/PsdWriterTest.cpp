// Writing PSD files: the flat and layered forms read back by our reader and by ImageMagick.
#include "formats/psd/PsdWriter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "document/Document.h"
#include "formats/psd/PsdReader.h"
#include "strings/StringTable.h"
#include "support/Netpbm.h"
#include "support/TempDir.h"

namespace kanvo {
namespace {

uint32_t be32(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}

// The canvas pixel (x, y) of a 32 bpp layer.
Color32 canvasPixel(const Layer& layer, int x, int y) { return layer.pixels32.getPixel(x - layer.offsetX, y - layer.offsetY); }

void paintRandom(Layer& layer, int w, int h, uint32_t seed, bool opaque) {
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      // Runs of equal pixels mixed with noise, so both kinds of packed run appear.
      uint32_t v = (x / 7 + y) % 3 == 0 ? 0x80402010u : rng();
      if (opaque) v |= 0xFF000000u;
      if (layer.kind == kLayerKind32) layer.pixels32.setPixel(x, y, v);
      else if (layer.kind == kLayerKind8) layer.pixels8.setPixel(x, y, uint8_t(v));
      else layer.pixels1.setPixel(x, y, uint8_t(v & 1));
    }
  layer.document->layerChangedAll(layer);
}

class PsdWriterTest : public ::testing::Test {
 protected:
  StringTable strings{kUiLanguageEnglish};
  test::TempDir dir;
};

TEST_F(PsdWriterTest, LayeredRoundTripKeepsLayersAndPixels) {
  for (bool rle : {true, false}) {
    Document doc(strings);
    ASSERT_TRUE(doc.newCanvas(131, 70, kLayerKind32));
    paintRandom(*doc.layer(0), 131, 70, 1, true);
    Layer* a = doc.addLayer32();
    paintRandom(*a, 40, 30, 2, false);
    a->name = "\x83\x8C\x83\x43\x83\x84\x81\x5B";  // CP932 bytes kept as they are
    a->opacity = 100;
    a->blendMode = kBlendMultiply;
    ASSERT_TRUE(a->moveContent(-17, -9));
    Layer* b = doc.addLayer8();
    b->colour = 0xFF2040C0u;
    paintRandom(*b, 50, 20, 3, false);
    b->visible = 0;
    b->blendMode = kBlendAdd;
    Layer* c = doc.addLayer1();
    c->colour = 0xFF00FF00u;
    paintRandom(*c, 33, 21, 4, false);
    c->reservedFlag = 1;
    c->blendMode = kBlendInverse;
    const std::string path = dir.file(rle ? "rle.psd" : "raw.psd");
    Status s = writePsdDocument(doc, path, rle);
    ASSERT_TRUE(s.isOk()) << s.reason();

    Document back(strings);
    s = readPsdDocument(back, path);
    ASSERT_TRUE(s.isOk()) << s.reason();
    ASSERT_EQ(back.layerCount(), 4);
    EXPECT_EQ(back.width(), 131);
    EXPECT_EQ(back.height(), 70);
    EXPECT_EQ(back.resolution, doc.resolution);
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(back.layer(i)->name, doc.layer(i)->name);
      EXPECT_EQ(back.layer(i)->opacity, doc.layer(i)->opacity);
      EXPECT_EQ(back.layer(i)->visible, doc.layer(i)->visible);
      EXPECT_EQ(back.layer(i)->reservedFlag, doc.layer(i)->reservedFlag);
    }
    // A name longer than a PSD holds is cut at 255 bytes, never inside a double-byte character.
    c->name.clear();
    for (int k = 0; k < 130; ++k) c->name += "\x83\x40";  // 260 bytes of two-byte characters
    ASSERT_TRUE(writePsdDocument(doc, dir.file("long.psd"), rle).isOk());
    Document named(strings);
    ASSERT_TRUE(readPsdDocument(named, dir.file("long.psd")).isOk());
    EXPECT_EQ(named.layer(3)->name, c->name.substr(0, 254));
    EXPECT_EQ(back.layer(1)->blendMode, kBlendMultiply);
    EXPECT_EQ(back.layer(2)->blendMode, kBlendAdd);
    EXPECT_EQ(back.layer(3)->blendMode, kBlendNormal);
    int bad = 0;
    for (int y = -9; y < 70; ++y)
      for (int x = -17; x < 131; ++x) {
        if (x >= 0 && y >= 0 && canvasPixel(*back.layer(0), x, y) != doc.layer(0)->pixels32.getPixel(x, y)) ++bad;
        if (canvasPixel(*back.layer(1), x, y) != canvasPixel(*a, x, y)) ++bad;
        if (x < 0 || y < 0) continue;
        const uint8_t cov = b->pixels8.getPixel(x, y);
        const Color32 want8 = cov ? ((b->colour & 0xFFFFFFu) | uint32_t(cov) << 24) : 0;
        if (canvasPixel(*back.layer(2), x, y) != want8 && !(cov == 0 && (canvasPixel(*back.layer(2), x, y) >> 24) == 0)) ++bad;
        const bool ink = c->pixels1.getPixel(x, y);
        if ((canvasPixel(*back.layer(3), x, y) >> 24) != (ink ? 255u : 0u)) ++bad;
      }
    EXPECT_EQ(bad, 0);
    EXPECT_LT(back.layer(1)->offsetX, 0);
  }
}

TEST_F(PsdWriterTest, OpaqueSingleLayerIsFlatAndOneTransparentPixelMakesItLayered) {
  Document doc(strings);
  ASSERT_TRUE(doc.newCanvas(257, 3, kLayerKind32));
  paintRandom(*doc.layer(0), 257, 3, 5, true);
  const std::string path = dir.file("flat.psd");
  ASSERT_TRUE(writePsdDocument(doc, path).isOk());
  std::vector<uint8_t> bytes = test::readWholeFile(path);
  ASSERT_GT(bytes.size(), 70u);
  EXPECT_EQ(bytes[13], 3);              // channels
  EXPECT_EQ(be32(bytes, 26), 0u);       // colour mode data
  EXPECT_EQ(be32(bytes, 30), 38u);      // resources
  EXPECT_EQ(be32(bytes, 30 + 4 + 38), 0u);  // no layer section
  Document back(strings);
  ASSERT_TRUE(readPsdDocument(back, path).isOk());
  ASSERT_EQ(back.layerCount(), 1);
  int bad = 0;
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 257; ++x)
      if (back.layer(0)->pixels32.getPixel(x, y) != doc.layer(0)->pixels32.getPixel(x, y)) ++bad;
  EXPECT_EQ(bad, 0);

  doc.layer(0)->pixels32.setPixel(5, 1, 0xFE112233u);
  ASSERT_TRUE(writePsdDocument(doc, path).isOk());
  bytes = test::readWholeFile(path);
  EXPECT_NE(be32(bytes, 30 + 4 + 38), 0u);
  Document again(strings);
  ASSERT_TRUE(readPsdDocument(again, path).isOk());
  EXPECT_EQ(again.layer(0)->pixels32.getPixel(5, 1), 0xFE112233u);
}

TEST_F(PsdWriterTest, FlatGrayAndBitmapRoundTrip) {
  for (int32_t kind : {kLayerKind8, kLayerKind1}) {
    for (bool rle : {true, false}) {
      Document doc(strings);
      ASSERT_TRUE(doc.newCanvas(67, 13, kind));
      paintRandom(*doc.layer(0), 67, 13, 6, false);
      const std::string path = dir.file("g.psd");
      ASSERT_TRUE(writePsdDocument(doc, path, rle).isOk());
      std::vector<uint8_t> bytes = test::readWholeFile(path);
      EXPECT_EQ(bytes[13], 1);
      EXPECT_EQ(bytes[23], kind == kLayerKind1 ? 1 : 8);
      EXPECT_EQ(bytes[25], kind == kLayerKind1 ? 0 : 1);
      Document back(strings);
      ASSERT_TRUE(readPsdDocument(back, path).isOk());
      ASSERT_EQ(back.layer(0)->kind, kind);
      int bad = 0;
      for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 67; ++x) {
          if (kind == kLayerKind8 && back.layer(0)->pixels8.getPixel(x, y) != doc.layer(0)->pixels8.getPixel(x, y)) ++bad;
          if (kind == kLayerKind1 && back.layer(0)->pixels1.getPixel(x, y) != doc.layer(0)->pixels1.getPixel(x, y)) ++bad;
        }
      EXPECT_EQ(bad, 0);
    }
  }
}

TEST_F(PsdWriterTest, FailedWriteLeavesTheOldFile) {
  Document doc(strings);
  ASSERT_TRUE(doc.newCanvas(10, 10, kLayerKind32));
  Status s = writePsdDocument(doc, dir.file("missing/folder/x.psd"));
  EXPECT_TRUE(s.isFailed());
  EXPECT_FALSE(s.reason().empty());
  const std::string good = dir.file("good.psd");
  std::ofstream(good) << "keep";
  if (std::FILE* full = std::fopen("/dev/full", "w")) {
    std::fclose(full);
    EXPECT_TRUE(writePsdDocument(doc, "/dev/full/x.psd").isFailed());
  }
  EXPECT_EQ(test::readWholeFile(good).size(), 4u);
}

// ImageMagick reads what we write: the layers of a layered file and the pixels of a flat one.
TEST_F(PsdWriterTest, ImageMagickReadsOurFiles) {
  if (std::system("command -v convert >/dev/null 2>&1") != 0) GTEST_SKIP() << "ImageMagick not installed";
  Document doc(strings);
  ASSERT_TRUE(doc.newCanvas(90, 60, kLayerKind32));
  paintRandom(*doc.layer(0), 90, 60, 7, true);
  Layer* a = doc.addLayer32();
  paintRandom(*a, 30, 20, 8, false);
  a->name = "Second";
  const std::string layered = dir.file("layered.psd");
  ASSERT_TRUE(writePsdDocument(doc, layered).isOk());
  const std::string listing = dir.file("list.txt");
  ASSERT_EQ(std::system(("identify -format '%w %h\\n' " + layered + " > " + listing).c_str()), 0);
  std::ifstream in(listing);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  // The merged image first, then one entry per layer.
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "90 60");
  EXPECT_EQ(lines[1], "90 60");
  EXPECT_EQ(lines[2], "30 20");

  Document flat(strings);
  ASSERT_TRUE(flat.newCanvas(77, 31, kLayerKind32));
  paintRandom(*flat.layer(0), 77, 31, 9, true);
  const std::string flatPath = dir.file("flat.psd");
  ASSERT_TRUE(writePsdDocument(flat, flatPath).isOk());
  const std::string ppm = dir.file("flat.ppm");
  ASSERT_EQ(std::system(("convert '" + flatPath + "[0]' -depth 8 PPM:" + ppm).c_str()), 0);
  test::NetpbmImage img = test::readNetpbm(ppm);
  ASSERT_EQ(img.width, 77);
  ASSERT_EQ(img.height, 31);
  int bad = 0;
  for (int y = 0; y < 31; ++y)
    for (int x = 0; x < 77; ++x) {
      int r, g, b;
      img.rgbAt(x, y, r, g, b);
      const Color32 p = flat.layer(0)->pixels32.getPixel(x, y);
      if (uint32_t(r) != ((p >> 16) & 255) || uint32_t(g) != ((p >> 8) & 255) || uint32_t(b) != (p & 255)) ++bad;
    }
  EXPECT_EQ(bad, 0);
}

}  // namespace
}  // namespace kanvo
