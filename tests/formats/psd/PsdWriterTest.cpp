// Writing PSD files: the flat and layered forms read back by our reader and by ImageMagick.
#include "formats/psd/PsdWriter.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "document/Document.h"
#include "formats/CompositeRows.h"
#include "formats/psd/PsdReader.h"
#include "strings/StringTable.h"
#include "support/ImageMagick.h"
#include "support/TempDir.h"

namespace kanvo {
namespace {

uint32_t be32(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}

// The canvas pixel (x, y) of a 32 bpp layer.
Color32 canvasPixel(const Layer& layer, int x, int y) {
  return layer.pixels32.getPixel(x - layer.offsetX, y - layer.offsetY);
}

void paintRandom(Layer& layer, int w, int h, uint32_t seed, bool opaque) {
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      // Runs of equal pixels mixed with noise, so both kinds of packed run appear.
      uint32_t v = (x / 7 + y) % 3 == 0 ? 0x80402010u : rng();
      if (opaque) v |= 0xFF000000u;
      if (layer.kind == kLayerKind32) layer.pixels32.setPixel(x, y, v);
      if (layer.kind == kLayerKind8) layer.pixels8.setPixel(x, y, uint8_t(v));
      if (layer.kind == kLayerKind1) layer.pixels1.setPixel(x, y, uint8_t(v & 1));
    }
  layer.document->layerChangedAll(layer);
}

class PsdWriterTest : public ::testing::Test {
 protected:
  std::unique_ptr<Document> readBack(const std::string& path) {
    auto doc = std::make_unique<Document>(strings);
    Status s = readPsdDocument(*doc, path);
    EXPECT_TRUE(s.isOk()) << s.reason();
    return doc;
  }
  StringTable strings{kUiLanguageEnglish};
  test::TempDir dir;
};

TEST_F(PsdWriterTest, LayeredRoundTripKeepsLayersAndPixels) {
  for (bool rle : {true, false}) {
    SCOPED_TRACE(rle ? "PackBits" : "raw");
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
    for (int k = 0; k < 130; ++k) c->name += "\x83\x40";  // 260 bytes of two-byte characters
    const std::string path = dir.file("layered.psd");
    ASSERT_TRUE(writePsdDocument(doc, path, rle).isOk());

    auto back = readBack(path);
    ASSERT_EQ(back->layerCount(), 4);
    EXPECT_EQ(back->width(), 131);
    EXPECT_EQ(back->height(), 70);
    EXPECT_EQ(back->resolution, doc.resolution);
    const int blends[] = {kBlendNormal, kBlendMultiply, kBlendAdd, kBlendNormal};  // inverse has no key
    for (int i = 0; i < 4; ++i) {
      const Layer &got = *back->layer(i), &want = *doc.layer(i);
      // A name longer than a PSD holds is cut at 255 bytes, never inside a double-byte character.
      EXPECT_EQ(got.name, want.name.substr(0, 254));
      EXPECT_EQ(std::make_tuple(got.opacity, got.visible, got.reservedFlag, got.blendMode),
                std::make_tuple(want.opacity, want.visible, want.reservedFlag, blends[i]));
    }
    int bad = 0;
    for (int y = -9; y < 70; ++y)
      for (int x = -17; x < 131; ++x) {
        bad += canvasPixel(*back->layer(1), x, y) != canvasPixel(*a, x, y);
        if (x < 0 || y < 0) continue;
        bad += canvasPixel(*back->layer(0), x, y) != doc.layer(0)->pixels32.getPixel(x, y);
        // 8 and 1 bpp layers: the layer colour with the coverage as alpha.
        const uint8_t cov = b->pixels8.getPixel(x, y);
        const Color32 got8 = canvasPixel(*back->layer(2), x, y);
        bad += cov ? got8 != ((b->colour & 0xFFFFFFu) | uint32_t(cov) << 24) : alphaOf(got8) != 0;
        bad += alphaOf(canvasPixel(*back->layer(3), x, y)) != (c->pixels1.getPixel(x, y) ? 255 : 0);
      }
    EXPECT_EQ(bad, 0);
    EXPECT_LT(back->layer(1)->offsetX, 0);
  }
}

// One opaque layer is written flat (no layer section); one pixel below full alpha makes the
// file layered. Grey and bitmap documents are flat in their own modes.
TEST_F(PsdWriterTest, FlatFilesRoundTripInEveryKind) {
  struct Case {
    int32_t kind;
    bool rle, oneTranslucentPixel;
    int channels, depth, mode;
  };
  const Case cases[] = {{kLayerKind32, true, false, 3, 8, 3}, {kLayerKind32, true, true, 3, 8, 3},
                        {kLayerKind8, true, false, 1, 8, 1},  {kLayerKind8, false, false, 1, 8, 1},
                        {kLayerKind1, true, false, 1, 1, 0},  {kLayerKind1, false, false, 1, 1, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.kind) + (c.rle ? " PackBits" : " raw") +
                 (c.oneTranslucentPixel ? " translucent" : ""));
    Document doc(strings);
    ASSERT_TRUE(doc.newCanvas(257, 13, c.kind));
    paintRandom(*doc.layer(0), 257, 13, 6, true);
    if (c.oneTranslucentPixel) doc.layer(0)->pixels32.setPixel(5, 1, 0xFE112233u);
    const std::string path = dir.file("flat.psd");
    ASSERT_TRUE(writePsdDocument(doc, path, c.rle).isOk());
    const std::vector<uint8_t> bytes = test::readWholeFile(path);
    ASSERT_GT(bytes.size(), 76u);
    EXPECT_EQ(bytes[13], c.channels);
    EXPECT_EQ(bytes[23], c.depth);
    EXPECT_EQ(bytes[25], c.mode);
    EXPECT_EQ(be32(bytes, 30 + 4 + be32(bytes, 30)) != 0, c.oneTranslucentPixel);  // the layer section
    auto back = readBack(path);
    ASSERT_EQ(back->layerCount(), 1);
    const Layer &got = *back->layer(0), &want = *doc.layer(0);
    ASSERT_EQ(got.kind, c.kind);
    int bad = 0;
    for (int y = 0; y < 13; ++y)
      for (int x = 0; x < 257; ++x) {
        if (c.kind == kLayerKind32) bad += got.pixels32.getPixel(x, y) != want.pixels32.getPixel(x, y);
        if (c.kind == kLayerKind8) bad += got.pixels8.getPixel(x, y) != want.pixels8.getPixel(x, y);
        if (c.kind == kLayerKind1) bad += got.pixels1.getPixel(x, y) != want.pixels1.getPixel(x, y);
      }
    EXPECT_EQ(bad, 0);
  }
}

