#include "tools/select/SelectionEngine.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "document/BusyScope.h"
#include "raster/span/SpanOps.h"
#include "raster/tiled/TiledBlit.h"
#include "raster/tiled/TiledCopy.h"
#include "tools/bucket/RegionSample.h"
#include "tools/fill/MaskFill.h"
#include "tools/select/SelectionMask.h"
#include "tools/shape/ShapeCoverage.h"
#include "tools/shape/ShapeOutline.h"

namespace kanvo {

namespace {

constexpr const char* kClearLabel = "Select (Clear)";
constexpr const char* kMoveLabel = "Select (Move)";

std::string labelFor(SelectionOperation operation, std::string_view shape) {
  std::string label = "Select (";
  if (operation == kSelectAdd) label += '+';
  if (operation == kSelectRemove) label += '-';
  label += shape;
  label += ')';
  return label;
}

bool finite(CanvasPoint p) {
  return std::isfinite(p.x) && std::isfinite(p.y);
}

Rect wholeMask(const TiledImage8& mask) {
  return Rect(0, 0, int32_t(mask.width()), int32_t(mask.height()));
}

}  // namespace

SelectionEngine::SelectionEngine(Document& document, UndoHistory& history, const ToolSettings& settings,
                                 RedrawSink* sink)
    : document_(document), history_(history), settings_(settings), sink_(sink) {}

Selection* SelectionEngine::target() const {
  Selection* selection = document_.currentSelection();
  if (selection == nullptr || document_.busy != 0) return nullptr;
  const TiledImage8& mask = selection->mask;
  if (mask.width() != uint32_t(document_.width()) || mask.height() != uint32_t(document_.height()))
    return nullptr;
  return selection;
}

TiledImage8* SelectionEngine::coverage() {
  TiledImage8& mask = document_.strokeMask;
  const uint32_t w = uint32_t(document_.width()), h = uint32_t(document_.height());
  if (mask.width() != w || mask.height() != h) return mask.resize(w, h) ? &mask : nullptr;
  mask.clear();
  return &mask;
}

bool SelectionEngine::selectRect(const DragRect& drag, SelectionOperation operation) {
  return selectBox(drag, operation, false);
}

bool SelectionEngine::selectEllipse(const DragRect& drag, SelectionOperation operation) {
  return selectBox(drag, operation, true);
}

bool SelectionEngine::selectBox(const DragRect& drag, SelectionOperation operation, bool ellipse) {
  const ToolOptions& options = settings_.options;
  if (!std::all_of(drag.corners.begin(), drag.corners.end(), finite)) return false;
  const auto box = dragBox(drag, options.selectionConstraint != 0);
  if (!box) return clearSelection();  // a click without a drag
  Selection* selection = target();
  TiledImage8* cover = selection != nullptr ? coverage() : nullptr;
  if (cover == nullptr) return false;
  const bool antialias = options.selectionAntialias != 0;
  if (ellipse) {
    addPolygonCoverage(*cover, kanvo::ellipse(*box), antialias);
  } else if (box->turned) {
    addPolygonCoverage(*cover,
                       {box->at(-box->halfWidth, -box->halfHeight), box->at(box->halfWidth, -box->halfHeight),
                        box->at(box->halfWidth, box->halfHeight), box->at(-box->halfWidth, box->halfHeight)},
                       antialias);
  } else {
    addBoxCoverage(*cover, box->pixels);
  }
  const bool plainBox = !ellipse && !box->turned && operation == kSelectReplace;
  return redrawn(combine(*selection, operation, ellipse ? "Ellipse" : "Rect",
                         plainBox ? &box->pixels : nullptr, box->turned));
}

bool SelectionEngine::selectPolygon(const VertexList& vertices, SelectionOperation operation) {
  PointList polygon = vertices;
  if (polygon.size() > 1 && polygon.back() == polygon.front()) polygon.pop_back();
  Selection* selection = polygon.size() >= 3 ? target() : nullptr;
  TiledImage8* cover = selection != nullptr ? coverage() : nullptr;
  if (cover == nullptr) return false;
  addPolygonCoverage(*cover, polygon, settings_.options.selectionAntialias != 0);
  return redrawn(combine(*selection, operation, "Polygon", nullptr, false));
}

bool SelectionEngine::selectAuto(CanvasPoint at, SelectionOperation operation) {
  Selection* selection = target();
  Layer* layer = document_.currentLayer();
  if (selection == nullptr || layer == nullptr || !finite(at)) return false;
  const ToolOptions& options = settings_.options;
  bool changed = false;
  {
    BusyScope busy(document_.busy);
    const bool found =
        fillRegion(document_, *layer, options.autoSelectSampleSource == 0, document_.strokeMask,
                   int32_t(std::floor(at.x)), int32_t(std::floor(at.y)), options.autoSelectTolerance);
    if (found) changed = combine(*selection, operation, "Auto", nullptr, false);
  }
  // The view draws nothing while the document is busy.
  return redrawn(changed);
}

bool SelectionEngine::combine(Selection& selection, SelectionOperation operation, std::string_view shape,
                              const Rect* box, bool turned) {
  TiledImage8& mask = selection.mask;
  const TiledImage8& cover = document_.strokeMask;
  history_.recordSelection(mask, wholeMask(mask), document_.currentSelectionIndex(), selection.mode,
                           labelFor(operation, shape));
  Rect changed;
  if (operation == kSelectReplace) {
    changed = mask.tileBounds();
    mask.clear();
  }
  const Rect r = coveredBounds(cover);
  changed.unite(r);
  if (!r.isEmpty()) {
    SpanParams params;
    params.op = operation == kSelectRemove ? kOpSubtract : kOpAdd;
    blit(mask, params, r.x, r.y, cover, r.x, r.y, r.width, r.height);
  }
  document_.strokeMask.clear();
  bool outlineBuilt = false;
  if (box != nullptr) {
    Rect inside = *box;
    outlineBuilt =
        clipToSize(inside, document_.width(), document_.height()) && boxOutline(inside, selection.outline);
  }
  finish(selection, changed, operation == kSelectReplace && turned ? kSelectionTurned : kSelectionMask,
         outlineBuilt);
  return true;
}

bool SelectionEngine::clearSelection() {
  Selection* selection = target();
  if (selection == nullptr || !hasSelectedPixels(selection->mask)) return false;
  TiledImage8& mask = selection->mask;
  history_.recordSelection(mask, wholeMask(mask), document_.currentSelectionIndex(), selection->mode,
                           kClearLabel);
  const Rect changed = mask.tileBounds();
  mask.clear();
  document_.modified = 1;
  finish(*selection, changed, kSelectionNone, false);
  return redrawn(true);
}

bool SelectionEngine::moveSelection(int32_t dx, int32_t dy) {
  Selection* selection = target();
  if (selection == nullptr || (dx == 0 && dy == 0) || !hasSelectedPixels(selection->mask)) return false;
  TiledImage8& mask = selection->mask;
  TiledImage8 moved;
  if (!moved.resize(mask.width(), mask.height()) ||
      !copyPixels(mask, 0, 0, mask.width(), mask.height(), moved, dx, dy)) {
    return false;
  }
  history_.recordSelection(mask, wholeMask(mask), document_.currentSelectionIndex(), selection->mode,
                           kMoveLabel);
  Rect changed = mask.tileBounds();
  changed.unite(moved.tileBounds());
  mask = std::move(moved);
  finish(*selection, changed, selection->mode, false);
  return redrawn(true);
}

bool SelectionEngine::selectRange(CanvasPoint at, bool clearFirst, bool ctrlHeld) {
  Selection* selection = target();
  if (selection == nullptr || !finite(at)) return false;
  const double x = std::floor(at.x), y = std::floor(at.y);
  if (x < 0 || y < 0 || x >= document_.width() || y >= document_.height()) return false;
  {
    BusyScope busy(document_.busy);
    Image32 composite(document_.width(), document_.height());
    if (!composite.hasPixels() || !document_.flatten(composite, CompositeOptions{})) return false;
    TiledImage8& mask = selection->mask;
    if (clearFirst) mask.clear();
    const Color32 colour = composite.getPixel(int32_t(x), int32_t(y));
    if (!markRange(composite, colour, settings_.options.colourRangeTolerance, ctrlHeld ? 0 : 255, mask)) {
      mask.clear();
    }
    finish(*selection, wholeMask(mask), kSelectionMask, false);
  }
  return redrawn(true);
}

void SelectionEngine::finish(Selection& selection, const Rect& rect, int32_t mode, bool outlineBuilt) {
  TiledImage8& mask = selection.mask;
  mask.dropEmptyTiles();
  const bool empty = mask.presentTileCount() == 0;
  selection.mode = empty ? kSelectionNone : mode;
  if (!rect.isEmpty()) selection.pyramid.update(mask, rect);
  if (empty)
    selection.outline.clear();
  else if (!outlineBuilt)
    selection.rebuildOutline();
  selection.thumbnail.build(mask, kOpaqueBlack, 0, 0, document_.width(), document_.height());
}

bool SelectionEngine::redrawn(bool changed) {
  if (changed && sink_ != nullptr) sink_->redrawAll();
  return changed;
}

}  // namespace kanvo
