#pragma once
// The step kinds of the undo history: how each kind's record is made from the document, and how
// a record is applied to the document in either direction, capturing first (for an undo) the
// state it replaces as the step's redo record.
//
// Applying is all or nothing. Everything that can fail is done before the document changes: the
// redo capture, the check of the record (a damaged tile stream, a tile outside the image) and
// the memory the change needs. What cannot be applied leaves the document exactly as it was and
// says why in the result bits.
//
// The undo history (UndoHistory.h) owns the records and the ring; this module knows nothing of
// it. The view is not touched here: the result bits and the outcome tell the caller what to
// redraw.
#include <cstdint>
#include <string_view>

#include "document/Document.h"
#include "document/Progress.h"
#include "document/undo/UndoEntry.h"
#include "document/undo/UndoRecord.h"
#include "raster/image/Rect.h"
#include "raster/tiled/TiledImage.h"

namespace kanvo {

// Result bits of applying a step; 0 means nothing happened.
enum UndoResult : uint32_t {
  kUndoResultPixels = 0x11,       // kinds 0, 1, 2, 10, 11: a layer's pixels changed
  kUndoResultLayerOrder = 0x21,   // kind 7: two layers exchanged
  kUndoResultSelection = 0x100,   // kind 3: a selection changed
  kUndoResultDocument = 0xAA0,    // kind 25: the whole document was replaced
  kUndoResultVector = 0x80A1,     // kinds 14 to 21: vector objects changed
  kUndoBitRedraw = 0x100,         // the caller redraws the view
  kUndoBitInvalidate = 0x200,     // the caller invalidates the whole view and redraws it
  // Nothing changed: the step's layer or selection no longer exists (or is no longer of the
  // recorded kind), or the record is empty. The history passed over the step.
  kUndoBitSkipped = 0x10000,
  // Nothing changed: the record is damaged. The history passed over the step.
  kUndoBitDamaged = 0x20000,
  // Nothing changed: memory for the change or the redo capture could not be had. The history
  // did not move, so the step can be tried again.
  kUndoBitNoMemory = 0x40000,
};

enum class UndoDirection : int32_t { kUndo = 0, kRedo = 1 };

// What applying needs beside the record and the document.
struct UndoApplyContext {
  int32_t method = kTileMethodLz4;    // how a redo capture stores tiles: 0 raw, 1 zlib, 2 LZ4
  RestoreScratch* scratch = nullptr;  // memory for decoded tiles, kept by the caller; may be null
};

// What applying a step changed, for the caller's view.
struct UndoOutcome {
  uint32_t bits = 0;
  int32_t kind = 0;
  // The canvas rectangle to redraw (the layer's changed tiles moved by its offset); empty when
  // the whole view is meant (see the bits) or nothing changed.
  Rect redraw;
  bool wholeView = false;      // the whole view is to be redrawn
  bool canvasResized = false;  // kind 25 changed the canvas size: centre the view on it
  const char* failure = "";    // why a damaged record was passed over
};

// ---- making undo records (each replaces entry; false, entry empty, when memory ran out) ----

// Kinds 0, 1, 2: the tiles of rect (store coordinates) of a store of the depth, stored with
// method (0 raw, 1 zlib, 2 LZ4).
template <int Bpp>
bool makePixelsRecord(const TiledImage<Bpp>& store, const Rect& rect, int32_t layerIndex, int32_t method,
                      UndoEntry& entry);
// Kind 3: the tiles of rect (canvas coordinates) of a selection mask, and the selection's mode.
bool makeSelectionRecord(const TiledImage8& mask, const Rect& rect, int32_t selectionIndex, int32_t mode,
                         int32_t method, UndoEntry& entry);
// Kind 7.
bool makeLayerSwapRecord(int32_t first, int32_t second, UndoEntry& entry);
// Kind 10: the layer's content is about to move by (dx, dy); the store's geometry is kept.
bool makeLayerMoveRecord(const Layer& layer, int32_t layerIndex, int32_t dx, int32_t dy, UndoEntry& entry);
// Kind 11: the pixels of rect (clipped to the store) of the layer's store of its kind, a copy of
// the selection's mask and its mode. False also for a layer that is not a raster layer.
bool makeRegionRecord(const Layer& layer, int32_t layerIndex, const Selection& selection, const Rect& rect,
                      int32_t dx, int32_t dy, UndoEntry& entry);
// Kind 25: a complete copy of the document.
bool makeDocumentRecord(const Document& document, Progress* progress, UndoEntry& entry);

// ---- applying ----

// Applies record to document in the direction. With redo given (an undo), the state the step
// replaces is captured into *redo first, as a record of the same kind and label, with tile
// streams stored with the context's method; *redo is replaced only when the step was applied or skipped (a
// skipped step leaves an empty redo record of the same kind and label). Returns the result
// bits, also stored in outcome.bits.
uint32_t applyUndoRecord(const UndoEntry& record, UndoDirection direction, Document& document,
                         const UndoApplyContext& context, UndoEntry* redo, UndoOutcome& outcome);

// Per family, for applyUndoRecord (same contract).
uint32_t applyPixelsRecord(const UndoEntry& record, Document& document, const UndoApplyContext& context,
                           UndoEntry* redo, UndoOutcome& outcome);
uint32_t applySelectionRecord(const UndoEntry& record, Document& document, const UndoApplyContext& context,
                              UndoEntry* redo, UndoOutcome& outcome);
uint32_t applyRegionRecord(const UndoEntry& record, Document& document, UndoEntry* redo, UndoOutcome& outcome);
uint32_t applyLayerSwapRecord(const UndoEntry& record, Document& document, UndoEntry* redo, UndoOutcome& outcome);
uint32_t applyLayerMoveRecord(const UndoEntry& record, UndoDirection direction, Document& document, UndoEntry* redo,
                              UndoOutcome& outcome);
uint32_t applyDocumentRecord(const UndoEntry& record, Document& document, UndoEntry* redo, UndoOutcome& outcome);

}  // namespace kanvo
