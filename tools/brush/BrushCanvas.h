#pragma once
// What the brush engine needs of the view: its zoom (the sample filter works in screen
// pixels; below zoom 1 the layer's reduced images are refreshed as the stroke goes) and the
// redraw of a changed canvas rectangle. The view implements it; tests use a recording fake.
#include "raster/image/Rect.h"

namespace kanvo {

class BrushCanvas {
 public:
  virtual ~BrushCanvas() = default;
  virtual double zoom() const = 0;
  // Shows the canvas rectangle (canvas pixels) as the document now has it.
  virtual void redrawCanvasRect(const Rect& rect) = 0;
};

}  // namespace kanvo
