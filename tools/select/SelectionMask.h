#pragma once
// The pieces of the selection engine that work on a mask alone: whether anything is
// selected, the outline of a plain rectangle, and the colour range's marking.
#include <cstdint>
#include <vector>

#include "document/Selection.h"
#include "raster/image/Image32.h"
#include "raster/image/Rect.h"
#include "raster/tiled/TiledImage.h"

namespace kanvo {

// True when a pixel of the mask is not 0; tiles holding only zeros are freed on the way.
bool hasSelectedPixels(TiledImage8& mask);

// The outline of the rectangle (inside the canvas, not empty) alone: its top and bottom rows
// of horizontal edges and its left and right columns of vertical edges, as the outline rebuild
// finds them for a mask selecting just that rectangle. False (outline emptied) when memory ran
// out.
bool boxOutline(const Rect& box, std::vector<SelectionEdge>& outline);

// Writes value into mask (of the image's size) at every pixel of image whose 32 bpp fill
// distance from colour is at most tolerance; the other pixels keep their values. False when a
// mask tile could not be had.
bool markRange(const Image32& image, Color32 colour, int32_t tolerance, uint8_t value, TiledImage8& mask);

}  // namespace kanvo
