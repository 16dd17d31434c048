#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "document/Document.h"
#include "support/RandomImages.h"
#include "support/TiledImages.h"

namespace kanvo {
namespace {

using test::FlatOf;

class CountingProgress : public Progress {
 public:
  void report(int32_t done, int32_t total) override { calls.push_back({done, total}); }
  std::vector<std::pair<int32_t, int32_t>> calls;
};

// Everything the references need of a layer before the operation: its store as a plain
// image, its offset and its kind.
struct Snapshot {
  int32_t kind = 0, offsetX = 0, offsetY = 0;
  std::unique_ptr<Image32> p32;
  std::unique_ptr<Image8> p8;
  std::unique_ptr<Image1> p1;
  int32_t width() const { return p32 ? p32->width() : p8 ? p8->width() : p1->width(); }
  int32_t height() const { return p32 ? p32->height() : p8 ? p8->height() : p1->height(); }
  uint32_t get(int64_t x, int64_t y) const {
    if (x < 0 || y < 0 || x >= width() || y >= height()) return 0;
    return p32 ? p32->getPixel(int32_t(x), int32_t(y)) : p8 ? p8->getPixel(int32_t(x), int32_t(y)) : uint32_t(p1->getPixel(int32_t(x), int32_t(y)));
  }
};

Snapshot snapshot(const Layer& layer) {
  Snapshot s;
  s.kind = layer.kind;
  s.offsetX = layer.offsetX;
  s.offsetY = layer.offsetY;
  if (layer.kind == kLayerKind32) test::copyToFlat(layer.pixels32, *(s.p32 = std::make_unique<Image32>()));
  if (layer.kind == kLayerKind8) test::copyToFlat(layer.pixels8, *(s.p8 = std::make_unique<Image8>()));
  if (layer.kind == kLayerKind1) test::copyToFlat(layer.pixels1, *(s.p1 = std::make_unique<Image1>()));
  return s;
}

uint32_t storePixel(const Layer& layer, int32_t x, int32_t y) {
  switch (layer.kind) {
    case kLayerKind32: return layer.pixels32.getPixel(x, y);
    case kLayerKind8: return layer.pixels8.getPixel(x, y);
    default: return uint32_t(layer.pixels1.getPixel(x, y));
  }
}

// Three layers of each raster kind with random content; one moved so that its store has its
// own size and a negative offset, one with an offset set directly.
void makeDocument(Document& doc, std::mt19937& rng, int32_t w, int32_t h) {
  ASSERT_NE(doc.newCanvas(w, h, kLayerKind32), nullptr);
  test::fillRandomTiles(doc.layer(0)->pixels32, rng);
  Layer* grey = doc.addLayer8();
  test::fillRandomTiles(grey->pixels8, rng);
  ASSERT_TRUE(grey->moveContent(-37, 21));
  Layer* ink = doc.addLayer1();
  test::fillRandomTiles(ink->pixels1, rng);
  ink->setOffset(13, -9);
  Layer* colour = doc.addLayer32();
  test::fillRandomTiles(colour->pixels32, rng);
  ASSERT_TRUE(colour->moveContent(70, -130));
  doc.selection(0)->mask.fillRect(SpanParams{kOpCopy, 255, 200}, 5, 7, 40, 30);
  ASSERT_NE(doc.addSelection(), nullptr);  // an empty one
  doc.selectLayer(1);
}

// The document the whole-document operations start from (makeDocument at a random size) and
// what the references need of it from before the operation: every layer's snapshot and the
// first selection's mask as a plain image.
struct Original {
  int32_t width = 0, height = 0;
  std::vector<Snapshot> layers;
  Image8 mask;
};

void makeOriginal(Document& doc, std::mt19937& rng, Original& out) {
  out.width = test::randomIn(rng, 60, 300);
  out.height = test::randomIn(rng, 60, 300);
  ASSERT_NO_FATAL_FAILURE(makeDocument(doc, rng, out.width, out.height));
  for (int32_t i = 0; i < doc.layerCount(); ++i) out.layers.push_back(snapshot(*doc.layer(i)));
  test::copyToFlat(doc.selection(0)->mask, out.mask);
}

TEST(DocumentResizeTest, ResizeImageStretchesEveryStoreByNearestSampling) {
  for (uint32_t seed = 1; seed <= 4; ++seed) {
    std::mt19937 rng(seed);
    StringTable strings(kUiLanguageEnglish);
    Document doc(strings);
    Original original;
    ASSERT_NO_FATAL_FAILURE(makeOriginal(doc, rng, original));
    const int32_t w = original.width, h = original.height;

    const int32_t nw = test::randomIn(rng, 1, 400), nh = test::randomIn(rng, 1, 400);
    CountingProgress progress;
    ASSERT_TRUE(doc.resizeImage(nw, nh, &progress));
    EXPECT_EQ(doc.busy, 0);
    EXPECT_EQ(progress.calls.size(), 6u);
    EXPECT_EQ(progress.calls.back(), std::make_pair(5, 6));
    ASSERT_EQ(doc.width(), nw);
    ASSERT_EQ(doc.height(), nh);
    EXPECT_EQ(doc.currentLayerIndex(), 1);
    for (int32_t i = 0; i < doc.layerCount(); ++i) {
      const Layer& layer = *doc.layer(i);
      const Snapshot& old = original.layers[size_t(i)];
      SCOPED_TRACE(::testing::Message() << "seed " << seed << " layer " << i);
      // Store sizes and offsets scale by the canvas factors (truncated).
      const int64_t sw = std::max<int64_t>(int64_t(old.width()) * nw / w, 1);
      const int64_t sh = std::max<int64_t>(int64_t(old.height()) * nh / h, 1);
      ASSERT_EQ(layer.storeWidth(), uint32_t(sw));
      ASSERT_EQ(layer.storeHeight(), uint32_t(sh));
      EXPECT_EQ(layer.offsetX, int32_t(int64_t(old.offsetX) * nw / w));
      EXPECT_EQ(layer.offsetY, int32_t(int64_t(old.offsetY) * nh / h));
      const int64_t stepX = (int64_t(old.width()) << 16) / sw, stepY = (int64_t(old.height()) << 16) / sh;
      for (int32_t y = 0; y < sh; ++y)
        for (int32_t x = 0; x < sw; ++x)
          ASSERT_EQ(storePixel(layer, x, y), old.get((x * stepX) >> 16, (y * stepY) >> 16)) << x << ", " << y;
    }
    const int64_t stepX = (int64_t(w) << 16) / nw, stepY = (int64_t(h) << 16) / nh;
    const TiledImage8& newMask = doc.selection(0)->mask;
    ASSERT_EQ(newMask.width(), uint32_t(nw));
    for (int32_t y = 0; y < nh; ++y)
      for (int32_t x = 0; x < nw; ++x)
        ASSERT_EQ(newMask.getPixel(x, y), original.mask.getPixel(int32_t((x * stepX) >> 16), int32_t((y * stepY) >> 16)));
    EXPECT_EQ(doc.selection(1)->mask.presentTileCount(), 0);
    EXPECT_EQ(doc.layer(3)->pyramid32.level(1).width(), pyramidLevelSide(doc.layer(3)->storeWidth(), 1));
  }
}

TEST(DocumentResizeTest, HalfWidthHalvesTheOffsets) {
  StringTable strings(kUiLanguageEnglish);
  Document doc(strings);
  ASSERT_NE(doc.newCanvas(512, 512, kLayerKind32), nullptr);
  doc.layer(0)->setOffset(-128, 64);
  Layer* other = doc.addLayer32();
  other->setOffset(-64, -192);
  ASSERT_TRUE(doc.resizeImage(256, 512));
  EXPECT_EQ(doc.layer(0)->offsetX, -64);
  EXPECT_EQ(doc.layer(0)->offsetY, 64);
  EXPECT_EQ(doc.layer(1)->offsetX, -32);
  EXPECT_EQ(doc.layer(1)->offsetY, -192);
  // A 49-pixel canvas resized to 1 keeps a one-pixel store.
  ASSERT_NE(doc.newCanvas(49, 3, kLayerKind32), nullptr);
  ASSERT_TRUE(doc.resizeImage(1, 3));
  EXPECT_EQ(doc.layer(0)->storeWidth(), 1u);
}

TEST(DocumentResizeTest, CropPlacesTheContentAtMinusTheOrigin) {
  for (uint32_t seed = 7; seed <= 10; ++seed) {
    std::mt19937 rng(seed);
    StringTable strings(kUiLanguageEnglish);
    Document doc(strings);
    Original original;
    ASSERT_NO_FATAL_FAILURE(makeOriginal(doc, rng, original));
    const int32_t w = original.width, h = original.height;

    // Crop or extend: the rectangle may start before the canvas and reach beyond it.
    const Rect rect(test::randomIn(rng, -80, w - 1), test::randomIn(rng, -80, h - 1), test::randomIn(rng, 1, 350),
                    test::randomIn(rng, 1, 350));
    CountingProgress progress;
    ASSERT_TRUE(doc.cropToRect(rect, &progress));
    EXPECT_EQ(progress.calls.size(), 6u);
    EXPECT_EQ(progress.calls.front(), std::make_pair(0, 6));
    ASSERT_EQ(doc.width(), rect.width);
    ASSERT_EQ(doc.height(), rect.height);
    for (int32_t i = 0; i < doc.layerCount(); ++i) {
      const Layer& layer = *doc.layer(i);
      const Snapshot& old = original.layers[size_t(i)];
      SCOPED_TRACE(::testing::Message() << "seed " << seed << " layer " << i);
      EXPECT_EQ(layer.offsetX, 0);
      EXPECT_EQ(layer.offsetY, 0);
      ASSERT_EQ(layer.storeWidth(), uint32_t(rect.width));
      ASSERT_EQ(layer.storeHeight(), uint32_t(rect.height));
      for (int32_t y = 0; y < rect.height; ++y) {
        for (int32_t x = 0; x < rect.width; ++x) {
          uint32_t expected = old.get(int64_t(x) + rect.x - old.offsetX, int64_t(y) + rect.y - old.offsetY);
          // A 32 bpp tile whose pixels all have alpha 0 is dropped.
          if (old.kind == kLayerKind32 && layer.pixels32.tile(x >> 6, y >> 6) == nullptr) expected = 0;
          ASSERT_EQ(storePixel(layer, x, y), expected) << x << ", " << y;
        }
      }
    }
    bool anySelected = false;
    for (int32_t y = 0; y < rect.height; ++y) {
      for (int32_t x = 0; x < rect.width; ++x) {
        ASSERT_EQ(doc.selection(0)->mask.getPixel(x, y), original.mask.getPixel(x + rect.x, y + rect.y));
        anySelected = anySelected || original.mask.getPixel(x + rect.x, y + rect.y) != 0;
      }
    }
    EXPECT_EQ(doc.selection(1)->mask.width(), uint32_t(rect.width));
    EXPECT_EQ(doc.selection(0)->outline.empty(), !anySelected);
  }
}

TEST(DocumentResizeTest, CropMovesVectorObjectsAndSizesVectorLayers) {
  class Point : public VectorObject {
   public:
    std::unique_ptr<VectorObject> clone() const override { return std::make_unique<Point>(*this); }
    void translate(double dx, double dy) override {
      x += dx;
      y += dy;
    }
    double x = 50, y = 60;
  };
  StringTable strings(kUiLanguageEnglish);
  Document doc(strings);
  ASSERT_NE(doc.newCanvas(200, 200, kLayerKindVector), nullptr);
  auto* object = static_cast<Point*>(doc.layer(0)->insertStroke(std::make_unique<Point>(), 0));
  ASSERT_TRUE(doc.cropToRect(Rect(10, -20, 90, 80)));
  EXPECT_EQ(object->x, 40);
  EXPECT_EQ(object->y, 80);
  EXPECT_EQ(doc.layer(0)->vectorWidth, 90);
  EXPECT_EQ(doc.layer(0)->vectorHeight, 80);
}

}  // namespace
}  // namespace kanvo
