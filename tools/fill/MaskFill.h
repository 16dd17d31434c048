#pragma once
// Fills a raster layer through a coverage mask: the last step of the shape tools and the
// bucket. The caller scan-converts or seed-fills its region into a canvas-sized 8-bit mask
// (0 untouched, 255 fully covered, values between partly covered) and hands it here with the
// colour; this records the undo step, paints the layer and keeps the document's derived images
// in step.
//
// The steps, in order:
// 1. The rectangle is the bounding box of the mask's non-zero pixels (canvas coordinates).
//    When the document's current selection holds any selected pixel, the rectangle is
//    intersected with the selection's bounding box. It is then moved into the layer's store
//    (minus the layer offset) and clipped to the store.
// 2. The undo step is recorded under the label for the layer's depth (recordPixels32, 8 or 1)
//    from the store as it is before the change.
// 3. The mask is composited into the store, weighted by the selection mask when there is one:
//    - 32 bpp: the colour laid over the pixels (span op 23) at coverage x opacity / 255; with
//      the layer's transparency locked (Layer::reservedFlag) only the colour is replaced and
//      every alpha kept (span op 12).
//    - 8 bpp: the store holds the amount of the layer's colour, so the fill paints the value
//      255 - luminance(colour) at coverage x opacity / 255 (span op 15): dark colours add ink,
//      white removes it.
//    - 1 bpp: where the coverage (and the selection) reaches 128, the bit is set for a colour
//      whose 255 - luminance reaches 128 and cleared for a lighter one. An opacity below 128
//      paints nothing.
// 4. Document::layerChanged for the rectangle: reduced images, the current copy, the dirty
//    rectangle and the modified flag.
//
// Nothing happens (an empty rectangle is returned, nothing recorded) for a layer that is not a
// raster layer of the document, hidden or locked, for a mask that is not of the canvas size, an
// opacity of 0, or when the rectangle comes out empty. The busy flag is the caller's business:
// the bucket fills while it has set it.
#include <cstdint>
#include <string_view>

#include "document/Document.h"
#include "document/undo/UndoHistory.h"
#include "raster/image/Rect.h"
#include "raster/pixel/Color32.h"
#include "raster/tiled/TiledImage.h"

namespace kanvo {

// What a fill lays on: the colour (its alpha kept as it is) and the opacity 0 ... 255 that
// weights it.
struct FillPaint {
  Color32 colour = kOpaqueBlack;
  int32_t opacity = 255;
};

// The bounding box of the non-zero pixels of an 8-bit image; all-zero when there is none.
Rect coveredBounds(const TiledImage8& mask);

// Composites coverage into layer as above and returns the changed canvas rectangle (empty when
// nothing changed).
Rect fillThroughMask(Document& document, UndoHistory& history, Layer& layer, const TiledImage8& coverage,
                     const FillPaint& paint, std::string_view label);

}  // namespace kanvo
