// Step kinds 0, 1, 2 (the tiles of a rectangle of a layer's store) and 3 (a selection mask).
#include <new>
#include <utility>

#include "document/undo/UndoRecord.h"
#include "document/undo/UndoStepSupport.h"
#include "document/undo/UndoSteps.h"

namespace kanvo {

using namespace undo_detail;

namespace {

constexpr int32_t pixelsKindOfDepth(int bpp) { return bpp == 32 ? kUndoPixels32 : bpp == 8 ? kUndoPixels8 : kUndoPixels1; }

template <int Bpp>
uint32_t applyPixels(const UndoEntry& record, const UndoPixels& p, Document& document, const UndoApplyContext& context,
                     UndoEntry* redo, UndoOutcome& outcome) {
  Layer* layer = document.layer(p.layerIndex);
  if (layer == nullptr || layer->kind != layerKindOfDepth(Bpp)) return skip(record, redo, outcome);
  TiledImage<Bpp>& store = storeOf<Bpp>(*layer);

  // The redo record: the same tiles as they are now.
  UndoEntry captured;
  if (redo) {
    captured = redoShell(record);
    UndoPixels now;
    now.layerIndex = p.layerIndex;
    now.rect = p.rect;
    if (!captureTiles(store, p.rect, context.method, now.tiles)) return noMemory(outcome);
    captured.payload = std::move(now);
  }

  TileRestore<Bpp> restore(store, context.scratch);
  const RestoreStatus status = restore.prepare(p.tiles);
  if (status != RestoreStatus::kReady) return restoreFailed(status, restore, record, redo, outcome);
  restore.commit();

  const Rect changed = tileAlignedRect(store, p.rect);
  if (changed.width > 0) document.layerChanged(*layer, changed.x, changed.y, changed.width, changed.height);
  outcome.redraw = onCanvas(*layer, changed);
  if (redo) *redo = std::move(captured);
  return finish(outcome, kUndoResultPixels);
}

// Fills the whole mask with 255, all or nothing: every tile is had first.
bool fillMask(TiledImage8& mask) {
  std::vector<std::pair<int32_t, int32_t>> created;
  try {
    created.reserve(size_t(mask.tileCount()));
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (int32_t ty = 0; ty < mask.tilesY(); ++ty) {
    for (int32_t tx = 0; tx < mask.tilesX(); ++tx) {
      if (mask.tileExists(tx, ty)) continue;
      if (mask.getOrCreateTile(tx, ty) == nullptr) {
        for (const auto& [x, y] : created) mask.freeTile(x, y);
        return false;
      }
      created.emplace_back(tx, ty);
    }
  }
  SpanParams fill;
  fill.op = kOpCopy;
  fill.opacity = 255;
  fill.key = 255;
  mask.fillRect(fill, 0, 0, int32_t(mask.width()), int32_t(mask.height()));
  return true;
}

}  // namespace

template <int Bpp>
bool makePixelsRecord(const TiledImage<Bpp>& store, const Rect& rect, int32_t layerIndex, int32_t method,
                      UndoEntry& entry) {
  entry.release();
  UndoPixels p;
  p.layerIndex = layerIndex;
  p.rect = rect;
  if (!captureTiles(store, rect, method, p.tiles)) return false;
  entry.kind = pixelsKindOfDepth(Bpp);
  entry.payload = std::move(p);
  return true;
}

template bool makePixelsRecord<32>(const TiledImage32&, const Rect&, int32_t, int32_t, UndoEntry&);
template bool makePixelsRecord<8>(const TiledImage8&, const Rect&, int32_t, int32_t, UndoEntry&);
template bool makePixelsRecord<1>(const TiledImage1&, const Rect&, int32_t, int32_t, UndoEntry&);

bool makeSelectionRecord(const TiledImage8& mask, const Rect& rect, int32_t selectionIndex, int32_t mode,
                         int32_t method, UndoEntry& entry) {
  entry.release();
  UndoSelectionMask p;
  p.selectionIndex = selectionIndex;
  p.rect = rect;
  p.selectionMode = mode;
  p.modeAfter = mode;
  if (!captureTiles(mask, rect, method, p.tiles)) return false;
  entry.kind = kUndoSelection;
  entry.payload = std::move(p);
  return true;
}

uint32_t applyPixelsRecord(const UndoEntry& record, Document& document, const UndoApplyContext& context,
                           UndoEntry* redo, UndoOutcome& outcome) {
  const auto* p = std::get_if<UndoPixels>(&record.payload);
  if (p == nullptr) return skip(record, redo, outcome);
  switch (record.kind) {
    case kUndoPixels32: return applyPixels<32>(record, *p, document, context, redo, outcome);
    case kUndoPixels8: return applyPixels<8>(record, *p, document, context, redo, outcome);
    case kUndoPixels1: return applyPixels<1>(record, *p, document, context, redo, outcome);
    default: return skip(record, redo, outcome);
  }
}

uint32_t applySelectionRecord(const UndoEntry& record, Document& document, const UndoApplyContext& context,
                              UndoEntry* redo, UndoOutcome& outcome) {
  const auto* p = std::get_if<UndoSelectionMask>(&record.payload);
  Selection* selection = p != nullptr ? document.selection(p->selectionIndex) : nullptr;
  if (selection == nullptr) return skip(record, redo, outcome);
  TiledImage8& mask = selection->mask;
  const bool wholeMask = p->selectionMode == kSelectionNone || p->selectionMode == kSelectionAll;

  // The redo record: the mask as it is over everything this step changes (the whole mask when
  // it empties or fills it), restored from the tiles, and the selection's present mode.
  UndoEntry captured;
  if (redo) {
    captured = redoShell(record);
    UndoSelectionMask now;
    now.selectionIndex = p->selectionIndex;
    now.rect = wholeMask ? Rect(0, 0, int32_t(mask.width()), int32_t(mask.height())) : p->rect;
    now.selectionMode = mask.presentTileCount() > 0 ? kSelectionMask : kSelectionNone;
    now.modeAfter = selection->mode;
    if (!captureTiles(mask, now.rect, context.method, now.tiles)) return noMemory(outcome);
    captured.payload = std::move(now);
  }

  if (p->selectionMode == kSelectionNone) {
    mask.clear();
  } else if (p->selectionMode == kSelectionAll) {
    if (!fillMask(mask)) return noMemory(outcome);
  } else {
    TileRestore<8> restore(mask, context.scratch);
    const RestoreStatus status = restore.prepare(p->tiles);
    if (status != RestoreStatus::kReady) return restoreFailed(status, restore, record, redo, outcome);
    restore.commit();
  }
  selection->mode = p->modeAfter;
  selection->refresh();
  if (redo) *redo = std::move(captured);
  outcome.wholeView = true;
  return finish(outcome, kUndoResultSelection);
}

}  // namespace kanvo
