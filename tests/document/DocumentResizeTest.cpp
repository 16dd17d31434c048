// Resizing and cropping the whole document against a copy of it from before: every layer's store
// and every selection's mask, pixel by pixel.
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "document/Document.h"
#include "support/LayerStores.h"
#include "support/PointObject.h"
#include "support/RandomDocuments.h"
#include "support/RecordingProgress.h"

namespace kanvo {
namespace {

using test::randomIn;
using test::storePixel;

// A random document of three more layers (stores of their own sizes and offsets, tone layers
// among them), a selection mask and an empty selection, the second layer current; original
// receives a copy.
void makeDocument(Document& doc, Document& original, std::mt19937& rng) {
  ASSERT_NO_FATAL_FAILURE(test::makeRandomDocument(doc, rng, 300, 300, 3, 60));
  doc.selection(0)->mask.fillRect(test::fillWith(200), 5, 7, 40, 30);
  ASSERT_NE(doc.addSelection(), nullptr);
  doc.selectLayer(1);
  ASSERT_TRUE(original.assign(doc));
}

// Resizing stretches every store and mask by nearest sampling; cropping (or extending) places
// the content at minus the rectangle's origin.
TEST(DocumentResizeTest, ResizeStretchesAndCropPlacesTheContentAtMinusTheOrigin) {
  for (uint32_t seed = 1; seed <= 4; ++seed) {
    std::mt19937 rng(seed);
    StringTable strings(kUiLanguageEnglish);
    Document doc(strings), original(strings), cropped(strings);
    ASSERT_NO_FATAL_FAILURE(makeDocument(doc, original, rng));
    ASSERT_TRUE(cropped.assign(original));
    const int64_t w = doc.width(), h = doc.height();
    const int32_t nw = seed == 1 ? 1 : randomIn(rng, 1, 400), nh = randomIn(rng, 1, 400);
    test::RecordingProgress progress;
    ASSERT_TRUE(doc.resizeImage(nw, nh, &progress));
    EXPECT_EQ(doc.busy, 0);
    EXPECT_EQ(progress.calls.size(), 6u);  // after each layer and selection
    EXPECT_EQ(progress.calls.back(), std::make_pair(5, 6));
    ASSERT_EQ(std::pair(doc.width(), doc.height()), std::pair(nw, nh));
    EXPECT_EQ(doc.currentLayerIndex(), 1);
    for (int32_t i = 0; i < doc.layerCount(); ++i) {
      const Layer &layer = *doc.layer(i), &old = *original.layer(i);
      SCOPED_TRACE(::testing::Message() << "seed " << seed << " layer " << i);
      // Store sizes and offsets scale by the canvas factors (truncated); a store keeps a pixel.
      const int64_t sw = std::max<int64_t>(old.storeWidth() * nw / w, 1),
                    sh = std::max<int64_t>(old.storeHeight() * nh / h, 1);
      ASSERT_EQ(int64_t(layer.storeWidth()), sw);
      ASSERT_EQ(int64_t(layer.storeHeight()), sh);
      EXPECT_EQ(layer.offsetX, old.offsetX * nw / w);
      EXPECT_EQ(layer.offsetY, old.offsetY * nh / h);
      const int64_t stepX = (int64_t(old.storeWidth()) << 16) / sw,
                    stepY = (int64_t(old.storeHeight()) << 16) / sh;
      for (int32_t y = 0; y < sh; ++y)
        for (int32_t x = 0; x < sw; ++x)
          ASSERT_EQ(storePixel(layer, x, y), storePixel(old, (x * stepX) >> 16, (y * stepY) >> 16))
              << x << ", " << y;
    }
    const int64_t stepX = (w << 16) / nw, stepY = (h << 16) / nh;
    for (int32_t y = 0; y < nh; ++y)
      for (int32_t x = 0; x < nw; ++x)
        ASSERT_EQ(
            doc.selection(0)->mask.getPixel(x, y),
            original.selection(0)->mask.getPixel(int32_t((x * stepX) >> 16), int32_t((y * stepY) >> 16)));
    EXPECT_EQ(doc.selection(1)->mask.presentTileCount(), 0);
    EXPECT_EQ(doc.layer(0)->pyramid32.level(1).width(), pyramidLevelSide(doc.layer(0)->storeWidth(), 1));

    // The rectangle may start before the canvas and reach beyond it.
    const Rect rect(randomIn(rng, -80, int32_t(w) - 1), randomIn(rng, -80, int32_t(h) - 1),
                    randomIn(rng, 1, 350), randomIn(rng, 1, 350));
    progress.calls.clear();
    ASSERT_TRUE(cropped.cropToRect(rect, &progress));
    EXPECT_EQ(progress.calls.front(), std::make_pair(0, 6));
    ASSERT_EQ(std::pair(cropped.width(), cropped.height()), std::pair(rect.width, rect.height));
    for (int32_t i = 0; i < cropped.layerCount(); ++i) {
      const Layer &layer = *cropped.layer(i), &old = *original.layer(i);
      SCOPED_TRACE(::testing::Message() << "seed " << seed << " layer " << i);
      EXPECT_EQ(std::tuple(layer.offsetX, layer.offsetY, layer.storeWidth(), layer.storeHeight()),
                std::tuple(0, 0, uint32_t(rect.width), uint32_t(rect.height)));
      for (int32_t y = 0; y < rect.height; ++y)
        for (int32_t x = 0; x < rect.width; ++x) {
          uint32_t expected =
              storePixel(old, int64_t(x) + rect.x - old.offsetX, int64_t(y) + rect.y - old.offsetY);
          // A 32 bpp tile whose pixels all have alpha 0 is dropped.
          if (old.kind == kLayerKind32 && layer.pixels32.tile(x >> 6, y >> 6) == nullptr) expected = 0;
          ASSERT_EQ(storePixel(layer, x, y), expected) << x << ", " << y;
        }
    }
    bool anySelected = false;
    for (int32_t y = 0; y < rect.height; ++y)
      for (int32_t x = 0; x < rect.width; ++x) {
        const uint8_t was = original.selection(0)->mask.getPixel(x + rect.x, y + rect.y);
        ASSERT_EQ(cropped.selection(0)->mask.getPixel(x, y), was);
        anySelected = anySelected || was != 0;
      }
    EXPECT_EQ(cropped.selection(1)->mask.width(), uint32_t(rect.width));
    EXPECT_EQ(cropped.selection(0)->outline.empty(), !anySelected);
  }
}

TEST(DocumentResizeTest, CropMovesVectorObjectsAndSizesVectorLayers) {
  StringTable strings(kUiLanguageEnglish);
  Document doc(strings);
  ASSERT_NE(doc.newCanvas(200, 200, kLayerKindVector), nullptr);
  auto* object = static_cast<test::PointObject*>(
      doc.layer(0)->insertStroke(std::make_unique<test::PointObject>(50, 60), 0));
  ASSERT_TRUE(doc.cropToRect(Rect(10, -20, 90, 80)));
  EXPECT_EQ(std::pair(object->x, object->y), std::pair(40.0, 80.0));
  EXPECT_EQ(std::pair(doc.layer(0)->vectorWidth, doc.layer(0)->vectorHeight), std::pair(90, 80));
}

}  // namespace
}  // namespace kanvo
