#pragma once
// UndoHistory: the last edits of the document, for stepping back and forward through them.
//
// The history is a ring of 128 slots; each slot holds one step as an undo record (the state
// before the edit) and a redo record (the state an undo replaced, captured by that undo). Step i,
// counting back from the newest (i = 0), lives in slot (head - 1 - i) mod 128. The newest
// |redoOffset| steps are the ones that have been undone and can be redone.
//
// Recording: every edit records one step just before it changes the document, either through a
// record* operation (which builds the record, then begins and commits it) or through
// beginRecord / commitRecord for a caller that fills the record itself. Beginning discards every
// step that can be redone. Committing counts the step (at most 128; the 129th overwrites the
// oldest) and then trims the history to the memory budget: walking from the newest step to the
// oldest and adding the estimated size of both records of each, the first step that makes the
// sum exceed the budget is the oldest one kept. A step larger than the budget on its own is kept
// and every older one released.
//
// Applying: applyStep undoes (direction 0) or redoes (direction 1) one step, all or nothing (see
// UndoSteps.h). A step whose layer or selection no longer exists, or whose record is damaged, is
// passed over: nothing changes, the result bits say so, and the history moves past it as if it
// had been applied. A step that cannot be applied for lack of memory leaves the history where
// it was.
//
// Counters: revision grows by one on every record, undo and redo (never reset); changeCount
// grows by one per record and per redo and drops by one per undo, and clear() resets it to 0.
//
// Labels are 8-bit CP932 strings, stored with the undo record and copied into its redo record.
// The clock (time stamps of recording) is handed in; without one the stamps are 0.
// Single-threaded. The history holds no reference into the document between calls.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "document/Clock.h"
#include "document/Document.h"
#include "document/Progress.h"
#include "document/undo/TileStream.h"
#include "document/undo/UndoEntry.h"
#include "document/undo/UndoSteps.h"
#include "raster/image/Rect.h"
#include "raster/tiled/TiledImage.h"

namespace kanvo {

class UndoHistory {
 public:
  static constexpr int32_t kSlots = 128;
  static constexpr uint32_t kConstructedBudget = 64u << 20;  // 64 MiB
  static constexpr uint32_t kApplicationBudget = 1u << 20;   // 1 MiB, what the application sets

  explicit UndoHistory(const Clock* clock = nullptr) : clock_(clock) {}
  UndoHistory(const UndoHistory&) = delete;
  UndoHistory& operator=(const UndoHistory&) = delete;

  // ---- settings ----
  // How recorded tiles are stored: 0 raw, 1 zlib, 2 LZ4 (the default). Other values are refused.
  int32_t tileMethod() const { return tileMethod_; }
  bool setTileMethod(int32_t method);
  // Bytes the kept steps may occupy (by their estimated sizes). Takes effect at the next commit.
  uint32_t memoryBudget() const { return memoryBudget_; }
  void setMemoryBudget(uint32_t bytes) { memoryBudget_ = bytes; }
  void setClock(const Clock* clock) { clock_ = clock; }

  // ---- state ----
  int32_t count() const { return count_; }            // steps held, 0 ... 128
  int32_t head() const { return head_; }              // slot of the next recorded step
  int32_t redoOffset() const { return redoOffset_; }  // 0, or minus the steps that can be redone
  uint32_t revision() const { return revision_; }
  int32_t changeCount() const { return changeCount_; }
  uint32_t lastRecordTick() const { return lastRecordTick_; }
  bool canUndo() const { return count_ != 0 && count_ + redoOffset_ != 0; }
  bool canRedo() const { return redoOffset_ != 0; }
  // The label of the step an undo or a redo would apply; null when there is none.
  const std::string* undoLabel() const;
  const std::string* redoLabel() const;
  // The records of step i counting back from the newest (i = 0), undone steps included; null
  // outside 0 ... count - 1.
  const UndoEntry* undoRecord(int32_t i) const;
  const UndoEntry* redoRecord(int32_t i) const;
  // The estimated bytes of every held record.
  uint64_t heldBytes() const;

  // ---- recording ----
  // Discards the steps that can be redone, stamps the time and returns the undo record of slot
  // head, emptied, for the caller to fill; commitRecord then makes it a step. A record left
  // empty is committed as a step that will be passed over.
  UndoEntry& beginRecord();
  // Makes the record returned by the last beginRecord a step. False when no record was begun.
  bool commitRecord();
  // Begins, moves entry in and commits. False (nothing recorded) for an empty entry.
  bool record(UndoEntry&& entry);

  // The record operations: each builds its record first and records nothing (false) when the
  // record cannot be made (memory) or there is nothing to record; label is CP932.
  // Kinds 0, 1, 2: the tiles of rect (store coordinates) of the layer's store as it is before the
  // change (for a stroke, the document's current copy). Nothing is recorded for a rect with no
  // width or height.
  bool recordPixels32(const TiledImage32& store, const Rect& rect, int32_t layerIndex, std::string_view label);
  bool recordPixels8(const TiledImage8& store, const Rect& rect, int32_t layerIndex, std::string_view label);
  bool recordPixels1(const TiledImage1& store, const Rect& rect, int32_t layerIndex, std::string_view label);
  // Kind 3: the tiles of rect (canvas coordinates) of a selection's mask and the mode it has.
  bool recordSelection(const TiledImage8& mask, const Rect& rect, int32_t selectionIndex, int32_t selectionMode,
                       std::string_view label);
  // Kind 7.
  bool recordLayerSwap(int32_t first, int32_t second, std::string_view label);
  // Kind 10: the layer's content is about to move by (dx, dy) (Layer::moveContent).
  bool recordLayerMove(const Layer& layer, int32_t layerIndex, int32_t dx, int32_t dy, std::string_view label);
  // Kind 11: the pixels of rect of the layer's store of its kind and the selection's mask and
  // mode, before a selected region moves by (dx, dy).
  bool recordRegion(const Layer& layer, int32_t layerIndex, const Selection& selection, const Rect& rect, int32_t dx,
                    int32_t dy, std::string_view label);
  // Kind 25: a complete copy of the document.
  bool recordDocument(const Document& document, std::string_view label, Progress* progress = nullptr);

  // ---- applying ----
  // direction 0 undoes, 1 redoes one step. Returns the result bits (UndoSteps.h); 0 when there was
  // nothing to do. outcome, when given, receives what changed for the view.
  uint32_t applyStep(int32_t direction, Document& document, UndoOutcome* outcome = nullptr);

  // Releases every record; count, head, redoOffset and changeCount become 0.
  void clear();

 private:
  static int32_t wrap(int32_t slot) { return ((slot % kSlots) + kSlots) % kSlots; }
  int32_t slotOfStep(int32_t i) const { return wrap(head_ - 1 - i); }
  bool push(UndoEntry& entry, std::string_view label);
  void trimToBudget();

  const Clock* clock_;
  int32_t tileMethod_ = kTileMethodLz4;
  uint32_t memoryBudget_ = kConstructedBudget;
  uint32_t revision_ = 0;
  std::array<UndoEntry, kSlots> undoRecords_;
  std::array<UndoEntry, kSlots> redoRecords_;
  int32_t count_ = 0;
  int32_t head_ = 0;
  int32_t redoOffset_ = 0;
  uint32_t lastRecordTick_ = 0;
  int32_t changeCount_ = 0;
  bool recording_ = false;
  RestoreScratch scratch_;  // decoded tiles of the last undo or redo, kept for the next
};

}  // namespace kanvo
