#include "document/Document.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "raster/span/SpanOps.h"
#include "support/DocumentState.h"
#include "support/LayerStores.h"
#include "support/ManualClock.h"
#include "support/PointObject.h"
#include "support/RandomImages.h"
#include "support/TiledImages.h"

namespace kanvo {
namespace {

class DocumentTest : public ::testing::Test {
 protected:
  StringTable english{kUiLanguageEnglish};
  test::ManualClock clock;
  Document doc{english, &clock};
};

TEST_F(DocumentTest, SizesAreClampedWorkingImagesFollowAndSerialsCountOn) {
  EXPECT_FALSE(doc.selectLayer(0));  // nothing to select
  using Sizes = std::initializer_list<std::tuple<int32_t, int32_t, int32_t, int32_t>>;
  for (const auto& [w, h, cw, ch] : Sizes{{0, 40000, 1, 32760}, {-7, 100, 1, 100}, {402, 301, 402, 301}}) {
    doc.strokeCoverage.setPixel(0, 0, 9);
    ASSERT_TRUE(doc.setSize(w, h));
    EXPECT_EQ(doc.width(), cw);
    EXPECT_EQ(doc.height(), ch);
    EXPECT_EQ(doc.strokeCoverage.presentTileCount(), 0);  // emptied
    for (const auto* image : {&doc.strokeCoverage, &doc.strokeMask, &doc.currentCopy8, &doc.workMask})
      EXPECT_EQ(std::pair(image->width(), image->height()), std::pair(uint32_t(cw), uint32_t(ch)));
    EXPECT_EQ(std::pair(doc.currentCopy1.width(), doc.strokeColour.height()),
              std::pair(uint32_t(cw), uint32_t(ch)));
    EXPECT_EQ(doc.rowCacheRows.size(), size_t(ch));
  }

  // Initialising keeps the serial numbers counting; a new canvas is untitled.
  ASSERT_NE(doc.newCanvas(64, 64, kLayerKind32), nullptr);
  ASSERT_TRUE(doc.initialise(30, 20));
  EXPECT_EQ(std::pair(doc.layerCount(), doc.currentLayerIndex()), std::pair(0, -1));
  ASSERT_EQ(doc.selectionCount(), 1);
  EXPECT_EQ(doc.selection(0)->mask.width(), 30u);
  EXPECT_EQ(doc.selection(0)->pyramid.level(1).width(), 14u);
  doc.name = u"picture";
  ASSERT_NE(doc.newCanvas(100, 100, kLayerKind8), nullptr);
  EXPECT_EQ(doc.name, u"Untitled");
  EXPECT_EQ(std::pair(doc.layer(0)->name, doc.layer(0)->serial), std::pair(std::string("Layer2"), 2));
}

// Random additions, removals, exchanges and choices of layers and selections against a model of
// the lists: order, the current index, the flags, the serial numbers and names, the current copy.
TEST_F(DocumentTest, ListsFollowTheirRules) {
  std::mt19937 rng(4);
  ASSERT_NE(doc.newCanvas(70, 50, kLayerKind8), nullptr);
  std::vector<Layer*> layers{doc.layer(0)};
  std::vector<uint8_t> flags{1};
  int32_t current = 0, serial = 1;
  std::vector<Selection*> selections{doc.selection(0)};
  int32_t currentSelection = 0;
  bool reachedLimit = false, reachedNothing = false;
  auto oneFlag = [&] { std::fill(flags.begin(), flags.end(), 0), flags[size_t(current)] = 1; };
  for (int step = 0; step < 1000; ++step) {
    const int32_t count = int32_t(layers.size());
    const int32_t a = test::randomIn(rng, -2, count + 1), b = test::randomIn(rng, -1, count);
    const bool valid = a >= 0 && a < count;
    uint32_t op = rng() % 8;
    if (step >= 600 && op < 3) op = 3;  // grow to the limit, then shrink to nothing
    switch (op) {
      case 0:
      case 1:
      case 2: {
        const int32_t kind = int32_t(rng() % 5);  // 4 is no kind
        int32_t index = -1;
        Layer* layer = doc.addLayer(kind, &index);
        ASSERT_EQ(layer == nullptr, count == 64 || kind == 4);
        if (layer == nullptr) break;
        ASSERT_EQ(index, current + 1);
        layers.insert(layers.begin() + index, layer);
        flags.insert(flags.begin() + index, 0);
        current = index;
        oneFlag();
        EXPECT_EQ(layer->name, "Layer" + std::to_string(++serial));
        EXPECT_EQ(layer->kind, kind);
        EXPECT_EQ(layer->storeWidth(), kind == kLayerKindVector ? 0u : 70u);
        test::withStore(
            *layer, [&](auto& store) { store.setPixel(5, 5, uint8_t(kind == kLayerKind1 ? 1 : serial)); });
        doc.layerChanged(*layer, 5, 5, 1, 1);
        break;
      }
      case 3:
        ASSERT_EQ(doc.removeLayer(a), valid);
        if (!valid) break;
        layers.erase(layers.begin() + a);
        flags.erase(flags.begin() + a);
        if (current >= count - 1) current = std::max(current - 1, count == 1 ? -1 : 0);
        if (current >= 0) oneFlag();
        break;
      case 4: {
        const bool ok = valid && b >= 0 && b < count;
        ASSERT_EQ(doc.swapLayers(a, b), ok);
        if (!ok) break;
        std::swap(layers[size_t(a)], layers[size_t(b)]);
        std::swap(flags[size_t(a)], flags[size_t(b)]);  // the flags travel, the index stays
        ASSERT_EQ(doc.layerSelected(), flags);
        doc.selectLayer(current);  // as the commands do after an exchange
        oneFlag();
        break;
      }
      case 5:
        doc.strokeCoverage.setPixel(1, 1, 50);
        ASSERT_EQ(doc.selectLayer(a), count > 0);
        if (count == 0) break;
        current = std::clamp(a, 0, count - 1);
        oneFlag();
        EXPECT_EQ(doc.strokeCoverage.presentTileCount(), 0);
        break;
      default: {
        const int32_t n = int32_t(selections.size()), i = test::randomIn(rng, -1, n);
        if (rng() % 4 < (step < 600 ? 3u : 1u)) {  // more additions, then more removals
          Selection* added = doc.addSelection();
          ASSERT_EQ(added == nullptr, n == 16);
          if (added != nullptr) selections.push_back(added);
        } else {
          ASSERT_EQ(doc.removeSelection(i), i >= 0 && i < n && n > 1);
          if (i >= 0 && i < n && n > 1) selections.erase(selections.begin() + i);
          if (currentSelection >= int32_t(selections.size())) --currentSelection;
        }
        doc.setCurrentSelection(i);
        if (i >= 0 && i < int32_t(selections.size())) currentSelection = i;
      }
    }
    ASSERT_EQ(doc.layerCount(), int32_t(layers.size()));
    for (size_t i = 0; i < layers.size(); ++i) ASSERT_EQ(doc.layer(int32_t(i)), layers[i]) << step;
    ASSERT_EQ(doc.currentLayerIndex(), current);
    ASSERT_EQ(doc.layerSelected(), flags);
    ASSERT_EQ(doc.layerSerial(), serial);
    ASSERT_EQ(doc.selectionCount(), int32_t(selections.size()));
    for (size_t i = 0; i < selections.size(); ++i) ASSERT_EQ(doc.selection(int32_t(i)), selections[i]);
    ASSERT_EQ(doc.currentSelectionIndex(), currentSelection);
    ASSERT_EQ(doc.selectionFlags().size(), selections.size());
    // The tools paint from the current copy: it holds the current layer's pixels.
    if (const Layer* layer = doc.currentLayer(); layer != nullptr && layer->isRaster()) {
      const uint32_t copy = layer->kind == kLayerKind32  ? doc.currentCopy32.getPixel(5, 5)
                            : layer->kind == kLayerKind8 ? doc.currentCopy8.getPixel(5, 5)
                                                         : doc.currentCopy1.getPixel(5, 5);
      ASSERT_EQ(copy, test::storePixel(*layer, 5, 5)) << step;
    }
    reachedLimit = reachedLimit || count == 64;
    reachedNothing = reachedNothing || count == 0;
  }
  EXPECT_TRUE(reachedLimit && reachedNothing);
}

// Combined, blue, green and red counts of the non-transparent pixels of the present tiles.
TEST_F(DocumentTest, HistogramsAreRebuiltWhenAChangedLayerStopsBeingCurrent) {
  ASSERT_NE(doc.newCanvas(100, 100, kLayerKind32), nullptr);
  Layer* top = doc.addLayer32();
  top->pixels32.setPixel(5, 5, makeColor(10, 20, 30, 255));
  top->pixels32.setPixel(6, 5, makeColor(10, 10, 10, 0));
  clock.now = 1234;
  doc.layerChanged(*top, 5, 5, 2, 1);
  EXPECT_EQ(std::tuple(top->staleSince, top->histograms.counts[0][10]),
            std::tuple(1234u, 0u));  // not yet counted
  ASSERT_TRUE(doc.selectLayer(0));
  const auto& counts = top->histograms.counts;
  EXPECT_EQ(std::tuple(top->histogramsStale, counts[0][10], counts[0][20], counts[1][10], counts[2][20],
                       counts[3][30], counts[3][0]),
            std::tuple(0, 1u, 1u, 1u, 1u, 1u, 0u));
  Layer* grey = doc.addLayer8();
  grey->pixels8.setPixel(0, 0, 7);
  grey->rebuildHistograms();
  EXPECT_EQ(std::tuple(grey->histograms.counts[0][7], grey->histograms.counts[0][0]),
            std::tuple(1u, 64u * 64u - 1u));
}

TEST_F(DocumentTest, LayerChangedUpdatesReducedImagesAndTheClippedDirtyRect) {
  ASSERT_NE(doc.newCanvas(200, 150, kLayerKind32), nullptr);
  Layer* layer = doc.currentLayer();
  layer->setOffset(-64, 10);
  layer->pixels32.setPixel(100, 20, 0xFF0000FFu);
  doc.layerChanged(*layer, 100, 20, 1, 1);
  EXPECT_EQ(doc.modified, 1);
  EXPECT_EQ(layer->pyramid32.level(1).getPixel(50, 10), 0xFF0000FFu);
  const struct {
    Rect changed, dirty;
  } cases[] = {{Rect(100, 20, 1, 1), Rect(36, 30, 1, 1)},
               {Rect(60, 0, 10, 10), Rect(0, 10, 37, 21)},
               {Rect(0, 0, 10, 10), Rect(0, 10, 37, 21)},  // wholly off the canvas
               {Rect(60, 0, 10, 300000), Rect(0, 10, 37, 140)},
               {Rect(250, 20, 50, 1), Rect(0, 10, 200, 140)}};  // reaching past the right edge
  doc.dirtyRect = Rect();
  for (const auto& c : cases) {
    doc.layerChanged(*layer, c.changed.x, c.changed.y, c.changed.width, c.changed.height);
    EXPECT_EQ(doc.dirtyRect, c.dirty);
  }
  doc.modified = 0;
  doc.strokeMask.setPixel(1, 1, 1);
  doc.layerChangedAll(*layer);
  EXPECT_EQ(doc.dirtyRect, Rect(0, 0, 200, 150));
  EXPECT_EQ(doc.modified, 1);
  EXPECT_EQ(doc.strokeMask.presentTileCount(), 0);
}

TEST_F(DocumentTest, LayersAtPoint) {
  ASSERT_NE(doc.newCanvas(300, 200, kLayerKind32), nullptr);
  Layer* colour = doc.layer(0);
  colour->pixels32.setPixel(10, 10, 0x01000000u);
  colour->pixels32.setPixel(11, 10, 0x00FFFFFFu);  // alpha 0: empty
  Layer* grey = doc.addLayer8();
  grey->setOffset(-64, 0);
  grey->pixels8.setPixel(74, 10, 3);
  Layer* ink = doc.addLayer1();
  ink->pixels1.setPixel(10, 10, 1);
  ink->opacity = 0;
  Layer* vector = doc.addLayer(kLayerKindVector);
  ASSERT_NE(vector->insertStroke(std::make_unique<test::PointObject>(10, 7), 0), nullptr);

  std::vector<int32_t> hits{99};
  EXPECT_FALSE(doc.layersAtPoint(300, 10, hits));
  EXPECT_FALSE(doc.layersAtPoint(-1, 10, hits));
  EXPECT_EQ(hits, (std::vector<int32_t>{99}));  // untouched outside the canvas
  EXPECT_TRUE(doc.layersAtPoint(10, 10, hits));
  EXPECT_EQ(hits, (std::vector<int32_t>{0, 1}));  // no renderer: the vector layer has nothing
  test::PointRenderer renderer;
  doc.setVectorRenderer(&renderer);
  EXPECT_TRUE(doc.layersAtPoint(10, 7, hits));
  EXPECT_EQ(hits, (std::vector<int32_t>{3}));
  EXPECT_FALSE(doc.layersAtPoint(11, 7, hits));
  EXPECT_TRUE(hits.empty());
  vector->setOffset(0, 3);
  EXPECT_TRUE(doc.layersAtPoint(10, 10, hits));
  EXPECT_EQ(hits, (std::vector<int32_t>{0, 1, 3}));
  vector->stroke(0)->visible = 0;
  colour->visible = 0;
  EXPECT_TRUE(doc.layersAtPoint(10, 10, hits));
  EXPECT_EQ(hits, (std::vector<int32_t>{1}));
}

TEST_F(DocumentTest, StrokeListLimit) {
  Layer layer;
  layer.kind = kLayerKindVector;
  for (int32_t i = 0; i < 1024; ++i)
    ASSERT_NE(layer.insertStroke(std::make_unique<test::PointObject>(i, 0), i), nullptr);
  EXPECT_EQ(layer.insertStroke(std::make_unique<test::PointObject>(0, 0), 0), nullptr);
}

TEST_F(DocumentTest, NewFromImageCopiesThePicture) {
  Image32 picture(130, 70);
  std::mt19937 rng(5);
  test::fillRandomBytes(picture, rng);
  Layer* layer = doc.newFromImage(picture);
  ASSERT_NE(layer, nullptr);
  EXPECT_EQ(doc.layerCount(), 1);
  EXPECT_EQ(doc.currentLayer(), layer);
  EXPECT_TRUE(test::samePixels(doc.currentCopy32, picture));
  EXPECT_EQ(layer->pyramid32.level(1).getPixel(3, 4), picture.getPixel(6, 8));
  EXPECT_EQ(layer->thumbnail.picture().height(), 26);
  Image32 none;
  none.releasePixels();
  EXPECT_EQ(doc.newFromImage(none), nullptr);
  EXPECT_EQ(doc.width(), 130);  // unchanged
}

TEST_F(DocumentTest, AssignMakesAnIndependentDeepCopy) {
  ASSERT_NE(doc.newCanvas(150, 100, kLayerKind32), nullptr);
  doc.layer(0)->pixels32.setPixel(140, 90, 0xFF123456u);
  doc.layer(0)->setOffset(-64, 0);
  Layer* grey = doc.addLayer8();
  grey->pixels8.setPixel(4, 4, 200);
  ASSERT_TRUE(grey->setTone(1, 30));
  doc.addLayer(kLayerKindVector)->insertStroke(std::make_unique<test::PointObject>(4, 0), 0);
  doc.selection(0)->mask.setPixel(2, 2, 255);
  doc.resolution = 300;
  ASSERT_TRUE(doc.selectLayer(1));

  Document copy(english);
  ASSERT_TRUE(copy.assign(doc));
  EXPECT_EQ(test::documentState(copy), test::documentState(doc));
  EXPECT_EQ(copy.resolution, 300);
  EXPECT_EQ(copy.layer(0)->document, &copy);
  EXPECT_TRUE(copy.layer(1)->halftone.isBuilt());
  EXPECT_EQ(copy.currentCopy8.getPixel(4, 4), 200);
  EXPECT_EQ(copy.selection(0)->outline, doc.selection(0)->outline);
  ASSERT_EQ(copy.layer(2)->strokeCount(), 1);
  EXPECT_NE(copy.layer(2)->stroke(0), doc.layer(2)->stroke(0));
  copy.layer(0)->pixels32.setPixel(140, 90, 0);
  EXPECT_EQ(doc.layer(0)->pixels32.getPixel(140, 90), 0xFF123456u);
  EXPECT_TRUE(copy.assign(copy));
  EXPECT_EQ(copy.layerCount(), 3);
}

TEST_F(DocumentTest, ToneModeBuildsAndReleasesTheHalftoneImage) {
  ASSERT_NE(doc.newCanvas(100, 80, kLayerKind8), nullptr);
  Layer* layer = doc.layer(0);
  for (int32_t x = 0; x < 100; ++x) layer->pixels8.setPixel(x, 3, uint8_t(x * 2));
  EXPECT_TRUE(layer->setTone(1, 2));
  EXPECT_EQ(layer->toneLines, 5);
  ASSERT_TRUE(layer->halftone.isBuilt());
  const int32_t n2 = 2 * layer->halftone.cellSize();
  for (int32_t x = 0; x < 100; ++x)
    EXPECT_EQ(layer->pixels1.getPixel(x, 3), layer->halftone.tone(x * 2)->getPixel(x % n2, 3 % n2)) << x;
  layer->pixels8.setPixel(10, 60, 255);  // reaches the halftone image through layerChanged
  doc.layerChanged(*layer, 10, 60, 1, 1);
  EXPECT_EQ(layer->pixels1.getPixel(10, 60), 1);
  EXPECT_TRUE(layer->setTone(0, 60));
  EXPECT_FALSE(layer->halftone.isBuilt());
  EXPECT_EQ(layer->pixels1.width(), 0u);
  EXPECT_FALSE(doc.addLayer32()->setTone(1, 60));
}

TEST_F(DocumentTest, ThumbnailsKeepTheAspectAndShowTheLayerWhereItLies) {
  using Sizes = std::initializer_list<std::tuple<int32_t, int32_t, int32_t, int32_t>>;
  for (const auto& [w, h, tw, th] :
       Sizes{{512, 512, 50, 50}, {1000, 10, 50, 1}, {1, 32760, 1, 50}, {300, 400, 37, 50}}) {
    int32_t outW, outH;
    Thumbnail::sizeFor(w, h, outW, outH);
    EXPECT_EQ(std::pair(outW, outH), std::pair(tw, th)) << w << " x " << h;
  }
  ASSERT_NE(doc.newCanvas(100, 100, kLayerKind32), nullptr);
  Layer* layer = doc.layer(0);
  layer->pixels32.setPixel(20, 40, 0x80FF0000u);
  ASSERT_TRUE(layer->rebuildThumbnail());  // thumbnail pixel (10, 20) samples canvas (20, 40)
  EXPECT_EQ(layer->thumbnail.picture().getPixel(10, 20), 0x80FF0000u);
  EXPECT_EQ(layer->thumbnail.mask().getPixel(10, 20), 0x80);
  EXPECT_EQ(layer->thumbnail.mask().getPixel(11, 20), 0);
  ASSERT_TRUE(layer->moveContent(-20, 0));
  ASSERT_TRUE(layer->rebuildThumbnail());
  EXPECT_EQ(layer->thumbnail.picture().getPixel(0, 20), 0x80FF0000u);
  EXPECT_EQ(layer->thumbnail.picture().getPixel(10, 20), 0u);
}

// Every edge between pixels that differ in being selected, the canvas border counting as
// unselected, compared with a pixel-by-pixel scan.
TEST(SelectionTest, OutlineMatchesAPlainScan) {
  for (uint32_t seed = 1; seed <= 6; ++seed) {
    std::mt19937 rng(seed);
    Selection selection;
    const int32_t w = test::randomIn(rng, 1, 200), h = test::randomIn(rng, 1, 200);
    ASSERT_TRUE(selection.resize(w, h));
    for (int i = 0; i < 6; ++i) {
      selection.mask.fillRect(SpanParams{kOpCopy, 255, uint8_t(rng() % 3 == 0 ? 0 : 1 + rng() % 255)},
                              test::randomIn(rng, -20, w), test::randomIn(rng, -20, h),
                              test::randomIn(rng, 1, 140), test::randomIn(rng, 1, 140));
    }
    selection.rebuildOutline();
    auto sel = [&](int32_t x, int32_t y) {
      return x >= 0 && y >= 0 && x < w && y < h && selection.mask.getPixel(x, y) != 0;
    };
    std::set<std::tuple<int32_t, int32_t, int>> expected, actual;
    for (int32_t y = 0; y <= h; ++y)
      for (int32_t x = 0; x <= w; ++x) {
        if (y < h && sel(x, y) != sel(x - 1, y)) expected.insert({x, y, 1});
        if (x < w && sel(x, y) != sel(x, y - 1)) expected.insert({x, y, 0});
      }
    for (const SelectionEdge& e : selection.outline) actual.insert({e.x, e.y, e.orientation});
    EXPECT_EQ(actual.size(), selection.outline.size()) << "duplicate edges";
    EXPECT_EQ(actual, expected) << "seed " << seed;
  }
}

}  // namespace
}  // namespace kanvo
