// Step kinds 7 (two layers exchanged), 10 (a layer's content moved) and 25 (the whole
// document), and the dispatch of a record to its kind.
#include <cstdint>
#include <new>
#include <utility>

#include "document/undo/UndoStepSupport.h"
#include "raster/tiled/TiledCopy.h"
#include "document/undo/UndoSteps.h"

namespace kanvo {

using namespace undo_detail;

bool makeLayerSwapRecord(int32_t first, int32_t second, UndoEntry& entry) {
  entry.release();
  entry.kind = kUndoLayerSwap;
  entry.payload = UndoLayerSwap{first, second};
  return true;
}

bool makeLayerMoveRecord(const Layer& layer, int32_t layerIndex, int32_t dx, int32_t dy, UndoEntry& entry) {
  entry.release();
  UndoLayerMove p;
  p.layerIndex = layerIndex;
  p.dx = dx;
  p.dy = dy;
  p.hasGeometry = layer.isRaster();
  p.offsetX = layer.offsetX;
  p.offsetY = layer.offsetY;
  p.storeWidth = layer.storeWidth();
  p.storeHeight = layer.storeHeight();
  entry.kind = kUndoLayerMove;
  entry.payload = p;
  return true;
}

namespace {

enum class Rebuilt { kDone, kDoesNotFit, kNoMemory };

// Moves the content by (moveX, moveY) into a store of the recorded size and offset. The content
// must fit there, as it does when the layer is as the step left it.
template <int Bpp>
Rebuilt moveInto(Layer& layer, TiledImage<Bpp>& store, int64_t moveX, int64_t moveY, const UndoLayerMove& p) {
  const int64_t shiftX = int64_t(layer.offsetX) - p.offsetX + moveX;
  const int64_t shiftY = int64_t(layer.offsetY) - p.offsetY + moveY;
  const Rect used = store.usedBounds();
  if (!used.isEmpty()) {
    if (used.x + shiftX < 0 || used.y + shiftY < 0 || used.x + shiftX + used.width > int64_t(p.storeWidth) ||
        used.y + shiftY + used.height > int64_t(p.storeHeight))
      return Rebuilt::kDoesNotFit;
  }
  TiledImage<Bpp> rebuilt;
  if (!rebuilt.resize(p.storeWidth, p.storeHeight)) return Rebuilt::kNoMemory;
  if (!used.isEmpty() &&
      !copyPixels(store, used.x, used.y, used.width, used.height, rebuilt, used.x + shiftX, used.y + shiftY))
    return Rebuilt::kNoMemory;
  rebuilt.dropEmptyTiles();
  store = std::move(rebuilt);
  layer.setOffset(p.offsetX, p.offsetY);
  layer.rebuildReducedImages();
  return Rebuilt::kDone;
}

Rebuilt moveInto(Layer& layer, int64_t moveX, int64_t moveY, const UndoLayerMove& p) {
  switch (layer.kind) {
    case kLayerKind32: return moveInto(layer, layer.pixels32, moveX, moveY, p);
    case kLayerKind8: return moveInto(layer, layer.pixels8, moveX, moveY, p);
    case kLayerKind1: return moveInto(layer, layer.pixels1, moveX, moveY, p);
    default: return Rebuilt::kDoesNotFit;
  }
}

}  // namespace

bool makeDocumentRecord(const Document& document, Progress* progress, UndoEntry& entry) {
  entry.release();
  std::unique_ptr<Document> copy(new (std::nothrow) Document(document.strings(), document.clock()));
  if (copy == nullptr) return false;
  copy->setVectorRenderer(document.vectorRenderer());
  copy->name = document.name;
  if (!copy->assign(document, progress)) return false;
  entry.kind = kUndoDocument;
  entry.payload = UndoDocument{std::move(copy)};
  return true;
}

uint32_t applyLayerSwapRecord(const UndoEntry& record, Document& document, UndoEntry* redo, UndoOutcome& outcome) {
  const auto* p = std::get_if<UndoLayerSwap>(&record.payload);
  if (p == nullptr || document.layer(p->first) == nullptr || document.layer(p->second) == nullptr)
    return skip(record, redo, outcome);
  UndoEntry captured;
  if (redo) {
    captured = redoShell(record);
    captured.payload = *p;
  }
  document.swapLayers(p->first, p->second);
  // The current index now names the other layer: select it again.
  document.selectLayer(document.currentLayerIndex());
  if (redo) *redo = std::move(captured);
  outcome.wholeView = true;
  return finish(outcome, kUndoResultLayerOrder);
}

uint32_t applyLayerMoveRecord(const UndoEntry& record, UndoDirection direction, Document& document, UndoEntry* redo,
                              UndoOutcome& outcome) {
  const auto* p = std::get_if<UndoLayerMove>(&record.payload);
  Layer* layer = p != nullptr ? document.layer(p->layerIndex) : nullptr;
  if (layer == nullptr || !layer->isRaster()) return skip(record, redo, outcome);
  UndoEntry captured;
  if (redo) {
    // The same move, with the store's geometry as the move left it.
    captured = redoShell(record);
    UndoLayerMove now = *p;
    now.hasGeometry = true;
    now.offsetX = layer->offsetX;
    now.offsetY = layer->offsetY;
    now.storeWidth = layer->storeWidth();
    now.storeHeight = layer->storeHeight();
    captured.payload = now;
  }
  // Undo moves the content back, redo moves it again, each into the store as it was at that
  // point. When the content does not fit the recorded store (the layer changed outside the
  // history) it is moved as a move would. 64 bits keep a move of INT32_MIN sound.
  const int64_t sign = direction == UndoDirection::kUndo ? -1 : 1;
  const int64_t dx = sign * p->dx, dy = sign * p->dy;
  Rebuilt rebuilt = p->hasGeometry ? moveInto(*layer, dx, dy, *p) : Rebuilt::kDoesNotFit;
  if (rebuilt == Rebuilt::kNoMemory) return noMemory(outcome);
  if (rebuilt == Rebuilt::kDoesNotFit) {
    if (dx < INT32_MIN || dx > INT32_MAX || dy < INT32_MIN || dy > INT32_MAX)
      return damaged(record, redo, outcome, "move out of range");
    if (!layer->moveContent(int32_t(dx), int32_t(dy))) return noMemory(outcome);
  }
  document.layerChangedAll(*layer);
  if (redo) *redo = std::move(captured);
  outcome.wholeView = true;
  return finish(outcome, kUndoResultPixels);
}

uint32_t applyDocumentRecord(const UndoEntry& record, Document& document, UndoEntry* redo, UndoOutcome& outcome) {
  const auto* p = std::get_if<UndoDocument>(&record.payload);
  if (p == nullptr || p->snapshot == nullptr) return skip(record, redo, outcome);
  UndoEntry captured;
  if (redo) {
    if (!makeDocumentRecord(document, nullptr, captured)) return noMemory(outcome);
    captured.kind = record.kind;
    captured.label = record.label;
  }
  const bool resized = p->snapshot->width() != document.width() || p->snapshot->height() != document.height();
  if (!document.assign(*p->snapshot)) return noMemory(outcome);
  if (redo) *redo = std::move(captured);
  outcome.wholeView = true;
  outcome.canvasResized = resized;
  return finish(outcome, kUndoResultDocument);
}

uint32_t applyUndoRecord(const UndoEntry& record, UndoDirection direction, Document& document,
                         const UndoApplyContext& context, UndoEntry* redo, UndoOutcome& outcome) {
  outcome = UndoOutcome{};
  outcome.kind = record.kind;
  try {
    switch (record.kind) {
      case kUndoPixels32:
      case kUndoPixels8:
      case kUndoPixels1: return applyPixelsRecord(record, document, context, redo, outcome);
      case kUndoSelection: return applySelectionRecord(record, document, context, redo, outcome);
      case kUndoLayerSwap: return applyLayerSwapRecord(record, document, redo, outcome);
      case kUndoLayerMove: return applyLayerMoveRecord(record, direction, document, redo, outcome);
      case kUndoRegion: return applyRegionRecord(record, document, redo, outcome);
      case kUndoDocument: return applyDocumentRecord(record, document, redo, outcome);
      default: return skip(record, redo, outcome);
    }
  } catch (const std::bad_alloc&) {
    // Only the captures and checks before a change allocate through the standard library.
    return noMemory(outcome);
  }
}

}  // namespace kanvo
