#include "document/Document.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "strings/Cp932.h"
#include "support/ManualClock.h"
#include "support/TiledImages.h"

namespace kanvo {
namespace {

class DocumentTest : public ::testing::Test {
 protected:
  StringTable english{kUiLanguageEnglish};
  test::ManualClock clock;
  Document doc{english, &clock};
};

TEST_F(DocumentTest, ConstructedDefaults) {
  EXPECT_EQ(doc.width(), 10);
  EXPECT_EQ(doc.height(), 10);
  EXPECT_EQ(doc.resolution, 600);
  EXPECT_EQ(doc.modified, 0);
  EXPECT_EQ(doc.name, u"Untitled");
  EXPECT_EQ(doc.layerSerial(), 0);
  EXPECT_EQ(doc.layerCount(), 0);
  EXPECT_EQ(doc.currentLayerIndex(), -1);
  EXPECT_EQ(doc.currentLayer(), nullptr);
  EXPECT_FALSE(doc.selectLayer(0));  // nothing to select

  Layer layer;
  EXPECT_EQ(layer.kind, kLayerKind32);
  EXPECT_EQ(layer.blendMode, kBlendNormal);
  EXPECT_EQ(layer.visible, 1);
  EXPECT_EQ(layer.opacity, 255);
  EXPECT_EQ(layer.colour, 0xFF000000u);
  EXPECT_EQ(layer.locked, 0);
  EXPECT_EQ(layer.toneMode, 0);
  EXPECT_EQ(layer.toneLines, 60);
  EXPECT_EQ(layer.vectorWidth, 1);
  EXPECT_EQ(layer.vectorHeight, 1);
}

TEST_F(DocumentTest, SizesAreClampedAndWorkingImagesFollow) {
  ASSERT_TRUE(doc.initialise(0, 40000));
  EXPECT_EQ(doc.width(), 1);
  EXPECT_EQ(doc.height(), 32760);
  ASSERT_TRUE(doc.setSize(-7, 100));
  EXPECT_EQ(doc.width(), 1);
  ASSERT_TRUE(doc.setSize(402, 301));
  EXPECT_EQ(doc.strokeCoverage.width(), 402u);
  EXPECT_EQ(doc.strokeColour.height(), 301u);
  EXPECT_EQ(doc.currentCopy1.width(), 402u);
  EXPECT_EQ(doc.workMask.height(), 301u);
  EXPECT_EQ(doc.rowCacheRows.size(), 301u);
  EXPECT_EQ(doc.preview.width(), 100);
  EXPECT_EQ(doc.preview.height(), 75);
  // A working image is emptied by a new size.
  doc.strokeCoverage.setPixel(3, 3, 9);
  ASSERT_TRUE(doc.setSize(50, 50));
  EXPECT_EQ(doc.strokeCoverage.presentTileCount(), 0);
}

TEST_F(DocumentTest, InitialiseEmptiesListsAndCreatesSelectionZero) {
  ASSERT_NE(doc.newCanvas(64, 64, kLayerKind32), nullptr);
  ASSERT_NE(doc.addLayer32(), nullptr);
  ASSERT_TRUE(doc.initialise(30, 20));
  EXPECT_EQ(doc.layerCount(), 0);
  EXPECT_EQ(doc.currentLayerIndex(), -1);
  EXPECT_TRUE(doc.layerSelected().empty());
  ASSERT_EQ(doc.selectionCount(), 1);
  EXPECT_EQ(doc.selection(0)->mask.width(), 30u);
  EXPECT_EQ(doc.selection(0)->mask.height(), 20u);
  EXPECT_EQ(doc.selection(0)->pyramid.level(1).width(), 14u);
  EXPECT_EQ(doc.selectionFlags().size(), 1u);
  EXPECT_EQ(doc.layerSerial(), 2);  // never reset
}

TEST_F(DocumentTest, LayerNamesCountOverTheLifeOfTheDocument) {
  ASSERT_NE(doc.newCanvas(512, 512, kLayerKind32), nullptr);
  ASSERT_NE(doc.addLayer32(), nullptr);
  EXPECT_EQ(doc.layer(0)->name, "Layer1");
  EXPECT_EQ(doc.layer(1)->name, "Layer2");
  EXPECT_EQ(doc.name, u"Untitled");
  doc.name = u"picture";
  ASSERT_NE(doc.newCanvas(100, 100, kLayerKind32), nullptr);
  EXPECT_EQ(doc.name, u"Untitled");
  ASSERT_NE(doc.addLayer32(), nullptr);
  ASSERT_NE(doc.newCanvas(100, 100, kLayerKind8), nullptr);
  ASSERT_EQ(doc.layerCount(), 1);
  EXPECT_EQ(doc.layer(0)->name, "Layer5");
  EXPECT_EQ(doc.layer(0)->serial, 5);
  EXPECT_EQ(doc.layer(0)->kind, kLayerKind8);
  EXPECT_EQ(doc.layerSerial(), 5);

  // Japanese names: the text of id 62 in that language, then the number.
  StringTable japanese{kUiLanguageJapanese};
  Document jp(japanese);
  ASSERT_NE(jp.newCanvas(8, 8, kLayerKind32), nullptr);
  EXPECT_EQ(cp932ToUtf8(jp.layer(0)->name), "レイヤー1");
}

TEST_F(DocumentTest, AddLayerInsertsAboveTheCurrentOneUpToSixtyFour) {
  ASSERT_TRUE(doc.initialise(40, 40));
  int32_t index = -1;
  Layer* first = doc.addLayer32(&index);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(index, 0);
  Layer* second = doc.addLayer8(&index);
  EXPECT_EQ(index, 1);
  ASSERT_TRUE(doc.selectLayer(0));
  Layer* third = doc.addLayer1(&index);
  EXPECT_EQ(index, 1);
  EXPECT_EQ(doc.currentLayerIndex(), 1);
  EXPECT_EQ(doc.layer(0), first);
  EXPECT_EQ(doc.layer(1), third);
  EXPECT_EQ(doc.layer(2), second);
  EXPECT_EQ(third->kind, kLayerKind1);
  EXPECT_EQ(third->pixels1.width(), 40u);
  EXPECT_EQ(third->pixels32.width(), 0u);
  EXPECT_EQ(second->pixels8.height(), 40u);
  EXPECT_EQ(doc.layerSelected(), (std::vector<uint8_t>{0, 1, 0}));

  while (doc.layerCount() < Document::kMaxLayers) ASSERT_NE(doc.addLayer32(), nullptr);
  const int32_t current = doc.currentLayerIndex();
  const int32_t serial = doc.layerSerial();
  EXPECT_EQ(doc.addLayer32(), nullptr);
  EXPECT_EQ(doc.addLayer(kLayerKindVector), nullptr);
  EXPECT_EQ(doc.layerCount(), 64);
  EXPECT_EQ(doc.currentLayerIndex(), current);
  EXPECT_EQ(doc.layerSerial(), serial);
  EXPECT_EQ(doc.addLayer(7), nullptr);
}

TEST_F(DocumentTest, SelectLayerClampsAndKeepsOneFlag) {
  ASSERT_NE(doc.newCanvas(70, 70, kLayerKind32), nullptr);
  ASSERT_NE(doc.addLayer32(), nullptr);
  ASSERT_NE(doc.addLayer32(), nullptr);
  EXPECT_TRUE(doc.selectLayer(-5));
  EXPECT_EQ(doc.currentLayerIndex(), 0);
  EXPECT_TRUE(doc.selectLayer(doc.layerCount() + 3));
  EXPECT_EQ(doc.currentLayerIndex(), 2);
  EXPECT_EQ(doc.layerSelected(), (std::vector<uint8_t>{0, 0, 1}));
}

TEST_F(DocumentTest, SelectingTakesTheCurrentCopyAndEmptiesTheStrokeImages) {
  ASSERT_NE(doc.newCanvas(100, 90, kLayerKind32), nullptr);
  Layer* bottom = doc.layer(0);
  bottom->pixels32.setPixel(70, 5, 0x80112233u);
  Layer* ink = doc.addLayer1();
  ink->pixels1.setPixel(3, 80, 1);
  doc.strokeCoverage.setPixel(1, 1, 50);
  doc.strokeColour.setPixel(1, 1, 50);
  ASSERT_TRUE(doc.selectLayer(0));
  EXPECT_EQ(doc.currentCopy32.getPixel(70, 5), 0x80112233u);
  EXPECT_EQ(doc.strokeCoverage.presentTileCount(), 0);
  EXPECT_EQ(doc.strokeColour.presentTileCount(), 0);
  ASSERT_TRUE(doc.selectLayer(1));
  EXPECT_EQ(doc.currentCopy1.getPixel(3, 80), 1);
}

TEST_F(DocumentTest, HistogramsAreRebuiltWhenAChangedLayerStopsBeingCurrent) {
  ASSERT_NE(doc.newCanvas(100, 100, kLayerKind32), nullptr);
  ASSERT_NE(doc.addLayer32(), nullptr);
  Layer* top = doc.layer(1);
  top->pixels32.setPixel(5, 5, makeColor(10, 20, 30, 255));
  top->pixels32.setPixel(6, 5, makeColor(10, 10, 10, 0));  // transparent: not counted
  clock.now = 1234;
  doc.layerChanged(*top, 5, 5, 2, 1);
  EXPECT_EQ(top->histogramsStale, 1);
  EXPECT_EQ(top->staleSince, 1234u);
  EXPECT_EQ(top->histograms.counts[0][10], 0u);  // not yet counted
  ASSERT_TRUE(doc.selectLayer(0));
  EXPECT_EQ(top->histogramsStale, 0);
  EXPECT_EQ(top->histograms.counts[0][10], 1u);
  EXPECT_EQ(top->histograms.counts[0][20], 1u);
  EXPECT_EQ(top->histograms.counts[1][10], 1u);  // blue
  EXPECT_EQ(top->histograms.counts[2][20], 1u);  // green
  EXPECT_EQ(top->histograms.counts[3][30], 1u);  // red
  EXPECT_EQ(top->histograms.counts[3][0], 0u);

  Layer* grey = doc.addLayer8();
  grey->pixels8.setPixel(0, 0, 7);
  grey->rebuildHistograms();
  EXPECT_EQ(grey->histograms.counts[0][7], 1u);
  EXPECT_EQ(grey->histograms.counts[0][0], 64u * 64u - 1u);  // one present tile inside the canvas
}

TEST_F(DocumentTest, LayerChangedUpdatesCopyDirtyRectAndReducedImages) {
  ASSERT_NE(doc.newCanvas(200, 150, kLayerKind32), nullptr);
  Layer* layer = doc.currentLayer();
  layer->setOffset(-64, 10);
  layer->pixels32.setPixel(100, 20, 0xFF0000FFu);
  doc.layerChanged(*layer, 100, 20, 1, 1);
  EXPECT_EQ(doc.modified, 1);
  EXPECT_EQ(doc.currentCopy32.getPixel(100, 20), 0xFF0000FFu);
  EXPECT_EQ(doc.dirtyRect, Rect(36, 30, 1, 1));
  EXPECT_EQ(layer->pyramid32.level(1).getPixel(50, 10), 0xFF0000FFu);
  // A rectangle lying partly off the canvas is clipped before joining the dirty rectangle.
  doc.layerChanged(*layer, 60, 0, 10, 10);
  EXPECT_EQ(doc.dirtyRect, Rect(0, 10, 37, 21));
  doc.layerChanged(*layer, 0, 0, 10, 10);  // wholly off the canvas
  EXPECT_EQ(doc.dirtyRect, Rect(0, 10, 37, 21));
  doc.layerChanged(*layer, 60, 0, 10, 300000);
  EXPECT_EQ(doc.dirtyRect, Rect(0, 10, 37, 140));

  doc.dirtyRect = Rect();
  doc.modified = 0;
  doc.strokeMask.setPixel(1, 1, 1);
  doc.layerChangedAll(*layer);
  EXPECT_EQ(doc.dirtyRect, Rect(0, 0, 200, 150));
  EXPECT_EQ(doc.modified, 1);
  EXPECT_EQ(doc.strokeMask.presentTileCount(), 0);
}

TEST_F(DocumentTest, SwapAndRemoveFollowTheListRules) {
  ASSERT_NE(doc.newCanvas(64, 64, kLayerKind32), nullptr);
  ASSERT_NE(doc.addLayer32(), nullptr);
  ASSERT_NE(doc.addLayer32(), nullptr);
  Layer* a = doc.layer(0);
  Layer* c = doc.layer(2);
  EXPECT_TRUE(doc.swapLayers(0, 2));
  EXPECT_EQ(doc.layer(0), c);
  EXPECT_EQ(doc.layer(2), a);
  EXPECT_EQ(doc.currentLayerIndex(), 2);
  EXPECT_EQ(doc.layerSelected(), (std::vector<uint8_t>{1, 0, 0}));  // flags travel with layers
  EXPECT_FALSE(doc.swapLayers(0, 3));
  EXPECT_FALSE(doc.swapLayers(-1, 0));

  EXPECT_TRUE(doc.removeLayer(2));  // the current one, at the top: the index moves down
  EXPECT_EQ(doc.layerCount(), 2);
  EXPECT_EQ(doc.currentLayerIndex(), 1);
  EXPECT_EQ(doc.layerSelected(), (std::vector<uint8_t>{0, 1}));
  EXPECT_TRUE(doc.removeLayer(0));  // below the current one: the index stays while valid
  EXPECT_EQ(doc.currentLayerIndex(), 0);
  EXPECT_FALSE(doc.removeLayer(1));
  EXPECT_TRUE(doc.removeLayer(0));
  EXPECT_EQ(doc.currentLayerIndex(), -1);
  EXPECT_EQ(doc.layerCount(), 0);
}

TEST_F(DocumentTest, SelectionsAreLimitedAndKeepOne) {
  ASSERT_TRUE(doc.initialise(20, 20));
  while (doc.selectionCount() < Document::kMaxSelections) ASSERT_NE(doc.addSelection(), nullptr);
  EXPECT_EQ(doc.addSelection(), nullptr);
  EXPECT_EQ(doc.selectionFlags().size(), 16u);
  doc.setCurrentSelection(15);
  EXPECT_TRUE(doc.removeSelection(15));
  EXPECT_EQ(doc.currentSelectionIndex(), 14);
  while (doc.selectionCount() > 1) ASSERT_TRUE(doc.removeSelection(0));
  EXPECT_FALSE(doc.removeSelection(0));
  EXPECT_EQ(doc.currentSelectionIndex(), 0);
}

class MarkingObject : public VectorObject {
 public:
  explicit MarkingObject(int32_t x) : x_(x) {}
  std::unique_ptr<VectorObject> clone() const override { return std::make_unique<MarkingObject>(*this); }
  void translate(double dx, double) override { x_ += int32_t(dx); }
  int32_t x() const { return x_; }

