#pragma once
// A drawing laid over the layers inside the composited picture (the tool's live preview, the
// document's guides): the view calls it after the layers, for the part being composited.
#include "raster/image/Image32.h"
#include "view/ViewCompositor.h"

namespace kanvo {

class CanvasOverlay {
 public:
  virtual ~CanvasOverlay() = default;
  // Draws into canvasImage, whose pixel (0, 0) is frame column frame.u0, row frame.v0: canvas
  // point (cx, cy) lies at (frame.zoom cx + frame.fracX - frame.u0, frame.zoom cy + frame.fracY
  // - frame.v0) of it. Only canvasImage's pixels may change.
  virtual void drawOver(Image32& canvasImage, const ViewFrame& frame) = 0;
};

}  // namespace kanvo
