#include "tools/fill/MaskFill.h"

#include <algorithm>

#include "raster/pixel/PixelOps.h"
#include "raster/span/SpanOps.h"
#include "raster/tiled/TiledBlit.h"

namespace kanvo {

namespace {

bool record(UndoHistory& history, const TiledImage32& store, const Rect& r, int32_t index,
            std::string_view label) {
  return history.recordPixels32(store, r, index, label);
}
bool record(UndoHistory& history, const TiledImage8& store, const Rect& r, int32_t index,
            std::string_view label) {
  return history.recordPixels8(store, r, index, label);
}
bool record(UndoHistory& history, const TiledImage1& store, const Rect& r, int32_t index,
            std::string_view label) {
  return history.recordPixels1(store, r, index, label);
}

// The span parameters of the fill for the layer's depth.
SpanParams spanFor(const Layer& layer, const FillPaint& paint) {
  SpanParams sp;
  sp.opacity = uint8_t(std::min<int32_t>(paint.opacity, 255));
  const int ink = 255 - luminance(paint.colour);
  switch (layer.kind) {
    case kLayerKind32:
      sp.op = layer.reservedFlag != 0 ? kOpReplaceColour : kOpOver;
      sp.paint = paint.colour;
      break;
    case kLayerKind8:
      sp.op = kOpPaintValue;
      sp.paint = uint32_t(ink);
      break;
    default:
      sp.op = ink >= 128 ? kOpOr : kOpSubtract;
      break;
  }
  return sp;
}

// Records and composites rect (store coordinates) of store; the coverage and selection are
// read at rect moved by the layer offset.
template <int Bpp>
void recordAndFill(UndoHistory& history, TiledImage<Bpp>& store, const Rect& r, int32_t index,
                   std::string_view label, const SpanParams& sp, const TiledImage8& coverage,
                   const TiledImage8* selection, int32_t offsetX, int32_t offsetY) {
  record(history, store, r, index, label);
  const int32_t sx = r.x + offsetX, sy = r.y + offsetY;
  if (selection != nullptr)
    blitMasked(store, sp, r.x, r.y, coverage, *selection, sx, sy, r.width, r.height);
  else
    blit(store, sp, r.x, r.y, coverage, sx, sy, r.width, r.height);
}

}  // namespace

Rect coveredBounds(const TiledImage8& mask) {
  const Rect used = mask.usedBounds();
  // usedBounds reports present but all-zero tiles as the first pixel.
  if (used == Rect(0, 0, 1, 1) && mask.getPixel(0, 0) == 0) return Rect();
  return used;
}

Rect fillThroughMask(Document& document, UndoHistory& history, Layer& layer, const TiledImage8& coverage,
                     const FillPaint& paint, std::string_view label) {
  const int32_t index = document.indexOf(&layer);
  if (index < 0 || !layer.isRaster() || !layer.visible || layer.locked) return Rect();
  if (paint.opacity <= 0 || (layer.kind == kLayerKind1 && paint.opacity < 128)) return Rect();
  if (coverage.width() != uint32_t(document.width()) || coverage.height() != uint32_t(document.height()))
    return Rect();

  Rect canvasRect = coveredBounds(coverage);
  if (canvasRect.isEmpty()) return Rect();
  const TiledImage8* selectionMask = nullptr;
  if (const Selection* selection = document.currentSelection()) {
    const Rect selected = coveredBounds(selection->mask);
    if (!selected.isEmpty()) {
      if (selection->mask.width() != coverage.width() || selection->mask.height() != coverage.height())
        return Rect();
      selectionMask = &selection->mask;
      canvasRect = Rect::intersect(canvasRect, selected);
      if (canvasRect.isEmpty()) return Rect();
    }
  }

  Rect r(canvasRect.x - layer.offsetX, canvasRect.y - layer.offsetY, canvasRect.width, canvasRect.height);
  if (!clipToSize(r, int32_t(layer.storeWidth()), int32_t(layer.storeHeight()))) return Rect();

  const SpanParams sp = spanFor(layer, paint);
  const int32_t ox = layer.offsetX, oy = layer.offsetY;
  switch (layer.kind) {
    case kLayerKind32:
      recordAndFill(history, layer.pixels32, r, index, label, sp, coverage, selectionMask, ox, oy);
      break;
    case kLayerKind8:
      recordAndFill(history, layer.pixels8, r, index, label, sp, coverage, selectionMask, ox, oy);
      break;
    default:
      recordAndFill(history, layer.pixels1, r, index, label, sp, coverage, selectionMask, ox, oy);
      break;
  }
  document.layerChanged(layer, r.x, r.y, r.width, r.height);
  return Rect(r.x + ox, r.y + oy, r.width, r.height);
}

}  // namespace kanvo
