#include "tools/shape/ShapeEngine.h"

#include "tools/dispatch/ToolMode.h"
#include "tools/shape/ShapeCoverage.h"
#include "tools/shape/ShapeOutline.h"

namespace kanvo {

Layer* ShapeEngine::target() {
  Layer* layer = document_.currentLayer();
  if (layer == nullptr || !layer->isRaster() || !layer->visible || layer->locked || document_.busy)
    return nullptr;
  TiledImage8& mask = document_.strokeMask;
  const uint32_t w = uint32_t(document_.width()), h = uint32_t(document_.height());
  if (mask.width() != w || mask.height() != h) {
    if (!mask.resize(w, h)) return nullptr;
  } else {
    mask.clear();
  }
  return layer;
}

bool ShapeEngine::finish(Layer& layer, const FillPaint& paint, std::string_view label) {
  const Rect changed = fillThroughMask(document_, history_, layer, document_.strokeMask, paint, label);
  document_.strokeMask.clear();
  if (changed.isEmpty()) return false;
  if (sink_ != nullptr) sink_->redrawCanvasRect(changed);
  return true;
}

bool ShapeEngine::fillRect(const DragRect& drag) {
  const ToolOptions& options = settings_.options;
  const auto box = dragBox(drag, options.shapeConstraint != 0);
  Layer* layer = box ? target() : nullptr;
  if (layer == nullptr) return false;
  if (options.roundedRectangle != 0)
    addPolygonCoverage(document_.strokeMask, roundedRectangle(*box, options.roundingValue),
                       options.shapeAntialias);
  else if (box->turned)
    addPolygonCoverage(document_.strokeMask,
                       {box->at(-box->halfWidth, -box->halfHeight), box->at(box->halfWidth, -box->halfHeight),
                        box->at(box->halfWidth, box->halfHeight), box->at(-box->halfWidth, box->halfHeight)},
                       options.shapeAntialias);
  else
    addBoxCoverage(document_.strokeMask, box->pixels);
  return finish(*layer, {settings_.foreground(), 255}, "Fill (Rect)");
}

bool ShapeEngine::fillEllipse(const DragRect& drag) {
  const ToolOptions& options = settings_.options;
  const auto box = dragBox(drag, options.shapeConstraint != 0);
  Layer* layer = box ? target() : nullptr;
  if (layer == nullptr) return false;
  addPolygonCoverage(document_.strokeMask, ellipse(*box), options.shapeAntialias);
  return finish(*layer, {settings_.foreground(), 255}, "Fill (Ellipse)");
}

bool ShapeEngine::fillVertices(int32_t subTool, const VertexList& vertices) {
  const ToolOptions& options = settings_.options;
  std::vector<PointList> pieces;
  std::string_view label;
  switch (subTool) {
    case kToolFillPolygon: {
      PointList polygon = vertices;
      if (polygon.size() > 1 && polygon.back() == polygon.front()) polygon.pop_back();
      if (polygon.size() >= 3) pieces.push_back(std::move(polygon));
      label = "Fill (Polygon)";
      break;
    }
    case kToolFillLine:
      pieces = bandPieces(vertices, options.lineWidth, false);
      label = "Fill (Line)";
      break;
    case kToolFillFrame:
      if (vertices.size() >= 3) pieces = bandPieces(vertices, options.lineWidth, true);
      label = "Fill (Frame)";
      break;
    default:
      return false;
  }
  Layer* layer = pieces.empty() ? nullptr : target();
  if (layer == nullptr) return false;
  for (const PointList& piece : pieces)
    addPolygonCoverage(document_.strokeMask, piece, options.shapeAntialias);
  return finish(*layer, {settings_.foreground(), options.shapeOpacity}, label);
}

}  // namespace kanvo
