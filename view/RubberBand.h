#pragma once
// Rubber bands: the live outlines of a drag (a rectangle, an ellipse, a line), drawn on the
// surface's tool-feedback overlay so that they show on any background: every outline once in
// black and once in white beside it, one pixel away. Coordinates are window pixels. Each
// operation adds to the overlay being built; the caller hands the finished overlay to the
// surface (DrawingSurface::setOverlay), which replaces the previous band with it.
#include <cstdint>

#include "view/DrawingSurface.h"

namespace kanvo {

// The black line from (x0, y0) to (x1, y1), then its white twin: one pixel to the right when
// the line is at least as tall as wide (|x0 - x1| <= |y0 - y1|), one pixel down otherwise.
void drawBandLine(Overlay& overlay, int32_t x0, int32_t y0, int32_t x1, int32_t y1);
// Four band lines in this order: top (x, y)-(x + w, y), bottom (x, y + h)-(x + w, y + h), left
// (x, y)-(x, y + h), right (x + w, y)-(x + w, y + h).
void drawBandRect(Overlay& overlay, int32_t x, int32_t y, int32_t width, int32_t height);
// The black ellipse outline in the box, then the white one in the box moved one pixel down when
// the box is wider than tall (|right - left| > |bottom - top|), else one pixel right. Only
// outlines: the canvas under the drag stays visible.
void drawBandEllipse(Overlay& overlay, int32_t left, int32_t top, int32_t right, int32_t bottom);

}  // namespace kanvo
