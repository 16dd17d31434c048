#include "tools/brush/BrushEngine.h"

#include <algorithm>
#include <cmath>

#include "raster/pixel/FixedPoint.h"
#include "tools/dispatch/ToolMode.h"

namespace kanvo {

namespace {

constexpr int kDotBrushFirstCopies = 7;
constexpr double kSmoothing = 0.3333333333333333;
constexpr uint32_t kStrokeInterval = 25;  // milliseconds
constexpr double kStrokeDistance = 1.0;   // screen pixels
constexpr int32_t kFilterFrom = 8;         // samples held before the filter applies

// A working image of the store's size, emptied.
template <int Bpp>
bool prepare(TiledImage<Bpp>& image, uint32_t width, uint32_t height) {
  if (image.width() != width || image.height() != height) return image.resize(width, height);
  image.clear();
  return true;
}

// The document's copy of the layer, taken again when it does not match the store.
template <int Bpp>
const TiledImage<Bpp>* copyOf(TiledImage<Bpp>& copy, const TiledImage<Bpp>& store) {
  if (copy.width() != store.width() || copy.height() != store.height()) {
    if (!copy.assign(store)) return nullptr;
  }
  return &copy;
}

void smooth(StrokeSample& s, const StrokeSample& before, const StrokeSample& after) {
  s.x = (before.x + s.x + after.x) * kSmoothing;
  s.y = (before.y + s.y + after.y) * kSmoothing;
  s.pressure = (before.pressure + s.pressure + after.pressure) * kSmoothing;
}

}  // namespace

BrushEngine::BrushEngine(Document& document, UndoHistory& history, ToolSettings& settings, RandomSource& random)
    : document_(document), history_(history), settings_(settings), random_(random) {}

bool BrushEngine::beginStroke(const BrushStart& start) {
  finish();
  const CanvasPoint p = start.event.point;
  if (!std::isfinite(p.x) || !std::isfinite(p.y)) return false;
  guided_ = guide_.active();
  if (guided_) guide_.press(p);
  return this->start(start);
}

bool BrushEngine::start(const BrushStart& start) {
  Layer* layer = document_.currentLayer();
  if (layer == nullptr || !layer->visible || layer->locked) return false;
  BrushParams& params = settings_.attached();
  const ToolOptions& options = settings_.options;

  int32_t kind;
  if (start.subTool == kToolEraser || start.eraserKey || start.event.button == 1) {
    kind = kDabEraser;
  } else if (start.subTool == kToolStamp) {
    kind = kDabStamp;
  } else if (start.subTool == kToolDotBrush) {
    kind = kDabDot;
    params.dotSize = options.dotSize;
  } else {
    kind = std::clamp<int32_t>(params.kind, kDabRound, kDabDot);
  }

  StrokeList& list = settings_.strokes;
  const bool dot = kind == kDabDot;
  list.samples.clear();
  list.minInterval = dot ? 0 : kStrokeInterval;
  list.minDistance = kStrokeDistance;
  list.keepDuplicates = dot ? 0 : 1;
  list.spline = options.bezierInterpolation == 1 ? 1 : 0;
  list.smoothing = guided_ ? 0 : 1;
  list.params = &params;

  draw_ = DrawParams();
  draw_.foreground = settings_.foreground();
  draw_.background = settings_.background();
  draw_.antialias = options.antialias;
  draw_.dither = kind == kDabEraser ? options.eraserDither : options.dither;
  draw_.softEdge = kind == kDabEraser ? options.optionByte2 : kind == kDabStamp ? options.stampMode == 2 : 0;
  draw_.dotSize = params.dotSize;

  raster_ = StrokeRaster();
  raster_.kind = kind;
  raster_.layer = layer;
  raster_.offsetX = layer->offsetX;
  raster_.offsetY = layer->offsetY;
  raster_.transparencyLocked = layer->reservedFlag != 0;
  raster_.random = &random_;
  raster_.stampOffsetX = params.stampOffsetX;
  raster_.stampOffsetY = params.stampOffsetY;
  painting_ = false;
  vectorStroke_.clear();
  if (layer->isRaster()) {
    const uint32_t w = layer->storeWidth(), h = layer->storeHeight();
    raster_.depth = layer->kind == kLayerKind32 ? 32 : layer->kind == kLayerKind8 ? 8 : 1;
    if (raster_.depth == 32) raster_.copy32 = copyOf(document_.currentCopy32, layer->pixels32);
    if (raster_.depth == 8) raster_.copy8 = copyOf(document_.currentCopy8, layer->pixels8);
    if (raster_.depth == 1) raster_.copy1 = copyOf(document_.currentCopy1, layer->pixels1);
    if (!raster_.copy32 && !raster_.copy8 && !raster_.copy1) return false;
    if (!prepare(document_.strokeCoverage, w, h)) return false;
    raster_.coverage = &document_.strokeCoverage;
    // The mixing kinds read and write colour: on 8 and 1 bpp they paint as kind 0.
    const bool mixing = kind == kDabPaintMixing || kind == kDabMixingColour;
    if (mixing && raster_.depth != 32) raster_.kind = kDabRound;
    if (raster_.kind == kDabMixingColour) {
      if (!prepare(document_.strokeColour, w, h)) return false;
      raster_.colour = &document_.strokeColour;
    }
    const Selection* selection = document_.currentSelection();
    if (selection != nullptr && selection->hasSelected()) raster_.mask = &selection->mask;
    if (mixing && raster_.depth == 32) {
      const CanvasPoint p = start.event.point;
      const Color32 under =
          layer->pixels32.getPixel(saturateToInt32(p.x - layer->offsetX), saturateToInt32(p.y - layer->offsetY));
      startPaintMix(raster_, draw_.foreground, under);
    }
    painting_ = true;
  }
  active_ = true;
  zoom_ = 1.0;
  lastPressure_ = 1.0;
  return true;
}

bool BrushEngine::append(const ToolEvent& event, bool forced) {
  CanvasPoint p = event.point;
  if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(event.pressure)) return false;
  if (guided_) p = guide_.constrain(p);
  if (std::fabs(p.x) > kMaxCoordinate || std::fabs(p.y) > kMaxCoordinate) return false;
  if (std::isfinite(event.zoom) && event.zoom > 0) zoom_ = event.zoom;
  StrokeList& list = settings_.strokes;
  StrokeSample sample;
  sample.x = p.x - raster_.offsetX;
  sample.y = p.y - raster_.offsetY;
  sample.pressure = std::clamp(event.pressure, 0.0, 1.0);
  sample.eraserMark = event.button == 1 ? -1.0 : 0.0;
  sample.tick = event.tick;

