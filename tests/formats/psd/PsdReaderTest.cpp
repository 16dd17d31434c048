// Reading PSD files written by ImageMagick and GIMP, and damaged ones.
#include "formats/psd/PsdReader.h"

#include <gtest/gtest.h>

#include "document/Document.h"
#include "formats/CompositeRows.h"
#include "strings/StringTable.h"
#include "support/ImageMagick.h"
#include "support/TempDir.h"

namespace kanvo {
namespace {

std::string corpus(const std::string& name) {
  return std::string(KANVO_CORPUS_DIR) + "/" + name;
}

// The layer's pixel at layer-local (x, y) of a PSD layer whose rectangle starts at (left, top).
Color32 localPixel(const Layer& layer, int left, int top, int x, int y) {
  return layer.pixels32.getPixel(left + x - layer.offsetX, top + y - layer.offsetY);
}

class PsdReaderTest : public ::testing::Test {
 protected:
  std::unique_ptr<Document> read(const std::string& file, Status::Code outcome = Status::kOk) {
    auto doc = std::make_unique<Document>(strings);
    Status s = readPsdDocument(*doc, corpus(file));
    EXPECT_EQ(s.code(), outcome) << file << ": " << s.reason();
    return doc;
  }
  StringTable strings{kUiLanguageEnglish};
};

// One-layer files (32 bpp, 8 bpp shown as 255 - coverage, 1 bpp as ink) against the writer's
// own rendering of them, pixel for pixel.
TEST_F(PsdReaderTest, FlatFilesMatchTheirReferencesExactly) {
  const std::pair<const char*, int32_t> files[] = {
      {"psd_flat_rgb_raw_64x64.psd", kLayerKind32},
      {"psd_flat_rgb_rle_257x131.psd", kLayerKind32},
      {"psd_flat_rgb_rle_1x1.psd", kLayerKind32},
      {"psd_flat_rgb_rle_1500x1000.psd", kLayerKind32},
      {"psd_nolayers_rgb_rle_257x131.psd", kLayerKind32},
      {"psd_nolayers_gray_rle_64x48.psd", kLayerKind8},
      {"psd_nolayers_bitmap_raw_64x48.psd", kLayerKind1},
      {"psd_nolayers_indexed16_rle_64x48.psd", kLayerKind32},
      {"psd_indexed16_rle_64x48.psd", kLayerKind32},
      {"psd_bitmap_raw_64x48.psd", kLayerKind1},
      {"psd_bitmap_rle_33x20.psd", kLayerKind1},
  };
  for (const auto& [file, kind] : files) {
    SCOPED_TRACE(file);
    auto doc = read(file);
    const test::NetpbmImage ref = test::readNetpbm(corpus(std::string(file) + ".ref.ppm"));
    ASSERT_EQ(doc->layerCount(), 1);
    ASSERT_EQ(doc->width(), ref.width);
    ASSERT_EQ(doc->height(), ref.height);
    const Layer& layer = *doc->layer(0);
    ASSERT_EQ(layer.kind, kind);
    int mismatches = 0;
    for (int y = 0; y < ref.height; ++y)
      for (int x = 0; x < ref.width; ++x) {
        int r, g, b,
            v = kind == kLayerKind8            ? 255 - layer.pixels8.getPixel(x, y)
                : layer.pixels1.getPixel(x, y) ? 0
                                               : 255;
        ref.rgbAt(x, y, r, g, b);
        mismatches +=
            (kind == kLayerKind32 ? layer.pixels32.getPixel(x, y) : rgba(v, v, v, 255)) != rgba(r, g, b, 255);
      }
    EXPECT_EQ(mismatches, 0);
  }
}

TEST_F(PsdReaderTest, LayeredFilesKeepLayersNamesAndOffsets) {
  for (const char* file : {"psd_layered_rgba_rle_100x70.psd", "psd_layered_rgba_raw_100x70.psd"}) {
    SCOPED_TRACE(file);
    auto doc = read(file);
    const bool rle = std::string(file).find("rle") != std::string::npos;
    const std::vector<std::string> names = {"Background", "Soft Blob", "Red Circle", "Half-alpha bar"};
    ASSERT_EQ(doc->layerCount(), rle ? 4 : 3);
    for (int i = 0; i < doc->layerCount(); ++i) {
      const Layer& layer = *doc->layer(i);
      EXPECT_EQ(layer.name, names[size_t(i)]);
      EXPECT_EQ(std::make_tuple(layer.opacity, layer.visible, layer.reservedFlag, layer.blendMode),
                std::make_tuple(255, 1, 1, kBlendNormal));
    }
    EXPECT_EQ(localPixel(*doc->layer(0), 0, 0, 0, 0), rgba(237, 198, 0, 255));
    EXPECT_EQ(localPixel(*doc->layer(0), 0, 0, 99, 69), rgba(125, 0, 113, 255));
    // Partly above and left of the canvas: negative offsets, nothing lost.
    EXPECT_LT(doc->layer(1)->offsetX, 0);
    EXPECT_LT(doc->layer(1)->offsetY, 0);
    EXPECT_EQ(alphaOf(localPixel(*doc->layer(1), -12, -8, 0, 0)), 0);
    if (rle) {
      EXPECT_EQ(localPixel(*doc->layer(3), 20, 30, 59, 9), rgba(0, 200, 0, 128));
    }
  }
  auto transparent = read("psd_layered_transparent_canvas_40x30.psd");  // a negative layer count
  ASSERT_EQ(transparent->layerCount(), 2);
  EXPECT_EQ(transparent->layer(1)->name, "B");
  auto gimp = read("gimp_group_rle_32x32.psd");
  ASSERT_EQ(gimp->layerCount(), 4);
  EXPECT_EQ(gimp->resolution, 300);
  EXPECT_EQ(localPixel(*gimp->layer(0), -20, -10, 0, 0), rgba(167, 88, 76, 255));
  EXPECT_EQ(localPixel(*gimp->layer(0), -20, -10, 89, 59), rgba(189, 227, 206, 255));
  EXPECT_EQ(localPixel(*gimp->layer(2), 5, 5, 19, 19), rgba(255, 255, 0, 255));
}

// GIMP shows the masked layer only where its mask is white; the document must show the same
// coverage (GIMP merges colours in linear light, so only alpha is compared exactly).
TEST_F(PsdReaderTest, LayerMasksCoverAsTheWriterShowedThem) {
  auto doc = read("gimp_layermask_raw_48x40.psd");
  EXPECT_EQ(doc->layerCount(), 2);
  const test::NetpbmImage ref = test::readNetpbm(corpus("gimp_layermask_raw_48x40.psd.ref.pam"));
  ASSERT_EQ(ref.channels, 4);
  ASSERT_EQ(doc->width(), ref.width);
  ASSERT_EQ(doc->height(), ref.height);
  Image32 flat(doc->width(), doc->height());
  ASSERT_TRUE(doc->flatten(flat, exportCompositeOptions(0)));
  int transparentInside = 0;
  for (int y = 0; y < ref.height; ++y)
    for (int x = 0; x < ref.width; ++x) {
      const int want = ref.samples[(size_t(y) * ref.width + x) * 4 + 3];
      ASSERT_LE(std::abs(alphaOf(flat.getPixel(x, y)) - want), 1) << x << "," << y;
      transparentInside += want == 0;
    }
  EXPECT_GT(transparentInside, 0);  // the mask really hides something
}

// ImageMagick writes as many layers as it is given; a document holds 64.
TEST_F(PsdReaderTest, LayersPastTheLastADocumentHoldsAreLeftOutAndTheRestRead) {
  ASSERT_TRUE(test::haveImageMagick()) << "ImageMagick's convert is needed (scripts/setup.sh installs it)";
  test::TempDir dir;
  std::string command = "convert -size 20x20 xc:white";
  for (int i = 1; i <= 70; ++i)
    command += " \\( -size 20x20 xc:'rgb(" + std::to_string(i * 3) + ",100,50)' -set label L" +
               std::to_string(i) + " \\)";
  const std::string path = dir.file("many.psd");
  ASSERT_EQ(std::system((command + " -depth 8 -compress RLE " + path).c_str()), 0);
  Document doc(strings);
  Status s = readPsdDocument(doc, path);
  ASSERT_TRUE(s.isPartial()) << s.reason();
  EXPECT_NE(s.reason().find("the top 6 were left out"), std::string::npos) << s.reason();
  ASSERT_EQ(doc.layerCount(), Document::kMaxLayers);
  for (int i = 0; i < Document::kMaxLayers; ++i) {
    EXPECT_EQ(doc.layer(i)->name,
              std::string("L").append(std::to_string(i + 1)));  // "L" + ... trips GCC 12's -Wrestrict
    EXPECT_EQ(doc.layer(i)->pixels32.getPixel(10, 10), rgba((i + 1) * 3, 100, 50, 255)) << i;
  }
}

TEST_F(PsdReaderTest, UnsupportedAndTruncatedFilesAreRefusedSafely) {
  read("psd_zipchannels_rgb_64x48.psd", Status::kPartial);
  read("psd_depth16_rle_33x20.psd", Status::kFailed);
  Document missing(strings);
  EXPECT_TRUE(readPsdDocument(missing, "/nonexistent/x.psd").isFailed());
  // Cut short anywhere before the end of the layer section (62 + 4 + 29165 bytes; the merged
  // image after it is not needed): never ok, and what was read has the canvas and a layer.
  const std::vector<uint8_t> bytes = test::readWholeFile(corpus("psd_layered_rgba_rle_100x70.psd"));
  const size_t layersEnd = 62 + 4 + 29165;
  for (size_t n = 0; n < bytes.size(); n += 97) {
    Document doc(strings);
    Status s = readPsdDocument(doc, bytes.data(), n);
    EXPECT_EQ(s.isOk(), n >= layersEnd) << n;
    if (n >= 26 && !s.isFailed()) {
      EXPECT_EQ(doc.width(), 100) << n;
      EXPECT_GE(doc.layerCount(), 1) << n;
    }
  }
}

}  // namespace
}  // namespace kanvo
