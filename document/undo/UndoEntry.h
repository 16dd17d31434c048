#pragma once
// UndoEntry: one record of the undo history, either the undo record of a step (the state before
// the edit) or its redo record (the state an undo replaced). A record is a kind code, an 8-bit
// label and a payload that holds exactly what putting the changed part back needs.
//
// The payload is a variant with one alternative per family of step kinds; an empty record holds
// std::monostate. The kinds and what their payloads mean:
//   0, 1, 2  UndoPixels        the tiles of a rectangle of a layer's 32, 8 or 1 bpp store
//   3        UndoSelectionMask the tiles of a rectangle of a selection mask and its mode
//   7        UndoLayerSwap     two layer indices
//   10       UndoLayerMove     a layer index and the amount its content was moved
//   11       UndoRegion        a rectangle of a layer's pixels and a copy of selection 0's mask
//   25       UndoDocument      a complete copy of the document
// The vector kinds (14 to 21) add their own payload alternatives beside these.
//
// Records own their contents; release() frees everything and leaves an empty record with the
// label "". Records move but do not copy. Rectangles of kinds 0, 1, 2 and 11 are in the
// layer's store coordinates (canvas coordinates minus the layer offset); those of kind 3 in
// canvas coordinates.
#include <cstdint>
#include <memory>
#include <string>
#include <variant>

#include "document/Document.h"
#include "document/undo/TileStream.h"
#include "raster/image/Rect.h"
#include "raster/tiled/TiledImage.h"

namespace kanvo {

// Step kind codes, shared by memory and the history's records.
enum UndoKind : int32_t {
  kUndoPixels32 = 0,
  kUndoPixels8 = 1,
  kUndoPixels1 = 2,
  kUndoSelection = 3,
  kUndoLayerSwap = 7,
  kUndoLayerMove = 10,
  kUndoRegion = 11,
  kUndoStrokeEdit = 14,
  kUndoStrokeAdded = 15,
  kUndoStrokeDeleted = 16,
  kUndoStrokeMove = 19,
  kUndoStrokeRotate = 20,
  kUndoVertices = 21,
  kUndoDocument = 25,
};

// The store depth (32, 8 or 1) of pixel kinds 0, 1, 2; 0 for every other kind.
constexpr int undoPixelDepth(int32_t kind) {
  return kind == kUndoPixels32 ? 32 : kind == kUndoPixels8 ? 8 : kind == kUndoPixels1 ? 1 : 0;
}

// Kinds 0, 1, 2: the tiles of rect (widened to whole tiles, clipped to the store's tile grid)
// as they were, absent tiles included.
struct UndoPixels {
  int32_t layerIndex = 0;
  Rect rect;
  TileStream tiles;
};

// Kind 3. How applying restores the mask follows selectionMode: 0 empties it, 3 fills it with
// 255, any other mode writes the tiles back. The selection's mode then becomes modeAfter (the
// mode given when recorded; for a redo record, the mode the selection had when it was
// captured, so that a redo brings back the mode exactly).
struct UndoSelectionMask {
  int32_t selectionIndex = 0;
  Rect rect;
  int32_t selectionMode = 0;
  int32_t modeAfter = 0;
  TileStream tiles;
};

// Kind 7: the two layers exchanged.
struct UndoLayerSwap {
  int32_t first = 0;
  int32_t second = 0;
};

// Kind 10: the content of the layer was moved by (dx, dy) canvas pixels. The record also keeps
// the geometry of the store of the layer's kind (offset and size) that applying it brings back:
// for an undo record the store before the move, for a redo record the store after it. Moving
// the content alone would leave the store in the form a move gives it, while the tile records
// of other steps address the store as it was.
struct UndoLayerMove {
  int32_t layerIndex = 0;
  int32_t dx = 0;
  int32_t dy = 0;
  bool hasGeometry = false;
  int32_t offsetX = 0, offsetY = 0;
  uint32_t storeWidth = 0, storeHeight = 0;
};

// Kind 11: the pixels of rect of the layer's store of its kind (held in the image of that
// depth, rect.width x rect.height, pixel (0, 0) at rect's corner; the other two stay 0 x 0),
// selection 0's whole mask and the mode it had, and the amount the region was moved by.
struct UndoRegion {
  int32_t layerIndex = 0;
  int32_t layerKind = 0;
  Rect rect;
  int32_t selectionMode = 0;
  int32_t dx = 0;
  int32_t dy = 0;
  TiledImage32 pixels32;
  TiledImage8 pixels8;
  TiledImage1 pixels1;
  TiledImage8 mask;
};

// Kind 25: the whole document as it was.
struct UndoDocument {
  std::unique_ptr<Document> snapshot;
};

using UndoPayload =
    std::variant<std::monostate, UndoPixels, UndoSelectionMask, UndoLayerSwap, UndoLayerMove, UndoRegion, UndoDocument>;

class UndoEntry {
 public:
  UndoEntry() = default;
  UndoEntry(UndoEntry&&) noexcept = default;
  UndoEntry& operator=(UndoEntry&&) noexcept = default;
  UndoEntry(const UndoEntry&) = delete;
  UndoEntry& operator=(const UndoEntry&) = delete;

  int32_t kind = 0;
  std::string label;  // CP932 bytes
  UndoPayload payload;

  // True when the record holds no payload (never filled, released, or a redo record of a step
  // that was skipped).
  bool empty() const { return std::holds_alternative<std::monostate>(payload); }
  // Frees the payload and the label; kind becomes 0.
  void release();

  // The bytes the record is counted as in the history's memory budget: the byte length of its
  // tile streams, 16384 / 4096 / 512 bytes per present tile of a 32 / 8 / 1 bpp region copy
  // and 4096 per present tile of a mask copy, and a document copy's own estimate.
  uint64_t sizeEstimate() const;
};

}  // namespace kanvo