  const bool dot = raster_.kind == kDabDot;
  if (!forced && !list.samples.empty()) {
    const StrokeSample& last = list.samples.back();
    if (!list.keepDuplicates && sample.x == last.x && sample.y == last.y) return false;
    if (!dot && list.count() >= kFilterFrom &&
        std::hypot(sample.x - last.x, sample.y - last.y) * zoom_ < list.minDistance &&
        sample.tick - last.tick < list.minInterval)
      return false;
  }
  const int copies = dot && list.samples.empty() ? kDotBrushFirstCopies : 1;
  list.samples.insert(list.samples.end(), size_t(copies), sample);
  lastPressure_ = sample.pressure;
  return true;
}

void BrushEngine::addSample(const ToolEvent& event) {
  if (!active_ || !append(event, false)) return;
  drawFinalSegment();
  if (!painting_) showPreview();
}

void BrushEngine::showPreview() {
  const StrokeSample& s = settings_.strokes.samples.back();
  const BrushParams& brush = settings_.attached();
  const int opacity = int(std::clamp(brush.alpha, 0.0, 1.0) * 255);
  redraw(preview_.show({s.x + raster_.offsetX, s.y + raster_.offsetY}, brush.size, zoom_, draw_.foreground, opacity));
}

void BrushEngine::redraw(const Rect& canvasRect) {
  if (sink_ != nullptr && !canvasRect.isEmpty()) sink_->redrawCanvasRect(canvasRect);
}

