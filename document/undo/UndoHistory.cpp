#include "document/undo/UndoHistory.h"

#include <new>
#include <utility>

namespace kanvo {

bool UndoHistory::setTileMethod(int32_t method) {
  if (method != kTileMethodRaw && method != kTileMethodZlib && method != kTileMethodLz4) return false;
  tileMethod_ = method;
  return true;
}

const UndoEntry* UndoHistory::undoRecord(int32_t i) const {
  return i >= 0 && i < count_ ? &undoRecords_[size_t(slotOfStep(i))] : nullptr;
}

const UndoEntry* UndoHistory::redoRecord(int32_t i) const {
  return i >= 0 && i < count_ ? &redoRecords_[size_t(slotOfStep(i))] : nullptr;
}

const std::string* UndoHistory::undoLabel() const {
  return canUndo() ? &undoRecords_[size_t(wrap(head_ + redoOffset_ - 1))].label : nullptr;
}

const std::string* UndoHistory::redoLabel() const {
  return canRedo() ? &redoRecords_[size_t(wrap(head_ + redoOffset_))].label : nullptr;
}

uint64_t UndoHistory::heldBytes() const {
  uint64_t bytes = 0;
  for (size_t s = 0; s < size_t(kSlots); ++s) bytes += undoRecords_[s].sizeEstimate() + redoRecords_[s].sizeEstimate();
  return bytes;
}

// ---- recording

UndoEntry& UndoHistory::beginRecord() {
  lastRecordTick_ = clock_ != nullptr ? clock_->milliseconds() : 0;
  if (redoOffset_ != 0) {
    // The undone steps are gone; their records are released now rather than when reused.
    for (int32_t i = 0; i < -redoOffset_; ++i) {
      const size_t slot = size_t(slotOfStep(i));
      undoRecords_[slot].release();
      redoRecords_[slot].release();
    }
    head_ = wrap(head_ + redoOffset_);
    count_ += redoOffset_;
    redoOffset_ = 0;
  }
  undoRecords_[size_t(head_)].release();
  redoRecords_[size_t(head_)].release();
  recording_ = true;
  return undoRecords_[size_t(head_)];
}

bool UndoHistory::commitRecord() {
  if (!recording_) return false;
  recording_ = false;
  if (count_ < kSlots) ++count_;
  head_ = wrap(head_ + 1);
  ++revision_;
  trimToBudget();
  ++changeCount_;
  return true;
}

void UndoHistory::trimToBudget() {
  uint64_t sum = 0;
  for (int32_t i = 0; i < count_; ++i) {
    const size_t slot = size_t(slotOfStep(i));
    sum += undoRecords_[slot].sizeEstimate() + redoRecords_[slot].sizeEstimate();
    if (sum > memoryBudget_) {
      // The slots of no step are empty already.
      for (int32_t j = i + 1; j < count_; ++j) {
        const size_t older = size_t(slotOfStep(j));
        undoRecords_[older].release();
        redoRecords_[older].release();
      }
      count_ = i + 1;
      return;
    }
  }
}

bool UndoHistory::record(UndoEntry&& entry) {
  if (entry.empty()) return false;
  UndoEntry& slot = beginRecord();
  slot = std::move(entry);
  return commitRecord();
}

bool UndoHistory::push(UndoEntry& entry, std::string_view label) {
  try {
    entry.label.assign(label.data(), label.size());
  } catch (const std::bad_alloc&) {
    return false;
  }
  return record(std::move(entry));
}

bool UndoHistory::recordPixels32(const TiledImage32& store, const Rect& rect, int32_t layerIndex,
                                 std::string_view label) {
  UndoEntry e;
  if (rect.width <= 0 || rect.height <= 0 || !makePixelsRecord(store, rect, layerIndex, tileMethod_, e)) return false;
  return push(e, label);
}

bool UndoHistory::recordPixels8(const TiledImage8& store, const Rect& rect, int32_t layerIndex,
                                std::string_view label) {
  UndoEntry e;
  if (rect.width <= 0 || rect.height <= 0 || !makePixelsRecord(store, rect, layerIndex, tileMethod_, e)) return false;
  return push(e, label);
}

bool UndoHistory::recordPixels1(const TiledImage1& store, const Rect& rect, int32_t layerIndex,
                                std::string_view label) {
  UndoEntry e;
  if (rect.width <= 0 || rect.height <= 0 || !makePixelsRecord(store, rect, layerIndex, tileMethod_, e)) return false;
  return push(e, label);
}

bool UndoHistory::recordSelection(const TiledImage8& mask, const Rect& rect, int32_t selectionIndex,
                                  int32_t selectionMode, std::string_view label) {
  UndoEntry e;
  if (!makeSelectionRecord(mask, rect, selectionIndex, selectionMode, tileMethod_, e)) return false;
  return push(e, label);
}

bool UndoHistory::recordLayerSwap(int32_t first, int32_t second, std::string_view label) {
  UndoEntry e;
  return makeLayerSwapRecord(first, second, e) && push(e, label);
}

bool UndoHistory::recordLayerMove(const Layer& layer, int32_t layerIndex, int32_t dx, int32_t dy,
                                  std::string_view label) {
  UndoEntry e;
  return makeLayerMoveRecord(layer, layerIndex, dx, dy, e) && push(e, label);
}

bool UndoHistory::recordRegion(const Layer& layer, int32_t layerIndex, const Selection& selection, const Rect& rect,
                               int32_t dx, int32_t dy, std::string_view label) {
  UndoEntry e;
  return makeRegionRecord(layer, layerIndex, selection, rect, dx, dy, e) && push(e, label);
}

bool UndoHistory::recordDocument(const Document& document, std::string_view label, Progress* progress) {
  UndoEntry e;
  return makeDocumentRecord(document, progress, e) && push(e, label);
}

// ---- applying

uint32_t UndoHistory::applyStep(int32_t direction, Document& document, UndoOutcome* outcome) {
  UndoOutcome local;
  UndoOutcome& out = outcome != nullptr ? *outcome : local;
  out = UndoOutcome{};
  const UndoApplyContext context{tileMethod_, &scratch_};
  if (direction == int32_t(UndoDirection::kUndo)) {
    if (!canUndo()) return 0;
    const size_t slot = size_t(wrap(head_ + redoOffset_ - 1));
    UndoEntry redo;
    const uint32_t bits =
        applyUndoRecord(undoRecords_[slot], UndoDirection::kUndo, document, context, &redo, out);
    if (bits & kUndoBitNoMemory) return bits;
    redoRecords_[slot] = std::move(redo);
    --redoOffset_;
    ++revision_;
    --changeCount_;
    return bits;
  }
  if (direction == int32_t(UndoDirection::kRedo)) {
    if (!canRedo()) return 0;
    const size_t slot = size_t(wrap(head_ + redoOffset_));
    const uint32_t bits =
        applyUndoRecord(redoRecords_[slot], UndoDirection::kRedo, document, context, nullptr, out);
    if (bits & kUndoBitNoMemory) return bits;
    ++revision_;
    ++changeCount_;
    ++redoOffset_;
    return bits;
  }
  return 0;
}

void UndoHistory::clear() {
  for (size_t s = 0; s < size_t(kSlots); ++s) {
    undoRecords_[s].release();
    redoRecords_[s].release();
  }
  count_ = 0;
  head_ = 0;
  redoOffset_ = 0;
  changeCount_ = 0;
  recording_ = false;
  scratch_ = RestoreScratch{};
}

}  // namespace kanvo
