#pragma once
// The selection family as tool dispatch drives it: rectangle and ellipse selections from the
// dragged rectangle, polygon selections from the collected vertices, the automatic and the
// colour-range selection from a pressed point, and the drag of the selection. Each records its
// own undo step (the colour range records none) and redraws. Without an implementation the
// selection tools do nothing.
#include <cstdint>

#include "tools/ToolEvent.h"

namespace kanvo {

class SelectionTool {
 public:
  virtual ~SelectionTool() = default;
  // True when the selection changed.
  virtual bool selectRect(const DragRect& drag, SelectionOperation operation) = 0;
  virtual bool selectEllipse(const DragRect& drag, SelectionOperation operation) = 0;
  virtual bool selectPolygon(const VertexList& vertices, SelectionOperation operation) = 0;
  virtual bool selectAuto(CanvasPoint at, SelectionOperation operation) = 0;
  // ctrlHeld: the range is taken out of the colour-region mask instead of written into it.
  virtual bool selectRange(CanvasPoint at, bool clearFirst, bool ctrlHeld) = 0;
  // Moves the selection by whole canvas pixels (not both 0).
  virtual bool moveSelection(int32_t dx, int32_t dy) = 0;
};

}  // namespace kanvo
