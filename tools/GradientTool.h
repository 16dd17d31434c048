#pragma once
// The gradient as tool dispatch drives it: drawn on release from the press point to the release
// point (canvas points) on the current layer. Records its own undo step and redraws.
#include "tools/ToolEvent.h"

namespace kanvo {

class GradientTool {
 public:
  virtual ~GradientTool() = default;
  // True when the document changed.
  virtual bool draw(CanvasPoint from, CanvasPoint to) = 0;
};

}  // namespace kanvo
