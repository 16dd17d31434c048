#pragma once
// Vector object editing as tool dispatch drives it (vector category on a vector layer): a press
// hit-tests the current layer's objects and starts an edit by sub-tool and keys, moves drag
// anchors, widths or strokes, the release records the edit. Without an implementation nothing
// is edited.
#include <cstdint>

#include "tools/ToolEvent.h"

namespace kanvo {

struct VectorPress {
  CanvasPoint at;
  int32_t subTool = 0;  // ToolMode.h: 0 anchor, 1 add vertex, 2 remove vertex, 3 transform, 4 width
  bool shift = false, ctrl = false, alt = false;
};

class VectorTool {
 public:
  virtual ~VectorTool() = default;
  virtual void press(const VectorPress& press) = 0;
  virtual void drag(CanvasPoint current) = 0;
  // True when an edit was recorded.
  virtual bool release(CanvasPoint at) = 0;
  // Whether the current vector layer has a selected stroke (for the status hints).
  virtual bool hasSelectedStroke() const = 0;
  // Whether an anchor is being dragged or an object moved (the four-way cursor).
  virtual bool dragging() const = 0;
};

}  // namespace kanvo
