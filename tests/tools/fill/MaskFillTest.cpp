// The mask composite on every raster depth against a per-pixel reference built from one-pixel
// spans, with the transparency lock, a selection and a moved store as table rows; undo and redo
// give back the exact states.
#include <gtest/gtest.h>

#include <random>

#include "raster/pixel/PixelOps.h"
#include "raster/span/SpanOps.h"
#include "support/DocumentState.h"
#include "support/LayerStores.h"
#include "support/ManualClock.h"
#include "support/TiledImages.h"
#include "tools/fill/MaskFill.h"

namespace kanvo {
namespace {

struct FillCase {
  int32_t kind;
  bool transparencyLocked, selection;
  int32_t moveX, moveY;
};

// Random values in a random rectangle of an emptied canvas-sized image.
void randomPatch(TiledImage8& image, std::mt19937& rng, int32_t width, int32_t height) {
  image.resize(uint32_t(width), uint32_t(height));
  const int32_t x0 = int32_t(rng() % uint32_t(width)), y0 = int32_t(rng() % uint32_t(height));
  const int32_t x1 = x0 + int32_t(rng() % uint32_t(width - x0)), y1 = y0 + int32_t(rng() % uint32_t(height - y0));
  for (int32_t y = y0; y <= y1; ++y)
    for (int32_t x = x0; x <= x1; ++x) image.setPixel(x, y, test::randomValue<8>(rng));
}

// The value the fill should leave at a store pixel holding old, under coverage c and selection m.
uint32_t expected(const Layer& layer, uint32_t old, uint8_t c, uint8_t m, bool masked, const FillPaint& paint) {
  SpanParams sp;
  sp.opacity = uint8_t(paint.opacity);
  const int ink = 255 - luminance(paint.colour);
  if (layer.kind == kLayerKind1) return c >= 128 && (!masked || m >= 128) ? uint32_t(ink >= 128) : old;
  if (layer.kind == kLayerKind8) {
    uint8_t d = uint8_t(old);
    sp.op = kOpPaintValue;
    sp.paint = uint32_t(ink);
    masked ? maskedSpan8(sp, &c, 0, &m, 0, &d, 0, 1) : blendSpan8(sp, &c, 0, &d, 0, 1);
    return d;
  }
  Color32 d = old;
  sp.op = layer.reservedFlag ? kOpReplaceColour : kOpOver;
  sp.paint = paint.colour;
  auto* row = reinterpret_cast<uint8_t*>(&d);
  masked ? maskedCoverageSpan32(sp, &c, 0, &m, 0, row, 0, 1) : coverageSpan32(sp, &c, 0, row, 0, 1);
  return d;
}

TEST(MaskFill, CompositesLikePerPixelSpansAndUndoesExactly) {
  const FillCase cases[] = {
      {kLayerKind32, false, false, 0, 0}, {kLayerKind32, true, true, 0, 0}, {kLayerKind32, false, true, -70, 20},
      {kLayerKind8, false, false, 0, 0},  {kLayerKind8, false, true, 30, -90}, {kLayerKind1, false, false, 0, 0},
      {kLayerKind1, false, true, -5, 70},
  };
  std::mt19937 rng(91);
  StringTable strings{kUiLanguageEnglish};
  test::ManualClock clock;
  for (const FillCase& fc : cases) {
    for (int round = 0; round < 3; ++round) {
      SCOPED_TRACE(testing::Message() << "kind " << fc.kind << " round " << round);
      Document doc{strings, &clock};
      UndoHistory history{&clock};
      const int32_t w = 150 + int32_t(rng() % 60), h = 110 + int32_t(rng() % 60);
      Layer& layer = *doc.newCanvas(w, h, fc.kind);
      test::withStore(layer, [&](auto& store) { test::fillRandomTiles(store, rng); });
      if (fc.moveX != 0 || fc.moveY != 0) {
        ASSERT_TRUE(layer.moveContent(fc.moveX, fc.moveY));
      }
      layer.reservedFlag = fc.transparencyLocked;
      Selection& selection = *doc.currentSelection();
      if (fc.selection) {
        randomPatch(selection.mask, rng, w, h);
        selection.mode = kSelectionMask;
      }
      TiledImage8 coverage;
      randomPatch(coverage, rng, w, h);
      const FillPaint paint{Color32(rng() | 0x01000000u), int32_t(1 + rng() % 255)};

      Layer before;
      ASSERT_TRUE(before.copyFrom(layer, &doc));
      const std::string stateBefore = test::documentState(doc);
      const Rect changed = fillThroughMask(doc, history, layer, coverage, paint, "Fill (Rect)");
      const bool masked = fc.selection && !coveredBounds(selection.mask).isEmpty();
      for (int32_t y = 0; y < int32_t(layer.storeHeight()); ++y)
        for (int32_t x = 0; x < int32_t(layer.storeWidth()); ++x) {
          const int32_t cx = x + layer.offsetX, cy = y + layer.offsetY;
          const uint32_t old = test::storePixel(before, x, y);
          const uint32_t want = (layer.kind == kLayerKind1 && paint.opacity < 128)
                                    ? old
                                    : expected(layer, old, coverage.getPixel(cx, cy), selection.mask.getPixel(cx, cy),
                                               masked, paint);
          ASSERT_EQ(test::storePixel(layer, x, y), want) << x << "," << y;
          if (want != old) {
            ASSERT_TRUE(changed.contains(cx, cy));
          }
        }
      const std::string stateAfter = test::documentState(doc);
      if (changed.isEmpty()) {
        EXPECT_EQ(history.undoLabel(), nullptr);
        continue;
      }
      ASSERT_NE(history.undoLabel(), nullptr);
      EXPECT_EQ(*history.undoLabel(), "Fill (Rect)");
      history.applyStep(0, doc);
      EXPECT_EQ(test::documentState(doc), stateBefore);
      history.applyStep(1, doc);
      EXPECT_EQ(test::documentState(doc), stateAfter);
    }
  }
}

TEST(MaskFill, EmptyMaskHiddenOrLockedLayerChangeNothing) {
  StringTable strings{kUiLanguageEnglish};
  Document doc{strings};
  UndoHistory history{nullptr};
  Layer& layer = *doc.newCanvas(80, 60, kLayerKind32);
  TiledImage8 coverage;
  coverage.resize(80, 60);
  coverage.getOrCreateTile(0, 0);  // present but empty
  EXPECT_TRUE(fillThroughMask(doc, history, layer, coverage, {}, "Fill (Rect)").isEmpty());
  coverage.setPixel(79, 59, 255);
  for (auto hide : {&Layer::visible, &Layer::locked}) {
    layer.visible = hide == &Layer::locked;
    layer.locked = hide == &Layer::locked;
    EXPECT_TRUE(fillThroughMask(doc, history, layer, coverage, {}, "Fill (Rect)").isEmpty());
  }
  EXPECT_EQ(history.undoLabel(), nullptr);
  EXPECT_EQ(layer.pixels32.usedBounds(), Rect());
}

}  // namespace
}  // namespace kanvo