// ImageMagick reads what we write: the layers of a layered file, and the merged image (the
// composite over white) of it and of a flat one.
TEST_F(PsdWriterTest, ImageMagickReadsOurFiles) {
  ASSERT_TRUE(test::haveImageMagick()) << "ImageMagick's convert is needed (scripts/setup.sh installs it)";
  Document doc(strings);
  ASSERT_TRUE(doc.newCanvas(90, 60, kLayerKind32));
  paintRandom(*doc.layer(0), 90, 60, 7, true);
  const std::string flatPath = dir.file("flat.psd"), layered = dir.file("layered.psd");
  ASSERT_TRUE(writePsdDocument(doc, flatPath).isOk());
  Layer* a = doc.addLayer32();
  paintRandom(*a, 30, 20, 8, false);
  ASSERT_TRUE(writePsdDocument(doc, layered).isOk());

  const std::string listing = dir.file("list.txt");
  ASSERT_EQ(std::system(("identify -format '%w %h\\n' " + layered + " > " + listing).c_str()), 0);
  std::ifstream in(listing);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  EXPECT_EQ(lines, (std::vector<std::string>{"90 60", "90 60", "30 20"}));  // merged image, then layers

  for (const std::string& path : {flatPath, layered}) {
    SCOPED_TRACE(path);
    Document check(strings);
    ASSERT_TRUE(readPsdDocument(check, path).isOk());
    Image32 flat(90, 60);
    ASSERT_TRUE(check.flatten(flat, exportCompositeOptions(kOpaqueWhite)));
    const test::NetpbmImage img = test::imageMagickRead(path + "[0]", dir.file("merged.pam"));
    ASSERT_EQ(img.width, 90);
    ASSERT_EQ(img.height, 60);
    int bad = 0;
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 90; ++x) {
        int r, g, b;
        img.rgbAt(x, y, r, g, b);
        bad += rgba(r, g, b, 255) != flat.getPixel(x, y);
      }
    EXPECT_EQ(bad, 0);
  }
}

}  // namespace
}  // namespace kanvo
