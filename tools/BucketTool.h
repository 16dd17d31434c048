#pragma once
// The bucket fill as tool dispatch drives it: a fill from the pressed pixel (the snapped canvas
// point, inside the document) on the current layer. Records its own undo step and redraws.
#include "tools/ToolEvent.h"

namespace kanvo {

class BucketTool {
 public:
  virtual ~BucketTool() = default;
  // True when the document changed.
  virtual bool fill(CanvasPoint at) = 0;
};

}  // namespace kanvo
