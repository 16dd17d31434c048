// Reading PSD files written by ImageMagick and GIMP, and damaged ones.
#include "formats/psd/PsdReader.h"

#include <gtest/gtest.h>

#include "document/Document.h"
#include "formats/CompositeRows.h"
#include "formats/Endian.h"
#include "strings/StringTable.h"
#include "support/ImageMagick.h"
#include "support/Corpus.h"
#include "support/TempDir.h"

namespace kanvo {
namespace {

using test::corpus;

class PsdReaderTest : public ::testing::Test {
 protected:
  std::unique_ptr<Document> read(const std::string& path, Status::Code outcome = Status::kOk) {
    auto doc = std::make_unique<Document>(strings);
    Status s = readPsdDocument(*doc, path);
    EXPECT_EQ(s.code(), outcome) << path << ": " << s.reason();
    return doc;
  }
  StringTable strings{kUiLanguageEnglish};
};

// Every file against the picture its writer showed: one-layer files (8 bpp shown as 255 -
// coverage, 1 bpp as ink) pixel for pixel, layered ones (GIMP's mask hiding part of a layer)
// by the alpha of the composite, as GIMP merges colours in linear light.
TEST_F(PsdReaderTest, FilesMatchTheirWritersPictures) {
  // clang-format off
  const std::pair<const char*, int32_t> files[] = {
      {"psd_flat_rgb_raw_64x64.psd", kLayerKind32},         {"psd_flat_rgb_rle_257x131.psd", kLayerKind32},
      {"psd_flat_rgb_rle_1x1.psd", kLayerKind32},           {"psd_flat_rgb_rle_1500x1000.psd", kLayerKind32},
      {"psd_nolayers_rgb_rle_257x131.psd", kLayerKind32},   {"psd_nolayers_gray_rle_64x48.psd", kLayerKind8},
      {"psd_nolayers_bitmap_raw_64x48.psd", kLayerKind1},   {"psd_nolayers_indexed16_rle_64x48.psd", kLayerKind32},
      {"psd_indexed16_rle_64x48.psd", kLayerKind32},        {"psd_bitmap_raw_64x48.psd", kLayerKind1},
      {"psd_bitmap_rle_33x20.psd", kLayerKind1},            {"gimp_layermask_raw_48x40.psd", -1}};
  // clang-format on
  for (const auto& [file, kind] : files) {
    SCOPED_TRACE(file);
    auto doc = read(corpus(file));
    const test::NetpbmImage ref =
        test::readNetpbm(corpus(std::string(file) + (kind < 0 ? ".ref.pam" : ".ref.ppm")));
    ASSERT_EQ(std::make_tuple(doc->width(), doc->height(), doc->layerCount()),
              std::make_tuple(ref.width, ref.height, kind < 0 ? 2 : 1));
    const Layer& layer = *doc->layer(0);
    EXPECT_EQ(layer.kind, kind < 0 ? kLayerKind32 : kind);
    auto shown = [&](int x, int y) {
      const int v =
          255 - (kind == kLayerKind8 ? layer.pixels8.getPixel(x, y) : layer.pixels1.getPixel(x, y) * 255);
      return kind == kLayerKind32 ? layer.pixels32.getPixel(x, y) : rgba(v, v, v);
    };
    if (kind >= 0) {
      EXPECT_EQ(test::rgbDifferences(ref, shown), 0);
      continue;
    }
    Image32 flat(doc->width(), doc->height());
    ASSERT_TRUE(doc->flatten(flat, exportCompositeOptions(0)));
    int mismatches = 0, hidden = 0;
    for (int i = 0; i < ref.width * ref.height; ++i) {
      const int want = ref.samples[size_t(i) * 4 + 3];
      mismatches += std::abs(alphaOf(flat.getPixel(i % ref.width, i / ref.width)) - want) > 1;
      hidden += want == 0;
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(hidden, 0);  // the mask really hides something
  }
}

// The layer's pixel at layer-local (x, y) of a PSD layer whose rectangle starts at (left, top).
Color32 localPixel(const Layer& layer, int left, int top, int x, int y) {
  return layer.pixels32.getPixel(left + x - layer.offsetX, top + y - layer.offsetY);
}

// Layer records as others write them (names, flags, offsets and pixels also round trip through
// PsdWriterTest): a negative layer count, GIMP's group records and resolution, a layer partly
// above and left of the canvas.
TEST_F(PsdReaderTest, LayerCountsGroupsAndOffsetsOfOtherWriters) {
  auto transparent = read(corpus("psd_layered_transparent_canvas_40x30.psd"));  // a negative layer count
  ASSERT_EQ(transparent->layerCount(), 2);
  EXPECT_EQ(transparent->layer(1)->name, "B");
  auto gimp = read(corpus("gimp_group_rle_32x32.psd"));
  ASSERT_EQ(std::make_pair(gimp->layerCount(), gimp->resolution), std::make_pair(4, 300));
  EXPECT_EQ(localPixel(*gimp->layer(0), -20, -10, 0, 0), rgba(167, 88, 76, 255));
  EXPECT_EQ(localPixel(*gimp->layer(0), -20, -10, 89, 59), rgba(189, 227, 206, 255));
  EXPECT_EQ(localPixel(*gimp->layer(2), 5, 5, 19, 19), rgba(255, 255, 0, 255));
}

// ImageMagick writes as many layers as it is given; a document holds 64.
TEST_F(PsdReaderTest, LayersPastTheLastADocumentHoldsAreLeftOutAndTheRestRead) {
  ASSERT_TRUE(test::haveImageMagick()) << "ImageMagick's convert is needed (scripts/setup.sh installs it)";
  test::TempDir dir;
  std::string command = "convert -size 20x20 xc:white";
  for (int i = 1; i <= 70; ++i)
    command += " \\( -size 20x20 xc:'rgb(" + std::to_string(i * 3) + ",100,50)' -set label L" +
               std::to_string(i) + " \\)";
  ASSERT_EQ(std::system((command + " -depth 8 -compress RLE " + dir.file("many.psd")).c_str()), 0);
  Document doc(strings);
  Status s = readPsdDocument(doc, dir.file("many.psd"));
  EXPECT_NE(s.reason().find("the top 6 were left out"), std::string::npos) << s.reason();
  ASSERT_EQ(std::make_pair(s.code(), doc.layerCount()),
            std::make_pair(Status::kPartial, Document::kMaxLayers));
  for (int i = 0; i < Document::kMaxLayers; ++i) {
    EXPECT_EQ(doc.layer(i)->name, std::string("L").append(std::to_string(i + 1)));  // "L" + ... trips GCC 12
    EXPECT_EQ(doc.layer(i)->pixels32.getPixel(10, 10), rgba((i + 1) * 3, 100, 50, 255)) << i;
  }
}

// Kinds the reader does not take, and files cut short anywhere before the end of their layer
// section (the merged image after it is not needed): never ok, and what was read has the
// canvas and a layer.
TEST_F(PsdReaderTest, UnsupportedAndTruncatedFilesAreRefusedSafely) {
  read(corpus("psd_zipchannels_rgb_64x48.psd"), Status::kPartial);
  read(corpus("psd_depth16_rle_33x20.psd"), Status::kFailed);
  read("/nonexistent/x.psd", Status::kFailed);
  // A raw channel whose recorded length is a byte short of its rows is not read past its data.
  std::vector<uint8_t> shortChannel = test::readWholeFile(corpus("psd_flat_rgb_raw_64x64.psd"));
  shortChannel[88 + 2 + 6 * 2 + 2 + 3] -= 1;  // the last of the three channels' lengths
  Document cut(strings);
  Status s = readPsdDocument(cut, shortChannel.data(), shortChannel.size());
  EXPECT_TRUE(s.isPartial() && s.reason().find("channel data cut short") != std::string::npos) << s.reason();
  for (const char* file : {"psd_layered_rgba_rle_100x70.psd", "psd_layered_rgba_raw_100x70.psd"}) {
    const std::vector<uint8_t> bytes = test::readWholeFile(corpus(file));
    const size_t layersEnd = 62 + 4 + loadU32BE(&bytes[62]);
    for (size_t n = 0; n < bytes.size(); n += 97) {
      Document doc(strings);
      s = readPsdDocument(doc, bytes.data(), n);
      EXPECT_EQ(s.isOk(), n >= layersEnd) << file << " " << n;
      if (n >= 26 && !s.isFailed()) {
        EXPECT_TRUE(doc.width() == 100 && doc.layerCount() >= 1) << n;
      }
    }
  }
}

// One opaque pixel under a layer mask of 128 keeps 128 of its coverage (rounded, not truncated).
TEST_F(PsdReaderTest, ALayerMaskScalesCoverageRounded) {
  std::vector<uint8_t> f = {'8', 'B', 'P', 'S'};
  auto put = [&f](uint64_t v, int n) {
    while (n-- > 0) f.push_back(uint8_t(v >> (8 * n)));
  };
  auto length = [&f](size_t at) { storeU32BE(&f[at], uint32_t(f.size() - at - 4)); };
  put(1, 2), put(0, 6), put(3, 2), put(1, 4), put(1, 4), put(8, 2), put(3, 2);  // 1x1 RGB
  put(0, 4), put(0, 4), put(0, 8), put(1, 2);  // layer section and info lengths set below
  put(0, 8), put(1, 4), put(1, 4), put(5, 2);  // a 1x1 layer with five channels
  for (uint32_t id : {0xFFFFu, 0u, 1u, 2u, 0xFFFEu}) put(id, 2), put(3, 4);
  f.insert(f.end(), {'8', 'B', 'I', 'M', 'n', 'o', 'r', 'm', 255, 0, 0, 0});
  put(32, 4), put(20, 4), put(0, 8), put(1, 4), put(1, 4), put(0, 4);  // mask over the pixel
  put(0, 4), put(0, 4);                                                // no blending ranges, empty name
  for (uint32_t v : {255u, 200u, 100u, 50u, 128u}) put(0, 2), put(v, 1);
  length(38);
  put(0, 4);  // no global mask
  length(34);
  put(0, 2), put(200, 1), put(100, 1), put(50, 1);  // the merged image
  Document doc(strings);
  ASSERT_TRUE(readPsdDocument(doc, f.data(), f.size()).isOk());
  EXPECT_EQ(alphaOf(doc.layer(0)->pixels32.getPixel(0, 0)), 128);
}

}  // namespace
}  // namespace kanvo
