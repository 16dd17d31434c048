#pragma once
// A selection of the document: an 8 bpp mask of the canvas size (0 not selected, 255 fully
// selected, values between partly selected), its six reduced masks, its boundary outline and
// its mode. The selection tools fill the mask; the document creates, resizes, crops and copies
// selections.
#include <cstdint>
#include <vector>

#include "document/LayerPyramid.h"
#include "document/Thumbnail.h"
#include "raster/image/Rect.h"
#include "raster/tiled/TiledImage.h"

namespace kanvo {

enum SelectionMode : int32_t {
  kSelectionNone = 0,  // nothing selected
  kSelectionTurned = 1,  // the mask holds a selection made with the view turned
  kSelectionMask = 2,  // the mask holds the selection
  kSelectionAll = 3,   // everything selected
};

// One edge of the outline between a selected (mask not 0) and an unselected pixel; pixels
// outside the canvas count as unselected.
struct SelectionEdge {
  int32_t x = 0, y = 0;
  // 0: the horizontal edge along the top of pixel (x, y); 1: the vertical edge along its left.
  uint8_t orientation = 0;
  bool operator==(const SelectionEdge&) const = default;
};

class Selection {
 public:
  Selection() = default;
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;

  TiledImage8 mask;
  LayerPyramid<8> pyramid;  // the reduced masks (8 bpp rule)
  std::vector<SelectionEdge> outline;
  int32_t mode = kSelectionNone;
  Thumbnail thumbnail;

  // Sizes the mask (emptying it) and its reduced masks for a canvas of width x height; clears
  // the outline and resets the thumbnail. False when memory cannot be had (the selection is
  // then empty, 0 x 0).
  bool resize(int32_t width, int32_t height);
  // Whether any pixel of the mask is selected (not 0).
  bool hasSelected() const;
  // Rebuilds the reduced masks, the outline and the thumbnail from the mask.
  bool refresh();
  // Rebuilds the outline from the mask: every edge between a selected pixel and an
  // unselected one (or the canvas border), by tiles, skipping tiles that cannot hold an edge.
  void rebuildOutline();
  // A deep copy of other. False when memory ran out.
  bool copyFrom(const Selection& other);
  // The mode, and the mask sharing other's tiles (TiledImage::shareFrom); the reduced masks,
  // outline and thumbnail stay empty (a snapshot to be written out). False when memory ran out.
  bool shareFrom(const Selection& other);
  // Bytes held by the mask's and the reduced masks' tiles and the outline.
  uint64_t byteEstimate() const;
};

}  // namespace kanvo
