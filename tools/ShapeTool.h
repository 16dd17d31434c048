#pragma once
// The shape family as tool dispatch drives it: "Fill Rect", "Fill Ellipse" (on release, from the
// dragged rectangle) and "Fill Polygon", "Fill Line", "Fill Frame" (from the collected vertices,
// when the shape is finished). Each records its own undo step and redraws what it changed.
// Without an implementation the shape tools do nothing.
#include "tools/ToolEvent.h"

namespace kanvo {

class ShapeTool {
 public:
  virtual ~ShapeTool() = default;
  // True when the document changed.
  virtual bool fillRect(const DragRect& drag) = 0;
  virtual bool fillEllipse(const DragRect& drag) = 0;
  // subTool: 2 "Fill Polygon", 3 "Fill Line", 4 "Fill Frame" (ToolMode.h); at least one vertex.
  virtual bool fillVertices(int32_t subTool, const VertexList& vertices) = 0;
};

}  // namespace kanvo
