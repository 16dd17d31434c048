// The mask composite on every raster depth against a per-pixel reference built from one-pixel
// spans, with the transparency lock, a selection, a moved store, a hidden or locked layer and
// an all-zero mask as table rows; undo and redo give back the exact states.
#include <gtest/gtest.h>

#include <random>

#include "raster/pixel/PixelOps.h"
#include "raster/span/SpanOps.h"
#include "support/DocumentState.h"
#include "support/LayerStores.h"
#include "support/TiledImages.h"
#include "tools/fill/MaskFill.h"

namespace kanvo {
namespace {

struct FillCase {
  int32_t kind;
  bool transparencyLocked, selection;
  int32_t moveX, moveY;
  uint8_t hidden = 0, locked = 0, zeroMask = 0;
};

// The value the fill should leave at a store pixel holding old, under coverage c and selection m.
uint32_t expected(const Layer& layer, uint32_t old, uint8_t c, uint8_t m, bool masked,
                  const FillPaint& paint) {
  SpanParams sp{kOpPaintValue, uint8_t(paint.opacity), 0, uint32_t(255 - luminance(paint.colour))};
  const int ink = int(sp.paint);
  if (!layer.visible || layer.locked || (layer.kind == kLayerKind1 && paint.opacity < 128)) return old;
  if (layer.kind == kLayerKind1) return c >= 128 && (!masked || m >= 128) ? uint32_t(ink >= 128) : old;
  if (layer.kind == kLayerKind8) {
    uint8_t d = uint8_t(old);
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
      {kLayerKind32, false, false, 0, 0},      {kLayerKind32, true, true, 0, 0},
      {kLayerKind32, false, true, -70, 20},    {kLayerKind8, false, false, 0, 0},
      {kLayerKind8, false, true, 30, -90},     {kLayerKind1, false, false, 0, 0},
      {kLayerKind1, false, true, -5, 70},      {kLayerKind32, false, false, 0, 0, 1},
      {kLayerKind8, false, false, 0, 0, 0, 1}, {kLayerKind32, false, true, 0, 0, 0, 0, 1},
  };
  std::mt19937 rng(91);
  StringTable strings{kUiLanguageEnglish};
  for (const FillCase& fc : cases) {
    for (int round = 0; round < 3; ++round) {
      Document doc{strings};
      UndoHistory history;
      const uint32_t w = 150 + rng() % 60, h = 110 + rng() % 60;
      Layer& layer = *doc.newCanvas(int32_t(w), int32_t(h), fc.kind);
      test::withStore(layer, [&](auto& store) { test::fillRandomTiles(store, rng); });
      ASSERT_TRUE(layer.moveContent(fc.moveX, fc.moveY));
      layer.reservedFlag = fc.transparencyLocked;
      layer.visible = !fc.hidden;
      layer.locked = fc.locked;
      Selection& selection = *doc.currentSelection();
      if (fc.selection) test::fillRandomTiles(selection.mask, rng);
      TiledImage8 coverage;
      coverage.resize(w, h);
      fc.zeroMask ? void(coverage.getOrCreateTile(1, 1)) : test::fillRandomTiles(coverage, rng);
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
          const uint32_t want =
              expected(layer, old, coverage.getPixel(cx, cy), selection.mask.getPixel(cx, cy), masked, paint);
          ASSERT_EQ(test::storePixel(layer, x, y), want) << fc.kind << " at " << x << "," << y;
          ASSERT_TRUE(want == old || changed.contains(cx, cy));
        }
      const std::string stateAfter = test::documentState(doc);
      ASSERT_EQ(history.undoLabel() ? *history.undoLabel() : "", changed.isEmpty() ? "" : "Fill (Rect)");
      if (changed.isEmpty()) continue;
      history.applyStep(0, doc);
      EXPECT_EQ(test::documentState(doc), stateBefore);
      history.applyStep(1, doc);
      EXPECT_EQ(test::documentState(doc), stateAfter);
    }
  }
}

}  // namespace
}  // namespace kanvo
