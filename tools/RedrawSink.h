#pragma once
// How a tool asks for the screen to follow a change: the view implements this (tools never
// draw on the window themselves), tests record the calls.
#include "raster/image/Rect.h"

namespace kanvo {

class RedrawSink {
 public:
  virtual ~RedrawSink() = default;
  // Composite and show again the part of the view that shows this canvas rectangle (canvas
  // pixels; the receiver clips it).
  virtual void redrawCanvasRect(const Rect& canvasRect) = 0;
  // Composite and show the whole view again.
  virtual void redrawAll() = 0;
};

}  // namespace kanvo
