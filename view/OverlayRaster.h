#pragma once
// Draws an Overlay into an image, for surfaces that keep the window's picture in an image of
// their own (and for pictures of the window in tests): runs, then lines (every pixel of the
// Bresenham line, both ends included), then ellipse outlines (the pixels of the inscribed
// ellipse that have a neighbour outside it). Pixel (x, y) of the image is window pixel
// (x + originX, y + originY); everything is clipped to the image.
#include <cstdint>

#include "raster/image/Image32.h"
#include "view/DrawingSurface.h"

namespace kanvo {

void drawOverlay(Image32& image, const Overlay& overlay, int32_t originX = 0, int32_t originY = 0);

}  // namespace kanvo
