// Writing PSD files: the flat and layered forms read back by our reader and by ImageMagick.
#include "formats/psd/PsdWriter.h"

#include <gtest/gtest.h>

#include <random>

#include "document/Document.h"
#include "formats/CompositeRows.h"
#include "formats/Endian.h"
#include "formats/psd/PsdReader.h"
#include "raster/parallel/WorkerPool.h"
#include "strings/StringTable.h"
#include "support/DocumentState.h"
#include "support/ImageMagick.h"
#include "support/TempDir.h"

namespace kanvo {
namespace {

// Runs of equal pixels mixed with noise, so both kinds of packed run appear.
void paintRandom(Layer& layer, int w, int h, uint32_t seed, bool opaque) {
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint32_t v = ((x / 7 + y) % 3 == 0 ? 0x80402010u : rng()) | (opaque ? 0xFF000000u : 0);
      if (layer.kind == kLayerKind32) layer.pixels32.setPixel(x, y, v);
      if (layer.kind == kLayerKind8) layer.pixels8.setPixel(x, y, uint8_t(v));
      if (layer.kind == kLayerKind1) layer.pixels1.setPixel(x, y, uint8_t(v & 1));
    }
  layer.document->layerChangedAll(layer);
}

// The pixel (x, y) of the canvas as a layer shows it, as 32 bpp: 8 and 1 bpp layers give the
// layer colour with their coverage as alpha (their transparent pixels may be of any colour).
Color32 shown(const Layer& layer, int x, int y) {
  x -= layer.offsetX;
  y -= layer.offsetY;
  if (layer.kind == kLayerKind32) return layer.pixels32.getPixel(x, y);
  const uint32_t cover =
      layer.kind == kLayerKind8 ? layer.pixels8.getPixel(x, y) : layer.pixels1.getPixel(x, y) * 255u;
  return cover ? (layer.colour & 0xFFFFFFu) | cover << 24 : 0;
}

class PsdWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(test::haveImageMagick()) << "ImageMagick's convert is needed (scripts/setup.sh installs it)";
  }
  // Writes doc, reads it back, and checks the layers' attributes and pixels over (x0, y0) ...
  // (canvas width, height), and that ImageMagick reads the merged image as the composite over
  // white; returns the file's bytes.
  std::vector<uint8_t> roundTrip(Document& doc, bool rle, int x0, int y0, bool peer = true) {
    const std::string path = dir.file("out.psd");
    Document back(strings);
    EXPECT_TRUE(writePsdDocument(doc, path, rle).isOk());
    EXPECT_TRUE(readPsdDocument(back, path).isOk());
    EXPECT_EQ(std::make_tuple(back.width(), back.height(), back.resolution, back.layerCount()),
              std::make_tuple(doc.width(), doc.height(), doc.resolution, doc.layerCount()));
    for (int i = 0; i < std::min(back.layerCount(), doc.layerCount()); ++i) {
      const Layer &got = *back.layer(i), &want = *doc.layer(i);
      // A name longer than a PSD holds is cut at 255 bytes, never inside a double-byte character;
      // blend modes without a key (inverse) come back normal.
      const int blend = want.blendMode == kBlendInverse ? kBlendNormal : want.blendMode;
      EXPECT_EQ(
          std::make_tuple(got.name, got.opacity, got.visible, got.reservedFlag, got.blendMode),
          std::make_tuple(want.name.substr(0, 254), want.opacity, want.visible, want.reservedFlag, blend));
      EXPECT_EQ(got.kind, doc.layerCount() == 1 ? want.kind : kLayerKind32);
      int bad = 0;
      for (int y = y0; y < doc.height(); ++y)
        for (int x = x0; x < doc.width(); ++x) {
          const Color32 a = shown(got, x, y), b = shown(want, x, y);
          bad += a != b && (want.kind == kLayerKind32 || (alphaOf(a) | alphaOf(b)) != 0);
        }
      EXPECT_EQ(bad, 0) << "layer " << i;
    }
    if (!peer) return test::readWholeFile(path);  // ImageMagick is slow to start
    Image32 flat(doc.width(), doc.height());
    EXPECT_TRUE(doc.flatten(flat, exportCompositeOptions(kOpaqueWhite)));
    const test::NetpbmImage merged = test::imageMagickRead(path + "[0]", dir.file("merged.pam"));
    EXPECT_EQ(std::make_pair(merged.width, merged.height), std::make_pair(doc.width(), doc.height()));
    EXPECT_EQ(test::rgbDifferences(merged, [&](int x, int y) { return flat.getPixel(x, y); }), 0)
        << "merged image";
    const std::string top = path + "[" + std::to_string(doc.layerCount()) + "]";  // read by its row counts
    EXPECT_TRUE(doc.layerCount() == 1 || test::imageMagickRead(top, dir.file("top.pam")).width > 0);
    return test::readWholeFile(path);
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
    ASSERT_TRUE(a->moveContent(-17, -9));  // partly off the canvas, nothing lost
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
    const std::vector<uint8_t> bytes = roundTrip(doc, rle, -17, -9, rle);
    std::string read;
    for (int threads : {1, 2, 5}) {  // the same file and the same document back on any thread count
      parallel::ThreadCountOverride count(threads);
      Document back(strings);
      ASSERT_TRUE(writePsdDocument(doc, dir.file("again.psd"), rle).isOk());
      EXPECT_TRUE(test::readWholeFile(dir.file("again.psd")) == bytes) << threads;
      ASSERT_TRUE(readPsdDocument(back, dir.file("again.psd")).isOk());
      if (threads == 1) read = test::documentState(back);
      EXPECT_TRUE(test::documentState(back) == read) << threads;
    }
  }
}

// One opaque layer is written flat (no layer section), grey and bitmap ones in their own modes;
// one pixel below full alpha makes the file layered.
TEST_F(PsdWriterTest, FlatFilesRoundTripInEveryKind) {
  for (int32_t kind : {kLayerKind32, kLayerKind8, kLayerKind1})
    for (int form = 0; form < 3; ++form) {  // PackBits, raw, PackBits with one translucent pixel
      if (form == 2 && kind != kLayerKind32) continue;
      SCOPED_TRACE(std::to_string(kind) + " form " + std::to_string(form));
      Document doc(strings);
      ASSERT_TRUE(doc.newCanvas(257, 13, kind));
      paintRandom(*doc.layer(0), 257, 13, 6, true);
      if (form == 2) doc.layer(0)->pixels32.setPixel(5, 1, 0xFE112233u);
      const bool peer =
          form == (kind == kLayerKind8 ? 1 : 0);  // ImageMagick reads each kind once, raw or packed
      const std::vector<uint8_t> bytes = roundTrip(doc, form != 1, 0, 0, peer);
      ASSERT_GT(bytes.size(), 80u);
      const uint32_t resources = loadU32BE(&bytes[30]);              // after the empty colour mode data
      EXPECT_EQ(loadU32BE(&bytes[34 + resources]) != 0, form == 2);  // the layer section
    }
}

}  // namespace
}  // namespace kanvo
