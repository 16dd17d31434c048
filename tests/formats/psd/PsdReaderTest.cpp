// Reading PSD files written by ImageMagick and GIMP, and damaged ones.
#include "formats/psd/PsdReader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "document/Document.h"
#include "formats/CompositeRows.h"
#include "strings/StringTable.h"
#include "support/Netpbm.h"
#include "support/TempDir.h"

namespace kanvo {
namespace {

std::string corpus(const std::string& name) { return std::string(KANVO_CORPUS_DIR) + "/" + name; }

// The layer's pixel at layer-local (x, y) of a PSD layer whose rectangle starts at (left, top).
Color32 localPixel(const Layer& layer, int left, int top, int x, int y) {
  return layer.pixels32.getPixel(left + x - layer.offsetX, top + y - layer.offsetY);
}

uint32_t rgba(int r, int g, int b, int a) { return uint32_t(b) | uint32_t(g) << 8 | uint32_t(r) << 16 | uint32_t(a) << 24; }

// Compares a one-layer document's pixels (32, 8 or 1 bpp, as shown over white) with a reference.
void expectMatchesReference(const Document& doc, const std::string& ref) {
  test::NetpbmImage img = test::readNetpbm(corpus(ref));
  ASSERT_FALSE(img.empty());
  ASSERT_EQ(doc.width(), img.width);
  ASSERT_EQ(doc.height(), img.height);
  const Layer& layer = *doc.layer(0);
  int mismatches = 0;
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x) {
      int r, g, b;
      img.rgbAt(x, y, r, g, b);
      uint32_t got;
      if (layer.kind == kLayerKind32) got = layer.pixels32.getPixel(x, y);
      else if (layer.kind == kLayerKind8) {
        int v = 255 - layer.pixels8.getPixel(x, y);
        got = rgba(v, v, v, 255);
      } else {
        int v = layer.pixels1.getPixel(x, y) ? 0 : 255;
        got = rgba(v, v, v, 255);
      }
      if (got != rgba(r, g, b, 255)) ++mismatches;
    }
  EXPECT_EQ(mismatches, 0) << ref;
}

class PsdReaderTest : public ::testing::Test {
 protected:
  StringTable strings{kUiLanguageEnglish};
};

TEST_F(PsdReaderTest, FlatFilesMatchTheirReferencesExactly) {
  const char* files[] = {"psd_flat_rgb_raw_64x64.psd", "psd_flat_rgb_rle_257x131.psd", "psd_flat_rgb_rle_1x1.psd",
                         "psd_flat_rgb_rle_1500x1000.psd", "psd_nolayers_rgb_rle_257x131.psd",
                         "psd_nolayers_gray_rle_64x48.psd", "psd_nolayers_bitmap_raw_64x48.psd",
                         "psd_nolayers_indexed16_rle_64x48.psd", "psd_bitmap_raw_64x48.psd",
                         "psd_bitmap_rle_33x20.psd"};
  for (const char* f : files) {
    Document doc(strings);
    Status s = readPsdDocument(doc, corpus(f));
    ASSERT_TRUE(s.isOk()) << f << ": " << s.reason();
    ASSERT_EQ(doc.layerCount(), 1) << f;
    expectMatchesReference(doc, std::string(f) + ".ref.ppm");
  }
  Document gray(strings), bitmap(strings);
  ASSERT_TRUE(readPsdDocument(gray, corpus("psd_nolayers_gray_rle_64x48.psd")).isOk());
  EXPECT_EQ(gray.layer(0)->kind, kLayerKind8);
  ASSERT_TRUE(readPsdDocument(bitmap, corpus("psd_nolayers_bitmap_raw_64x48.psd")).isOk());
  EXPECT_EQ(bitmap.layer(0)->kind, kLayerKind1);
}

TEST_F(PsdReaderTest, LayeredFileKeepsLayersNamesAndOffsets) {
  for (const char* f : {"psd_layered_rgba_rle_100x70.psd", "psd_layered_rgba_raw_100x70.psd"}) {
    Document doc(strings);
    Status s = readPsdDocument(doc, corpus(f));
    ASSERT_TRUE(s.isOk()) << s.reason();
    const bool rle = std::string(f).find("rle") != std::string::npos;
    ASSERT_EQ(doc.layerCount(), rle ? 4 : 3) << s.reason();
    EXPECT_EQ(doc.layer(0)->name, "Background");
    EXPECT_EQ(doc.layer(1)->name, "Soft Blob");
    EXPECT_EQ(doc.layer(2)->name, "Red Circle");
    if (rle) {
      EXPECT_EQ(doc.layer(3)->name, "Half-alpha bar");
    }
    for (int i = 0; i < doc.layerCount(); ++i) {
      EXPECT_EQ(doc.layer(i)->opacity, 255);
      EXPECT_EQ(doc.layer(i)->visible, 1);
      EXPECT_EQ(doc.layer(i)->reservedFlag, 1);
      EXPECT_EQ(doc.layer(i)->blendMode, kBlendNormal);
    }
    EXPECT_EQ(localPixel(*doc.layer(0), 0, 0, 0, 0), rgba(237, 198, 0, 255));
    EXPECT_EQ(localPixel(*doc.layer(0), 0, 0, 99, 69), rgba(125, 0, 113, 255));
    // Partly above and left of the canvas: negative offsets, nothing lost.
    EXPECT_LT(doc.layer(1)->offsetX, 0);
    EXPECT_LT(doc.layer(1)->offsetY, 0);
    EXPECT_EQ(localPixel(*doc.layer(1), -12, -8, 0, 0) >> 24, 0u);
    if (!rle) continue;
    EXPECT_EQ(localPixel(*doc.layer(3), 20, 30, 0, 0), rgba(0, 200, 0, 128));
    EXPECT_EQ(localPixel(*doc.layer(3), 20, 30, 59, 9), rgba(0, 200, 0, 128));
  }
}

TEST_F(PsdReaderTest, NegativeLayerCountAndGimpFiles) {
  Document doc(strings);
  ASSERT_TRUE(readPsdDocument(doc, corpus("psd_layered_transparent_canvas_40x30.psd")).isOk());
  ASSERT_EQ(doc.layerCount(), 2);
  EXPECT_EQ(doc.layer(1)->name, "B");

  Document gimp(strings);
  ASSERT_TRUE(readPsdDocument(gimp, corpus("gimp_group_rle_32x32.psd")).isOk());
  ASSERT_EQ(gimp.layerCount(), 4);
  EXPECT_EQ(gimp.resolution, 300);
  EXPECT_EQ(localPixel(*gimp.layer(0), -20, -10, 0, 0), rgba(167, 88, 76, 255));
  EXPECT_EQ(localPixel(*gimp.layer(0), -20, -10, 89, 59), rgba(189, 227, 206, 255));
  EXPECT_EQ(localPixel(*gimp.layer(2), 5, 5, 19, 19), rgba(255, 255, 0, 255));

  Document masked(strings);
  ASSERT_TRUE(readPsdDocument(masked, corpus("gimp_layermask_raw_48x40.psd")).isOk());
  EXPECT_EQ(masked.layerCount(), 2);
}

TEST_F(PsdReaderTest, IndexedLayersShowTheirPaletteColours) {
  Document doc(strings);
  ASSERT_TRUE(readPsdDocument(doc, corpus("psd_indexed16_rle_64x48.psd")).isOk());
  ASSERT_EQ(doc.layerCount(), 1);
  expectMatchesReference(doc, "psd_indexed16_rle_64x48.psd.ref.ppm");
}

// GIMP shows the masked layer only where its mask is white; the document must show the same
// coverage (GIMP merges colours in linear light, so only alpha is compared exactly).
TEST_F(PsdReaderTest, LayerMasksCoverAsTheWriterShowedThem) {
  Document doc(strings);
  ASSERT_TRUE(readPsdDocument(doc, corpus("gimp_layermask_raw_48x40.psd")).isOk());
  test::NetpbmImage ref = test::readNetpbm(corpus("gimp_layermask_raw_48x40.psd.ref.pam"));
  ASSERT_EQ(ref.channels, 4);
  ASSERT_EQ(doc.width(), ref.width);
  ASSERT_EQ(doc.height(), ref.height);
  Image32 flat(doc.width(), doc.height());
  ASSERT_TRUE(doc.flatten(flat, exportCompositeOptions(0)));
  int transparentInside = 0;
  for (int y = 0; y < ref.height; ++y)
    for (int x = 0; x < ref.width; ++x) {
      const int want = ref.samples[(size_t(y) * ref.width + x) * 4 + 3];
      const int got = int(flat.getPixel(x, y) >> 24);
      ASSERT_LE(std::abs(got - want), 1) << x << "," << y;
      if (want == 0) ++transparentInside;
    }
  EXPECT_GT(transparentInside, 0);  // the mask really hides something
}

// ImageMagick writes as many layers as it is given; a document holds 64.
TEST_F(PsdReaderTest, LayersPastTheLastADocumentHoldsAreLeftOutAndTheRestRead) {
  if (std::system("command -v convert >/dev/null 2>&1") != 0) GTEST_SKIP() << "ImageMagick not installed";
  test::TempDir dir;
  std::string command = "convert -size 20x20 xc:white";
  for (int i = 1; i <= 70; ++i)
    command += " \\( -size 20x20 xc:'rgb(" + std::to_string(i * 3) + ",100,50)' -set label L" + std::to_string(i) + " \\)";
  const std::string path = dir.file("many.psd");
  ASSERT_EQ(std::system((command + " -depth 8 -compress RLE " + path).c_str()), 0);
  Document doc(strings);
  Status s = readPsdDocument(doc, path);
  ASSERT_TRUE(s.isPartial()) << s.reason();
  EXPECT_NE(s.reason().find("the top 6 were left out"), std::string::npos) << s.reason();
  ASSERT_EQ(doc.layerCount(), Document::kMaxLayers);
  for (int i = 0; i < Document::kMaxLayers; ++i) {
    EXPECT_EQ(doc.layer(i)->name, std::string("L").append(std::to_string(i + 1)));
    EXPECT_EQ(doc.layer(i)->pixels32.getPixel(10, 10), rgba((i + 1) * 3, 100, 50, 255)) << i;
  }
}

TEST_F(PsdReaderTest, UnsupportedFilesAreRefusedSafely) {
  for (const char* f : {"psd_zipchannels_rgb_64x48.psd", "psd_depth16_rle_33x20.psd"}) {
    Document doc(strings);
    Status s = readPsdDocument(doc, corpus(f));
    EXPECT_FALSE(s.isOk()) << f;
  }
  Document doc(strings);
  EXPECT_TRUE(readPsdDocument(doc, "/nonexistent/x.psd").isFailed());
}

TEST_F(PsdReaderTest, EveryTruncationIsSafe) {
  std::ifstream in(corpus("psd_layered_rgba_rle_100x70.psd"), std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(bytes.size(), 1000u);
  test::TempDir dir;
  const std::string path = dir.file("cut.psd");
  // The layer section ends at 62 + 4 + 29165; the merged image after it is not needed.
  const size_t layersEnd = 62 + 4 + 29165;
  for (size_t n = 0; n < bytes.size(); n += 97) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(n));
    Document doc(strings);
    Status s = readPsdDocument(doc, path);
    if (n < layersEnd) {
      EXPECT_FALSE(s.isOk()) << n;
    } else {
      EXPECT_TRUE(s.isOk()) << n;
    }
    if (n >= 26 && !s.isFailed()) {
      EXPECT_EQ(doc.width(), 100);
      EXPECT_GE(doc.layerCount(), 1);
    }
  }
}

}  // namespace
}  // namespace kanvo
