#pragma once
// What the bucket's seed fill looks at, in canvas pixels: the document's composite (every
// visible layer, as saving flattens it, over a transparent background) or the current layer
// alone. A layer whose store has the canvas size and no offset is read where it is; any other
// is first placed at its offset into a canvas-sized image of its depth (whole tiles when the
// offset is a multiple of 64, pixel rows otherwise), so that the region stops at the canvas
// edge and the layer's empty surroundings read as empty.
#include <cstdint>

#include "document/Document.h"
#include "raster/tiled/TiledImage.h"

namespace kanvo {

// Fills the region of canvas pixel (x, y) into mask (emptied and sized to the canvas first)
// with value 255, sampling the composite when fromComposite, else layer (a raster layer).
// False when nothing was found: the point outside the canvas, a vector layer, a flatten
// already running, or memory that could not be had (the mask is then emptied).
bool fillRegion(Document& document, const Layer& layer, bool fromComposite, TiledImage8& mask, int32_t x,
                int32_t y, int32_t tolerance);

}  // namespace kanvo
