// Step kinds 7 (two layers exchanged), 10 (a layer's content moved) and 25 (the whole
// document), and the dispatch of a record to its kind.
#include <cstdint>
#include <new>
#include <utility>

#include "document/UndoStepSupport.h"
#include "document/UndoSteps.h"

namespace kanvo {

using namespace undo_detail;

bool makeLayerSwapRecord(int32_t first, int32_t second, UndoEntry& entry) {
  entry.release();
  entry.kind = kUndoLayerSwap;
  entry.payload = UndoLayerSwap{first, second};
  return true;
}

bool makeLayerMoveRecord(int32_t layerIndex, int32_t dx, int32_t dy, UndoEntry& entry) {
  entry.release();
  entry.kind = kUndoLayerMove;
  entry.payload = UndoLayerMove{layerIndex, dx, dy};
  return true;
}

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
    captured = redoShell(record);
    captured.payload = *p;
  }
  // Undo moves the content back; redo moves it again. Negating in 64 bits keeps INT32_MIN sound.
  const int64_t sign = direction == UndoDirection::kUndo ? -1 : 1;
  const int64_t dx = sign * p->dx, dy = sign * p->dy;
  if (dx < INT32_MIN || dx > INT32_MAX || dy < INT32_MIN || dy > INT32_MAX)
    return damaged(record, redo, outcome, "move out of range");
  if (!layer->moveContent(int32_t(dx), int32_t(dy))) return noMemory(outcome);
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

uint32_t applyUndoRecord(const UndoEntry& record, UndoDirection direction, Document& document, int32_t method,
                         UndoEntry* redo, UndoOutcome& outcome) {
  outcome = UndoOutcome{};
  outcome.kind = record.kind;
  try {
    switch (record.kind) {
      case kUndoPixels32:
      case kUndoPixels8:
      case kUndoPixels1: return applyPixelsRecord(record, document, method, redo, outcome);
      case kUndoSelection: return applySelectionRecord(record, document, method, redo, outcome);
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
