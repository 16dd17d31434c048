// Step kind 11: a rectangle of a layer's pixels and selection 0's mask, as a moved or
// transformed selected region left them.
#include <new>
#include <utility>
#include <vector>

#include "document/undo/UndoRecord.h"
#include "document/undo/UndoStepSupport.h"
#include "document/undo/UndoSteps.h"
#include "raster/tiled/TiledCopy.h"

namespace kanvo {

using namespace undo_detail;

namespace {

// Makes region a rect-sized image holding the pixels of rect of the store. False when memory
// ran out.
template <int Bpp>
bool copyRegion(const TiledImage<Bpp>& store, const Rect& rect, TiledImage<Bpp>& region) {
  if (!region.resize(uint32_t(rect.width), uint32_t(rect.height))) return false;
  if (!copyPixels(store, rect.x, rect.y, rect.width, rect.height, region, 0, 0)) {
    region.resize(0, 0);
    return false;
  }
  return true;
}

// Writes region back over rect of the store and frees the tiles there that became empty, all or
// nothing: every tile of rect is had before anything is written.
template <int Bpp>
bool pasteRegion(TiledImage<Bpp>& store, const Rect& rect, const TiledImage<Bpp>& region) {
  const TileRange range = tileRangeIn(store, rect);
  std::vector<std::pair<int32_t, int32_t>> created;
  try {
    created.reserve(size_t(range.count()));
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (int32_t ty = range.y0; ty < range.y1; ++ty) {
    for (int32_t tx = range.x0; tx < range.x1; ++tx) {
      if (store.tileExists(tx, ty)) continue;
      if (store.getOrCreateTile(tx, ty) == nullptr) {
        for (const auto& [x, y] : created) store.freeTile(x, y);
        return false;
      }
      created.emplace_back(tx, ty);
    }
  }
  // Every tile is there, so the copy (which replaces every pixel of rect, zeros included)
  // allocates nothing and cannot fail.
  copyPixels(region, 0, 0, rect.width, rect.height, store, rect.x, rect.y);
  store.dropEmptyTiles(rect);
  return true;
}

template <int Bpp>
bool copyLayerRegion(const Layer& layer, const Rect& rect, UndoRegion& out) {
  if constexpr (Bpp == 32)
    return copyRegion(layer.pixels32, rect, out.pixels32);
  else if constexpr (Bpp == 8)
    return copyRegion(layer.pixels8, rect, out.pixels8);
  else
    return copyRegion(layer.pixels1, rect, out.pixels1);
}

bool copyLayerRegion(const Layer& layer, const Rect& rect, UndoRegion& out) {
  if (rect.width <= 0 || rect.height <= 0) return true;  // nothing of the store is covered
  switch (layer.kind) {
    case kLayerKind32: return copyLayerRegion<32>(layer, rect, out);
    case kLayerKind8: return copyLayerRegion<8>(layer, rect, out);
    case kLayerKind1: return copyLayerRegion<1>(layer, rect, out);
    default: return false;
  }
}

bool pasteLayerRegion(Layer& layer, const UndoRegion& r) {
  switch (layer.kind) {
    case kLayerKind32: return pasteRegion(layer.pixels32, r.rect, r.pixels32);
    case kLayerKind8: return pasteRegion(layer.pixels8, r.rect, r.pixels8);
    case kLayerKind1: return pasteRegion(layer.pixels1, r.rect, r.pixels1);
    default: return false;
  }
}

// The store rectangle of the layer's kind that rect covers.
Rect clippedToStore(const Layer& layer, Rect rect) {
  if (!clipToSize(rect, int32_t(layer.storeWidth()), int32_t(layer.storeHeight()))) return Rect();
  return rect;
}

}  // namespace

bool makeRegionRecord(const Layer& layer, int32_t layerIndex, const Selection& selection, const Rect& rect,
                      int32_t dx, int32_t dy, UndoEntry& entry) {
  entry.release();
  if (!layer.isRaster()) return false;
  UndoRegion r;
  r.layerIndex = layerIndex;
  r.layerKind = layer.kind;
  r.rect = clippedToStore(layer, rect);
  r.selectionMode = selection.mode;
  r.dx = dx;
  r.dy = dy;
  if (!copyLayerRegion(layer, r.rect, r) || !r.mask.assign(selection.mask)) return false;
  entry.kind = kUndoRegion;
  entry.payload = std::move(r);
  return true;
}

uint32_t applyRegionRecord(const UndoEntry& record, Document& document, UndoEntry* redo, UndoOutcome& outcome) {
  const auto* r = std::get_if<UndoRegion>(&record.payload);
  Layer* layer = r != nullptr ? document.layer(r->layerIndex) : nullptr;
  Selection* selection = document.selection(0);
  if (layer == nullptr || selection == nullptr || layer->kind != r->layerKind || !layer->isRaster())
    return skip(record, redo, outcome);
  // A store or mask of another size than recorded is not the one the record was made from.
  if (r->rect.width > 0 && clippedToStore(*layer, r->rect) != r->rect) return skip(record, redo, outcome);
  if (r->mask.width() != selection->mask.width() || r->mask.height() != selection->mask.height())
    return skip(record, redo, outcome);

  // The redo record: the region and the mask as they are, and the selection's present mode.
  UndoEntry captured;
  if (redo) {
    captured = redoShell(record);
    UndoRegion now;
    now.layerIndex = r->layerIndex;
    now.layerKind = r->layerKind;
    now.rect = r->rect;
    now.selectionMode = selection->mode;
    now.dx = r->dx;
    now.dy = r->dy;
    if (!copyLayerRegion(*layer, r->rect, now) || !now.mask.assign(selection->mask)) return noMemory(outcome);
    captured.payload = std::move(now);
  }

  TiledImage8 mask;
  if (!mask.assign(r->mask)) return noMemory(outcome);
  if (r->rect.width > 0 && !pasteLayerRegion(*layer, *r)) return noMemory(outcome);
  selection->mask = std::move(mask);
  selection->mode = r->selectionMode;
  selection->refresh();
  document.layerChangedAll(*layer);
  if (redo) *redo = std::move(captured);
  outcome.wholeView = true;
  return finish(outcome, kUndoResultPixels);
}

}  // namespace kanvo
