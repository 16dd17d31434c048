#pragma once
// The Canvas menu's changes of the document, each one step of the history, marking the
// document changed and redrawing the view and the panels.
#include <cstdint>

#include "raster/image/Rect.h"

namespace kanvo {

class Application;
class Selection;

// Every layer and selection stretched to width x height ("Resolution"). True when done or when
// the size is already that; false (nothing changed) when memory cannot be had.
bool resizeCanvas(Application& app, int32_t width, int32_t height);
// The canvas cropped to the bounds of the current selection's pixels ("Trimming"). False
// (nothing changed) without a selection or when memory cannot be had.
bool trimToSelection(Application& app);
// The current raster layer cleared ("Clear"): all of it without a selection, otherwise its
// selected pixels, erased in proportion to the selection's value.
void clearCurrentLayer(Application& app);
// The two bottom layers trade places ("Layer Exchange"); a current layer at 0 or 1 stays the
// same layer. Nothing with fewer than two layers.
void exchangeBottomLayers(Application& app);

// The bounds of the selection's non-zero mask pixels (canvas coordinates); empty when none.
Rect selectedBounds(const Selection& selection);

}  // namespace kanvo