 private:
  int32_t x_;
};

// Paints one opaque pixel at the object's x, on canvas row 7, through the transform.
class MarkingRenderer : public VectorRenderer {
 public:
  void draw(VectorObject& object, Image32& target, const RenderTransform& t) override {
    ++calls;
    const auto& o = static_cast<MarkingObject&>(object);
    target.setPixel(int32_t((o.x() + t.offsetX) * t.scaleX + t.translateX), int32_t((7 + t.offsetY) * t.scaleY + t.translateY),
                    0xFF00FF00u);
  }
  int calls = 0;
};

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
  ASSERT_NE(vector, nullptr);
  ASSERT_NE(vector->insertStroke(std::make_unique<MarkingObject>(10), 0), nullptr);

  std::vector<int32_t> hits{99};
  EXPECT_FALSE(doc.layersAtPoint(300, 10, hits));
  EXPECT_FALSE(doc.layersAtPoint(-1, 10, hits));
  EXPECT_EQ(hits, (std::vector<int32_t>{99}));  // untouched outside the canvas
  EXPECT_TRUE(doc.layersAtPoint(10, 10, hits));
  EXPECT_EQ(hits, (std::vector<int32_t>{0, 1}));  // no renderer: the vector layer has nothing

  MarkingRenderer renderer;
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
  EXPECT_FALSE(doc.layersAtPoint(11, 10, hits));
}

TEST_F(DocumentTest, StrokeListLimitAndRemoval) {
  Layer layer;
  layer.kind = kLayerKindVector;
  for (int32_t i = 0; i < Layer::kMaxStrokes; ++i) ASSERT_NE(layer.insertStroke(std::make_unique<MarkingObject>(i), i), nullptr);
  EXPECT_EQ(layer.insertStroke(std::make_unique<MarkingObject>(0), 0), nullptr);
  EXPECT_EQ(layer.strokeCount(), 1024);
  layer.setStrokeSelected(1023, 1);
  layer.currentStroke = 1023;
  EXPECT_TRUE(layer.removeStroke(1023));
  EXPECT_EQ(layer.currentStroke, 1022);
  EXPECT_EQ(layer.strokeSelected(1022), 0);
  EXPECT_TRUE(layer.removeStroke(0));
  EXPECT_EQ(static_cast<MarkingObject*>(layer.stroke(0))->x(), 1);
  EXPECT_EQ(layer.currentStroke, 1021);
  EXPECT_FALSE(layer.removeStroke(5000));
}

TEST_F(DocumentTest, NewFromImageCopiesThePicture) {
  Image32 picture(130, 70);
  std::mt19937 rng(5);
  for (int32_t y = 0; y < 70; ++y)
    for (int32_t x = 0; x < 130; ++x) picture.setPixel(x, y, (x + y) % 7 == 0 ? 0 : rng());
  Layer* layer = doc.newFromImage(picture);
  ASSERT_NE(layer, nullptr);
  EXPECT_EQ(doc.width(), 130);
  EXPECT_EQ(doc.layerCount(), 1);
  EXPECT_EQ(doc.currentLayer(), layer);
  EXPECT_TRUE(test::samePixels(layer->pixels32, picture));
  EXPECT_TRUE(test::samePixels(doc.currentCopy32, picture));
  EXPECT_EQ(layer->pyramid32.level(1).getPixel(3, 4), picture.getPixel(6, 8));
  EXPECT_EQ(layer->thumbnail.picture().width(), 50);
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
  grey->colour = 0xFF0000FFu;
  ASSERT_TRUE(grey->setTone(1, 30));
  Layer* vector = doc.addLayer(kLayerKindVector);
  vector->insertStroke(std::make_unique<MarkingObject>(4), 0);
  doc.selection(0)->mask.setPixel(2, 2, 255);
  doc.resolution = 300;
  ASSERT_TRUE(doc.selectLayer(1));

  Document copy(english);
  ASSERT_TRUE(copy.assign(doc));
  EXPECT_EQ(copy.width(), 150);
  EXPECT_EQ(copy.resolution, 300);
  ASSERT_EQ(copy.layerCount(), 3);
  EXPECT_EQ(copy.currentLayerIndex(), 1);
  EXPECT_EQ(copy.layerSelected(), doc.layerSelected());
  EXPECT_NE(copy.layer(0), doc.layer(0));
  EXPECT_EQ(copy.layer(0)->document, &copy);
  EXPECT_EQ(copy.layer(0)->pixels32.getPixel(140, 90), 0xFF123456u);
  EXPECT_EQ(copy.layer(0)->offsetX, -64);
  EXPECT_EQ(copy.layer(1)->toneMode, 1);
  EXPECT_TRUE(copy.layer(1)->halftone.isBuilt());
  EXPECT_EQ(copy.layer(1)->name, "Layer2");
  EXPECT_EQ(copy.currentCopy8.getPixel(4, 4), 200);
  EXPECT_TRUE(test::samePixels(copy.layer(1)->pixels1, [&] {
    Image1 flat;
    test::copyToFlat(doc.layer(1)->pixels1, flat);
    return flat;
  }()));
  ASSERT_EQ(copy.layer(2)->strokeCount(), 1);
  EXPECT_NE(copy.layer(2)->stroke(0), doc.layer(2)->stroke(0));
  EXPECT_EQ(copy.selection(0)->mask.getPixel(2, 2), 255);

  copy.layer(0)->pixels32.setPixel(140, 90, 0);
  EXPECT_EQ(doc.layer(0)->pixels32.getPixel(140, 90), 0xFF123456u);
  EXPECT_TRUE(copy.assign(copy));
}

TEST_F(DocumentTest, ToneModeBuildsAndReleasesTheHalftoneImage) {
  ASSERT_NE(doc.newCanvas(100, 80, kLayerKind8), nullptr);
  Layer* layer = doc.layer(0);
  for (int32_t x = 0; x < 100; ++x) layer->pixels8.setPixel(x, 3, uint8_t(x * 2));
  EXPECT_TRUE(layer->setTone(1, 2));
  EXPECT_EQ(layer->toneLines, 5);
  ASSERT_TRUE(layer->halftone.isBuilt());
  const int32_t n2 = 2 * layer->halftone.cellSize();
  for (int32_t x = 0; x < 100; ++x) {
    EXPECT_EQ(layer->pixels1.getPixel(x, 3), layer->halftone.tone(x * 2)->getPixel(x % n2, 3 % n2)) << x;
  }
  EXPECT_EQ(layer->pixels1.getPixel(0, 60), 0);
  // A change of the coverage reaches the halftone image through layerChanged.
  layer->pixels8.setPixel(10, 60, 255);
  doc.layerChanged(*layer, 10, 60, 1, 1);
  EXPECT_EQ(layer->pixels1.getPixel(10, 60), 1);
  EXPECT_TRUE(layer->setTone(0, 60));
  EXPECT_FALSE(layer->halftone.isBuilt());
  EXPECT_EQ(layer->pixels1.width(), 0u);

  Layer* colour = doc.addLayer32();
  EXPECT_FALSE(colour->setTone(1, 60));
  EXPECT_EQ(colour->toneMode, 0);
}

TEST_F(DocumentTest, ThumbnailKeepsTheAspect) {
  int32_t w, h;
  Thumbnail::sizeFor(512, 512, w, h);
  EXPECT_EQ(w, 50);
  EXPECT_EQ(h, 50);
  Thumbnail::sizeFor(1000, 10, w, h);
  EXPECT_EQ(w, 50);
  EXPECT_EQ(h, 1);
  Thumbnail::sizeFor(1, 32760, w, h);
  EXPECT_EQ(w, 1);
  EXPECT_EQ(h, 50);
  Thumbnail::sizeFor(300, 400, w, h);
  EXPECT_EQ(w, 37);
  EXPECT_EQ(h, 50);

  ASSERT_NE(doc.newCanvas(100, 100, kLayerKind32), nullptr);
  Layer* layer = doc.layer(0);
  layer->pixels32.setPixel(20, 40, 0x80FF0000u);
  ASSERT_TRUE(layer->rebuildThumbnail());  // thumbnail pixel (10, 20) samples canvas (20, 40)
  EXPECT_EQ(layer->thumbnail.picture().getPixel(10, 20), 0x80FF0000u);
  EXPECT_EQ(layer->thumbnail.mask().getPixel(10, 20), 0x80);
  EXPECT_EQ(layer->thumbnail.mask().getPixel(11, 20), 0);
  // The thumbnail shows the layer where it lies on the canvas.
  ASSERT_TRUE(layer->moveContent(-20, 0));
  ASSERT_TRUE(layer->rebuildThumbnail());
  EXPECT_EQ(layer->thumbnail.picture().getPixel(0, 20), 0x80FF0000u);
  EXPECT_EQ(layer->thumbnail.picture().getPixel(10, 20), 0u);
}

}  // namespace
}  // namespace kanvo