void BrushEngine::drawFinalSegment() {
  StrokeList& list = settings_.strokes;
  std::vector<StrokeSample>& s = list.samples;
  const int32_t n = list.count();
  // The lag: the segment drawn is the last one whose neighbours (and smoothing) are final.
  const int32_t need = list.spline ? 5 : 3;
  if (n < need) return;
  const int32_t smoothed = list.spline ? n - 3 : n - 2;
  if (list.smoothing) smooth(s[size_t(smoothed)], s[size_t(smoothed - 1)], s[size_t(smoothed + 1)]);
  if (!painting_) return;
  const int32_t first = list.spline ? n - 5 : n - 3;
  Rect changed;
  if (renderSegment(raster_, list, draw_, first, first + 1, false, &changed)) showChange(changed);
}

void BrushEngine::showChange(const Rect& rect) {
  Rect shown = rect;
  if (zoom_ < 1.0) {
    shown.alignOutward(32);
    shown.alignOutward(64);
    clipToSize(shown, int32_t(raster_.storeWidth()), int32_t(raster_.storeHeight()));
    raster_.layer->updateReducedImages(shown);
  }
  redraw(Rect(shown.x + raster_.offsetX, shown.y + raster_.offsetY, shown.width, shown.height));
}

bool BrushEngine::commitStroke(const ToolEvent& event) {
  if (!active_) return false;
  ToolEvent last = event;
  last.pressure = lastPressure_;
  append(last, true);
  return finish();
}

bool BrushEngine::finish() {
  if (!active_) return false;
  return commit("Brush (" + raster_.layer->name + ")", raster_.kind == kDabDot);
}

bool BrushEngine::commit(const std::string& label, bool includeLast) {
  StrokeList& list = settings_.strokes;
  bool recorded = false;
  if (painting_ && list.count() > 0) {
    Rect changed;
    const double last = list.count() - 1;
    if (renderSegment(raster_, list, draw_, raster_.lastIndex, last, includeLast, &changed)) showChange(changed);
    const Rect& rect = raster_.touched;
    if (!rect.isEmpty()) {
      Layer& layer = *raster_.layer;
      const int32_t index = document_.indexOf(&layer);
      if (raster_.depth == 32) recorded = history_.recordPixels32(*raster_.copy32, rect, index, label);
      if (raster_.depth == 8) recorded = history_.recordPixels8(*raster_.copy8, rect, index, label);
      if (raster_.depth == 1) recorded = history_.recordPixels1(*raster_.copy1, rect, index, label);
      document_.layerChanged(layer, rect.x, rect.y, rect.width, rect.height);
      redraw(Rect(rect.x + raster_.offsetX, rect.y + raster_.offsetY, rect.width, rect.height));
    }
  }
  if (!painting_) {
    vectorStroke_ = list.samples;
    redraw(preview_.hide());
  }
  if (list.count() > 0) {
    const StrokeSample& end = list.samples.back();
    lastPoint_ = CanvasPoint{end.x + raster_.offsetX, end.y + raster_.offsetY};
  }
  list.samples.clear();
  active_ = false;
  painting_ = false;
  return recorded;
}

bool BrushEngine::drawStraightLine(const BrushStart& to) {
  if (active_ || !lastPoint_) return false;
  const CanvasPoint p = to.event.point;
  if (!std::isfinite(p.x) || !std::isfinite(p.y)) return false;
  BrushStart from = to;
  from.event.point = *lastPoint_;
  from.event.pressure = 1.0;
  guided_ = false;
  if (!start(from)) return false;
  ToolEvent end = to.event;
  end.pressure = 1.0;
  append(from.event, true);
  append(end, true);
  return commit("Brush (Straight)", true);
}

}  // namespace kanvo
