#pragma once
// Small pieces shared by the step kinds' files (UndoPixelSteps.cpp, UndoRegionStep.cpp,
// UndoLayerSteps.cpp): the ending of an application and the start of a redo capture.
#include <cstdint>

#include "document/Layer.h"
#include "document/undo/UndoEntry.h"
#include "document/undo/UndoRecord.h"
#include "document/undo/UndoSteps.h"

namespace kanvo::undo_detail {

inline uint32_t finish(UndoOutcome& outcome, uint32_t bits) {
  outcome.bits = bits;
  return bits;
}

// A redo record of the record's kind and label, payload still empty.
inline UndoEntry redoShell(const UndoEntry& record) {
  UndoEntry e;
  e.kind = record.kind;
  e.label = record.label;
  return e;
}

// The step's target is gone: nothing changes; the redo record (when asked for) is an empty
// record of the same kind and label, so that redoing the step is passed over too.
inline uint32_t skip(const UndoEntry& record, UndoEntry* redo, UndoOutcome& outcome) {
  if (redo) *redo = redoShell(record);
  return finish(outcome, kUndoBitSkipped);
}

inline uint32_t damaged(const UndoEntry& record, UndoEntry* redo, UndoOutcome& outcome, const char* why) {
  if (redo) *redo = redoShell(record);
  outcome.failure = why;
  return finish(outcome, kUndoBitDamaged);
}

inline uint32_t noMemory(UndoOutcome& outcome) { return finish(outcome, kUndoBitNoMemory); }

// A restore that could not be prepared: a tile outside the image means the target is not the
// image the record was made from (skipped); otherwise damaged or out of memory.
template <int Bpp>
uint32_t restoreFailed(RestoreStatus status, const TileRestore<Bpp>& restore, const UndoEntry& record,
                       UndoEntry* redo, UndoOutcome& outcome) {
  switch (status) {
    case RestoreStatus::kOutside: return skip(record, redo, outcome);
    case RestoreStatus::kNoMemory: return noMemory(outcome);
    default: return damaged(record, redo, outcome, restore.failure());
  }
}

// The layer kind whose store has the depth.
constexpr int32_t layerKindOfDepth(int bpp) {
  return bpp == 32 ? kLayerKind32 : bpp == 8 ? kLayerKind8 : kLayerKind1;
}

template <int Bpp>
TiledImage<Bpp>& storeOf(Layer& layer) {
  if constexpr (Bpp == 32)
    return layer.pixels32;
  else if constexpr (Bpp == 8)
    return layer.pixels8;
  else
    return layer.pixels1;
}
template <int Bpp>
const TiledImage<Bpp>& storeOf(const Layer& layer) {
  return storeOf<Bpp>(const_cast<Layer&>(layer));
}

// The tiles of rect (widened to whole tiles, cut to the image) as a pixel rectangle.
template <int Bpp>
Rect tileAlignedRect(const TiledImage<Bpp>& image, const Rect& rect) {
  const TileRange t = tileRangeIn(image, rect);
  if (t.count() == 0) return Rect();
  return Rect(t.x0 * kTileSize, t.y0 * kTileSize, int32_t(t.columns()) * kTileSize, int32_t(t.rows()) * kTileSize);
}

// A layer-store rectangle as a canvas rectangle (moved by the layer's offset).
inline Rect onCanvas(const Layer& layer, Rect rect) {
  rect.x += layer.offsetX;
  rect.y += layer.offsetY;
  return rect;
}

}  // namespace kanvo::undo_detail
