#pragma once
// The shape engine, the shape family of tool dispatch (tools/ShapeTool.h): "Fill Rect",
// "Fill Ellipse", "Fill Polygon", "Fill Line" and "Fill Frame" on the current raster layer with
// the foreground colour, each one undo step "Fill (Rect)", "Fill (Ellipse)", "Fill (Polygon)",
// "Fill (Line)" or "Fill (Frame)".
//
// The shape is scan-converted into the document's strokeMask (emptied before and after) and
// composited by the mask fill (tools/fill/MaskFill.h), which records the step and weights the
// fill by the selection; the changed rectangle is redrawn.
// - Rectangle and ellipse come from the dragged box (ShapeOutline.h: dragBox), with the square
//   and circle constraint of the options. An unturned, unrounded rectangle covers its whole
//   pixels; a rounded one (the rounded-rectangle option, its corners rounded by the rounding
//   value) and the ellipse are polygons. They are filled at full opacity.
// - A polygon needs three vertices once a last vertex repeating the first is dropped. A line
//   is the polyline's band of the line width, a frame the closed polygon's band (three
//   vertices at least). These are filled at the shape opacity.
// - The shape antialias option weights the run ends of the scan conversion by their coverage.
//
// Nothing happens (false) without a current layer, on a hidden, locked or vector layer, while
// the document is busy, or when the shape covers no pixel of the canvas.
#include <cstdint>
#include <string_view>

#include "document/Document.h"
#include "document/undo/UndoHistory.h"
#include "tools/RedrawSink.h"
#include "tools/ShapeTool.h"
#include "tools/ToolSettings.h"
#include "tools/fill/MaskFill.h"

namespace kanvo {

class ShapeEngine : public ShapeTool {
 public:
  // The view's redraw sink; without one nothing is redrawn.
  ShapeEngine(Document& document, UndoHistory& history, ToolSettings& settings, RedrawSink* sink = nullptr)
      : document_(document), history_(history), settings_(settings), sink_(sink) {}
  ShapeEngine(const ShapeEngine&) = delete;
  ShapeEngine& operator=(const ShapeEngine&) = delete;

  bool fillRect(const DragRect& drag) override;
  bool fillEllipse(const DragRect& drag) override;
  bool fillVertices(int32_t subTool, const VertexList& vertices) override;

 private:
  // The current layer when a shape may be filled on it now, with the mask emptied and sized.
  Layer* target();
  // Fills the mask into the layer under the label and redraws; the mask is emptied again.
  bool finish(Layer& layer, const FillPaint& paint, std::string_view label);

  Document& document_;
  UndoHistory& history_;
  ToolSettings& settings_;
  RedrawSink* sink_;
};

}  // namespace kanvo
