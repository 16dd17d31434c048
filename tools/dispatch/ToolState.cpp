#include "tools/dispatch/ToolState.h"

#include <cmath>

#include "strings/TextId.h"
#include "tools/dispatch/KeyCodes.h"
#include "tools/dispatch/StatusText.h"
#include "tools/dispatch/ViewSteps.h"
#include "view/RubberBand.h"

namespace kanvo {

namespace {

constexpr uint32_t kNonConvertTapMs = 200;
constexpr double kSizeDragFactor = 0.25;

int32_t floorToInt(double v) {
  const double f = std::floor(v);
  return std::isfinite(f) ? int32_t(std::fmax(-2147483648.0, std::fmin(2147483647.0, f))) : 0;
}

// Window positions dispatch can work with: finite and within +-2^30 pixels, so that every canvas
// point and every whole-pixel value derived from them stays finite.
bool usablePosition(const StylusEvent& e) {
  constexpr double kLimit = 1073741824.0;
  return std::fabs(e.x) <= kLimit && std::fabs(e.y) <= kLimit;
}

}  // namespace

ToolState::ToolState(Document& document, View& view, ToolSettings& settings, const Clock* clock)
    : document_(&document), view_(&view), settings_(&settings), clock_(clock) {}

// ---- small queries ----

bool ToolState::insideDocument(CanvasPoint p) const {
  return p.x >= 0.0 && p.y >= 0.0 && p.x < double(document_->width()) && p.y < double(document_->height());
}

bool ToolState::editableLayer() const {
  const Layer* layer = document_->currentLayer();
  return layer != nullptr && layer->visible != 0 && layer->locked == 0;
}

bool ToolState::allowedKeys() const {
  using namespace keys;
  return keys_.noneDown() || keys_.only(kShift) || keys_.only(kControl) || keys_.only({kShift, kControl});
}

SelectionOperation ToolState::selectionOperation() const {
  if (keys_.only(keys::kShift)) return kSelectAdd;
  if (keys_.only(keys::kControl)) return kSelectRemove;
  return kSelectReplace;
}

bool ToolState::multiClickTool() const {
  const int32_t sub = mode.subTool();
  switch (mode.category()) {
    case kCategoryShape: return sub == kToolFillPolygon || sub == kToolFillLine || sub == kToolFillFrame;
    case kCategorySelection: return sub == kToolSelectPolygon;
    default: return false;
  }
}

bool ToolState::selectedAt(CanvasPoint p) const {
  const Selection* selection = document_->currentSelection();
  if (selection == nullptr || !insideDocument(p)) return false;
  return selection->mask.getPixel(floorToInt(p.x), floorToInt(p.y)) != 0;
}

ToolEvent ToolState::toolEvent(CanvasPoint at, double pressure, int32_t button) const {
  ToolEvent e;
  e.point = at;
  e.pressure = pressure;
  e.tick = clock_ != nullptr ? clock_->milliseconds() : 0;
  e.button = button;
  e.zoom = view_->zoom();
  return e;
}

BrushStart ToolState::brushStart(CanvasPoint at, double pressure, int32_t button) const {
  BrushStart start;
  start.event = toolEvent(at, pressure, button);
  start.subTool = mode.subToolOf(kCategoryBrush);
  start.eraserKey = keys_.only(keys::kZ);
  return start;
}

DragRect ToolState::dragRect() const {
  DragRect r;
  r.corners = {pressSnapped_, toCanvas(windowX_, pressWindowY_), canvasSnapped_, toCanvas(pressWindowX_, windowY_)};
  r.turned = view_->isTurned();
  return r;
}

std::vector<int32_t> ToolState::layersUnder(CanvasPoint p) const {
  std::vector<int32_t> layers;
  if (insideDocument(p)) document_->layersAtPoint(floorToInt(p.x), floorToInt(p.y), layers);
  return layers;
}

// ---- feedback ----

void ToolState::setFeedback(const Overlay& overlay) {
  if (DrawingSurface* surface = view_->surface()) surface->setOverlay(OverlaySlot::kToolFeedback, overlay);
}

void ToolState::clearFeedback() { setFeedback(Overlay()); }

void ToolState::redrawView() {
  view_->invalidate();
  view_->redraw();
}

void ToolState::drawOpenPolygon() {
  if (vertices_.empty()) return;
  Overlay band;
  CanvasPoint previous = vertices_.front();
  auto windowOf = [&](CanvasPoint c) {
    const CanvasPoint w = view_->canvasToWindow(c.x, c.y);
    return std::pair(floorToInt(w.x), floorToInt(w.y));
  };
  for (size_t i = 1; i <= vertices_.size(); ++i) {
    const CanvasPoint next = i < vertices_.size() ? vertices_[i] : canvasSnapped_;
    const auto [x0, y0] = windowOf(previous);
    const auto [x1, y1] = windowOf(next);
    drawBandLine(band, x0, y0, x1, y1);
    previous = next;
  }
  setFeedback(band);
}

// ---- texts and keys ----

void ToolState::rebuildPositionText() {
  const int32_t category = mode.category(), sub = mode.subTool();
  std::vector<uint32_t> hints;
  if (category == kCategorySelection) hints.push_back(TextId::HintSelectionAddDelete);
  if (view_->isTurned()) hints.push_back(TextId::HintRotationReset);
  const Layer* layer = document_->currentLayer();
  if (layer != nullptr && layer->kind == kLayerKindVector && families_.vector != nullptr &&
      families_.vector->hasSelectedStroke()) {
    hints.push_back(TextId::HintVertexAddRemoveWidth + uint32_t(mode.subToolOf(kCategoryVector) % 5));
  } else if (sizeDrag_) {
    hints.push_back(TextId::HintBrushSizeReset);
  } else if (category == kCategoryMove && sub == kToolMove) {
    hints.push_back(TextId::HintPartialMove);
  } else if (category == kCategoryBrush && sub == kToolBrush) {
    hints.push_back(TextId::HintStraightLineAndBrushSize);
  } else if (category == kCategoryBrush && sub == kToolStamp) {
    hints.push_back(TextId::HintStampSource);
  }
  const bool locks = category == kCategoryBrush || category == kCategoryShape || category == kCategoryGradient ||
                     category == kCategoryVector || category == kCategoryMove;
  status_ = positionText(document_->strings(), canvas_, hints, locks && !editableLayer());
  if (override_ == kOverrideLayerPick) status_ = layerPickText(document_->strings(), *document_, layersUnder(canvas_));
}

void ToolState::recomputeOverride() {
  const int32_t before = override_;
  const bool stamp = mode.is(kCategoryBrush, kToolStamp);
  const bool lastPoint = families_.brush != nullptr && families_.brush->lastBrushPoint().has_value();
  override_ = keyOverrideOf(keys_, keyTable_, stamp, lastPoint);
  if (override_ == before) return;
  if (before == kOverrideHand || before == kOverrideRotate) {
    temporaryHand_ = temporaryRotate_ = false;
    redrawView();
  }
  if (override_ == kOverrideHand || override_ == kOverrideRotate) {
    temporaryHand_ = override_ == kOverrideHand;
    temporaryRotate_ = override_ == kOverrideRotate;
    temporaryStart_ = canvas_;
  }
  if (before == kOverrideStraightLine) clearFeedback();
}

// ---- the view's tools ----

void ToolState::beginViewDrag(double x, double y, bool rotate) {
  if (rotate) {
    rotateDrag_ = true;
    rotateStartAngle_ = view_->transform().angle;
    rotateStartStylus_ = std::atan2(y - double(view_->windowHeight() / 2), x - double(view_->windowWidth() / 2));
  } else {
    handDrag_ = true;
    handAnchor_ = toCanvas(x, y);
  }
}

void ToolState::dragView(double x, double y) {
  if (handDrag_) {
    view_->placeCanvasPointAt(handAnchor_, x, y);
    view_->redraw(true, true, false);
    return;
  }
  // The picture turns with the stylus about the window centre: a plain picture turns by minus
  // the angle on screen, a mirrored one by the angle.
  const double stylus = std::atan2(y - double(view_->windowHeight() / 2), x - double(view_->windowWidth() / 2));
  const double turn = stylus - rotateStartStylus_;
  view_->setAngle(rotateStartAngle_ + (view_->transform().isMirrored() ? turn : -turn));
  redrawView();
}

void ToolState::zoomAtPoint(double x, double y, bool in) {
  const ViewTransform& t = view_->transform();
  view_->zoomAt(x, y, in ? nextZoomIn(t.zoomSteps, t.zoom) : nextZoomOut(t.zoomSteps, t.zoom));
  redrawView();
}

uint32_t ToolState::zoomKey(bool in) {
  zoomViewStep(*view_, in);
  return kResultViewChanged;
}

// ---- events ----

void ToolState::Move(const StylusEvent& e) {
  if (!usablePosition(e)) return;
  windowX_ = e.x;
  windowY_ = e.y;
  pressure_ = e.pressure;
  canvas_ = toCanvas(e.x, e.y);
  canvasSnapped_ = snapped(canvas_);
  rebuildPositionText();
  if (handDrag_ || rotateDrag_) {
    dragView(e.x, e.y);
    return;
  }
  const int32_t category = mode.category(), sub = mode.subTool();
  const StringTable& strings = document_->strings();
  if (sizeDrag_) {
    const double dx = e.x - sizeDragX_;
    if (dx != 0.0) {
      sizeDragged_ = true;
      BrushParams& brush = settings_->attached();
      double change = dx / view_->zoom() * kSizeDragFactor;
      if (brush.size > 100.0) change *= 2.0;
      brush.size = std::clamp(brush.size + change, kMinBrushSize, kMaxBrushSize);
    }
    sizeDragX_ = e.x;
  }
  if (buttonDown_ && category == kCategoryBrush && strokeStarted_ && families_.brush != nullptr) {
    families_.brush->addSample(toolEvent(canvasSnapped_, e.pressure, button_));
  }
  const bool rectTool = (category == kCategoryShape && (sub == kToolFillRect || sub == kToolFillEllipse)) ||
                        (category == kCategorySelection && (sub == kToolSelectRect || sub == kToolSelectEllipse));
  if (rectTool && buttonDown_ && !dragging_) {
    Overlay band;
    const int32_t x0 = floorToInt(pressWindowX_), y0 = floorToInt(pressWindowY_);
    const int32_t x1 = floorToInt(e.x), y1 = floorToInt(e.y);
    if (sub == kToolFillRect)  // also kToolSelectRect
      drawBandRect(band, x0, y0, x1 - x0, y1 - y0);
    else
      drawBandEllipse(band, x0, y0, x1, y1);
    setFeedback(band);
    status_ = rangeText(strings, pressSnapped_, canvasSnapped_);
  } else if (multiClickTool()) {
    drawOpenPolygon();
  } else if (category == kCategorySelection && sub == kToolSelectFree && buttonDown_ && allowedKeys()) {
    if (vertices_.empty() || !(vertices_.back() == canvas_)) vertices_.push_back(canvas_);
    drawOpenPolygon();
  } else if (buttonDown_ && (category == kCategoryGradient || mode.is(kCategoryView, kToolRuler))) {
    Overlay band;
    const CanvasPoint a = view_->canvasToWindow(pressSnapped_.x, pressSnapped_.y);
    const CanvasPoint b = view_->canvasToWindow(canvasSnapped_.x, canvasSnapped_.y);
    drawBandLine(band, floorToInt(a.x), floorToInt(a.y), floorToInt(b.x), floorToInt(b.y));
    setFeedback(band);
    status_ = distanceText(strings, pressSnapped_, canvasSnapped_, document_->resolution);
  } else if (buttonDown_ && category == kCategoryMove && moving_) {
    families_.move->drag(canvasSnapped_);
    int64_t second[2];
    int32_t sx = 0, sy = 0;
    const bool hasSecond = families_.move->statusOffset(sx, sy);
    second[0] = sx;
    second[1] = sy;
    status_ = offsetText(strings, int64_t(floorToInt(canvasSnapped_.x)) - floorToInt(pressSnapped_.x),
                         int64_t(floorToInt(canvasSnapped_.y)) - floorToInt(pressSnapped_.y),
                         hasSecond ? second : nullptr);
  } else if (buttonDown_ && category == kCategoryVector && vectorEditing_) {
    families_.vector->drag(canvasSnapped_);
  }
  const bool picking = mode.is(kCategoryView, kToolSpoit) || override_ == kOverrideColourPick;
  if (picking && insideDocument(canvas_)) {
    const int32_t x = floorToInt(canvas_.x), y = floorToInt(canvas_.y);
    status_ = colourText(strings, document_->probeColour(x, y), document_->currentLayer(), x, y);
  }
  if (!buttonDown_ && override_ == kOverrideStraightLine && category == kCategoryBrush && families_.brush != nullptr) {
    if (const auto last = families_.brush->lastBrushPoint()) {
      Overlay band;
      const CanvasPoint a = view_->canvasToWindow(last->x, last->y);
      drawBandLine(band, floorToInt(a.x), floorToInt(a.y), floorToInt(e.x), floorToInt(e.y));
      setFeedback(band);
    }
  }
}

uint32_t ToolState::Press(const StylusEvent& e) {
  if (!(e.x >= 0.0 && e.y >= 0.0 && e.x < double(view_->windowWidth()) && e.y < double(view_->windowHeight())))
    return 0;
  uint32_t result = 0;
  if (buttonDown_) result |= Release(StylusEvent{windowX_, windowY_, pressure_, button_});
  Move(e);
  const bool editable = editableLayer();
  const Layer* layer = document_->currentLayer();
  const int32_t category = mode.category(), sub = mode.subTool();
  const bool noKey = keys_.noneDown();
  buttonDown_ = true;
  button_ = e.button;
  pressTick_ = clock_ != nullptr ? clock_->milliseconds() : 0;
  noKeyAtPress_ = noKey;
  pressEditable_ = editable;
  keysReleasedDuringPress_ = false;
  pressWindowX_ = e.x;
  pressWindowY_ = e.y;
  pressCanvas_ = canvas_;
  pressSnapped_ = canvasSnapped_;
  // Held keys that turn the stylus to the view or to a pick leave the tool's own release alone.
  pressForTool_ = override_ == kOverrideNone || override_ == kOverrideBrushSize || override_ == kOverrideStraightLine;

  // The view's drags: the hand and the view rotation, as tools or held keys.
  if (override_ == kOverrideHand || (override_ == kOverrideNone && mode.is(kCategoryView, kToolHand))) {
    beginViewDrag(e.x, e.y, false);
  } else if (override_ == kOverrideRotate || (override_ == kOverrideNone && mode.is(kCategoryView, kToolHandRotation))) {
    beginViewDrag(e.x, e.y, true);
  }
  BrushTool* brush = families_.brush;
  if (category == kCategoryBrush && (noKey || keys_.only(keys::kZ)) && brush != nullptr) {
    strokeStarted_ = brush->beginStroke(brushStart(pressSnapped_, e.pressure, e.button));
    if (strokeStarted_) brush->addSample(toolEvent(pressSnapped_, e.pressure, e.button));
  }
  if (override_ == kOverrideBrushSize && category == kCategoryBrush && sub != kToolDotBrush) {
    sizeDrag_ = true;
    sizeDragged_ = false;
    sizeDragX_ = e.x;
    rebuildPositionText();
  }
  if (override_ == kOverrideLayerPick) {
    const std::vector<int32_t> layers = layersUnder(canvas_);
    if (!layers.empty()) {
      document_->selectLayer(layers.back());
      result |= kResultLayerPicked;
    }
  }
  if (editable) {
    if (override_ == kOverrideStampSource) {
      stampSourceX_ = floorToInt(pressSnapped_.x);
      stampSourceY_ = floorToInt(pressSnapped_.y);
      stampSourceSet_ = stampOffsetPending_ = true;
      result |= kResultStampSource;
    } else if (mode.is(kCategoryBrush, kToolStamp) && stampSourceSet_ && stampOffsetPending_) {
      settings_->attached().stampOffsetX = stampSourceX_ - floorToInt(pressSnapped_.x);
      settings_->attached().stampOffsetY = stampSourceY_ - floorToInt(pressSnapped_.y);
      stampOffsetPending_ = false;
    }
  }
  if (override_ == kOverrideStraightLine && category == kCategoryBrush && brush != nullptr) {
    brush->drawStraightLine(brushStart(pressSnapped_, e.pressure, e.button));
    clearFeedback();
  }
  if (category == kCategoryVector && layer != nullptr && layer->kind == kLayerKindVector && families_.vector) {
    VectorPress press;
    press.at = pressSnapped_;
    press.subTool = sub;
    press.shift = keys_.isDown(keys::kShift);
    press.ctrl = keys_.isDown(keys::kControl);
    press.alt = keys_.isDown(keys::kAlt);
    families_.vector->press(press);
    vectorEditing_ = true;
  }
  if (override_ == kOverrideZoomOut || (noKey && mode.is(kCategoryView, kToolZoomOut))) {
    zoomAtPoint(e.x, e.y, false);
    result |= kResultZoomed;
  } else if (override_ == kOverrideZoomIn || (noKey && mode.is(kCategoryView, kToolZoomIn))) {
    zoomAtPoint(e.x, e.y, true);
    result |= kResultZoomed;
  }
  const bool pick = (noKey && mode.is(kCategoryView, kToolSpoit)) ||
                    (override_ == kOverrideColourPick && !mode.is(kCategoryBrush, kToolStamp));
  if (pick && insideDocument(canvas_)) {
    settings_->setForeground(document_->probeColour(floorToInt(canvas_.x), floorToInt(canvas_.y)));
    result |= kResultColourPicked;
  }
  if (category == kCategoryMove && editable && allowedKeys() && families_.move != nullptr) {
    MoveStart start;
    start.at = pressSnapped_;
    start.rotate = sub == kToolRotation;
    start.liftPart = sub == kToolMove && layer->isRaster() && selectedAt(canvas_);
    start.copyPart = keys_.isDown(keys::kShift);
    if (!start.rotate || layer->kind == kLayerKindVector) {
      WaitCursor wait(start.liftPart ? view_->surface() : nullptr);
      moving_ = families_.move->begin(start);
    }
  }
  if (category == kCategorySelection && noKey && vertices_.empty() && selectedAt(canvas_)) dragging_ = true;
  if (category == kCategorySelection && sub == kToolSelectFree && allowedKeys() && !dragging_) {
    vertices_.assign(1, canvas_);  // the free outline starts at the press point
  }
  if (multiClickTool() && allowedKeys()) {
    if (e.button == 0) {
      const bool mayAppend = category == kCategoryShape ? noKey : (layer != nullptr && layer->locked == 0);
      if (mayAppend && (vertices_.empty() || !(vertices_.back() == pressSnapped_))) vertices_.push_back(pressSnapped_);
    } else {
      if (!vertices_.empty()) vertices_.pop_back();
      redrawView();
    }
    Move(e);
  }
  const SelectionOperation operation = selectionOperation();
  if (mode.is(kCategoryShape, kToolBucket) && noKey && e.button == 0 && editable && families_.bucket != nullptr &&
      insideDocument(pressSnapped_)) {
    WaitCursor wait(view_->surface());
    if (families_.bucket->fill(pressSnapped_)) result |= kResultBucket;
  }
  SelectionTool* selections = families_.selections;
  if (category == kCategorySelection && allowedKeys() && !dragging_ && e.button == 0 && selections != nullptr) {
    if (sub == kToolSelectAuto) {
      WaitCursor wait(view_->surface());
      if (selections->selectAuto(pressSnapped_, operation)) result |= kResultAutoSelect;
    }
    if (sub == kToolSelectRange && insideDocument(pressSnapped_)) {
      WaitCursor wait(view_->surface());
      if (selections->selectRange(pressSnapped_, noKey, keys_.only(keys::kControl))) result |= kResultRangeSelect;
    }
  }
  return result;
}

uint32_t ToolState::Release(const StylusEvent& e) {
  if (!buttonDown_) {
    ResetStroke(false);
    return 0;
  }
  if (usablePosition(e)) {  // otherwise the operation ends at the last usable point
    windowX_ = e.x;
    windowY_ = e.y;
  }
  canvas_ = toCanvas(windowX_, windowY_);
  canvasSnapped_ = snapped(canvas_);
  uint32_t result = 0;
  const int32_t category = mode.category(), sub = mode.subTool();
  const ToolFamilies& f = families_;
  if (pressEditable_ && pressForTool_) {
    const SelectionOperation operation = selectionOperation();
    if (category == kCategoryBrush && strokeStarted_ && f.brush != nullptr) {
      f.brush->commitStroke(toolEvent(canvasSnapped_, e.pressure, button_));
    } else if (category == kCategoryShape && f.shapes != nullptr && (sub == kToolFillRect || sub == kToolFillEllipse)) {
      sub == kToolFillRect ? f.shapes->fillRect(dragRect()) : f.shapes->fillEllipse(dragRect());
    } else if (category == kCategorySelection && !dragging_ && f.selections != nullptr &&
               (sub == kToolSelectRect || sub == kToolSelectEllipse) && allowedKeys()) {
      sub == kToolSelectRect ? f.selections->selectRect(dragRect(), operation)
                             : f.selections->selectEllipse(dragRect(), operation);
    } else if (category == kCategorySelection && sub == kToolSelectFree) {
      result |= finishShape();
    }
    if (category == kCategorySelection && dragging_ && f.selections != nullptr) {
      const int32_t dx = floorToInt(canvasSnapped_.x) - floorToInt(pressSnapped_.x);
      const int32_t dy = floorToInt(canvasSnapped_.y) - floorToInt(pressSnapped_.y);
      if (dx != 0 || dy != 0) f.selections->moveSelection(dx, dy);
    }
    if (mode.is(kCategoryGradient, kToolGradient) && allowedKeys() && f.gradient != nullptr) {
      WaitCursor wait(view_->surface());
      if (f.gradient->draw(pressSnapped_, canvasSnapped_)) result |= kResultGradient;
    }
    if (category == kCategoryMove && moving_) f.move->commit(canvasSnapped_);
    if (category == kCategoryVector && vectorEditing_ && f.vector->release(canvasSnapped_)) result |= kResultVectorEdit;
  }
  if (mode.is(kCategoryView, kToolRuler)) redrawView();
  if (handDrag_ || rotateDrag_) {
    if (handDrag_) view_->snapOrigin();
    handDrag_ = rotateDrag_ = false;
    redrawView();
  }
  if (sizeDrag_) {
    BrushParams& brush = settings_->attached();
    if (!sizeDragged_) brush.size = brush.savedSize;
    sizeDrag_ = false;
    result |= kResultBrushSize;
  }
  strokeStarted_ = dragging_ = moving_ = vectorEditing_ = false;
  buttonDown_ = false;
  if (multiClickTool() && !vertices_.empty())
    drawOpenPolygon();
  else
    clearFeedback();
  if (keysReleasedDuringPress_) {
    keys_.clear();
    recomputeOverride();
  }
  rebuildPositionText();
  return result;
}

uint32_t ToolState::finishShape() {
  if (vertices_.empty()) return 0;
  {
    WaitCursor wait(view_->surface());
    const int32_t category = mode.category(), sub = mode.subTool();
    if (category == kCategoryShape && families_.shapes != nullptr &&
        (sub == kToolFillPolygon || sub == kToolFillLine || sub == kToolFillFrame)) {
      families_.shapes->fillVertices(sub, vertices_);
    } else if (category == kCategorySelection && !dragging_ && families_.selections != nullptr &&
               (sub == kToolSelectPolygon || sub == kToolSelectFree)) {
      families_.selections->selectPolygon(vertices_, selectionOperation());
    }
  }
  vertices_.clear();
  clearFeedback();
  redrawView();
  return kResultShapeFinished;
}

uint32_t ToolState::KeyDown(int32_t key) {
  if (!keys_.press(key)) return 0;  // a repeat
  using namespace keys;
  if ((key & 255) == kNonConvert) nonConvertTick_ = clock_ != nullptr ? clock_->milliseconds() : 0;
  recomputeOverride();
  rebuildPositionText();
  auto held = [&](int32_t k) { return keyTable_ != nullptr ? (*keyTable_)[size_t(k)] != 0 : keys_.isDown(k); };
  const int32_t k = key & 255;
  if (k == kF5 || k == kPageUp || (k == kF && held(kSpace))) return zoomKey(true);
  if (k == kF6 || k == kPageDown || (k == kD && held(kSpace))) return zoomKey(false);
  if (held(kControl) && (k == kNumpadPlus || k == kPlus)) return zoomKey(true);
  if (held(kControl) && (k == kNumpadMinus || k == kMinus)) return zoomKey(false);
  if (k == kEscape) {
    vertices_.clear();
    clearFeedback();
    redrawView();
    return 0;
  }
  if (k == kReturn && !buttonDown_) return finishShape();
  if (k == kRight || k == kLeft) {
    turnViewStep(*view_, k == kRight, keys_.isDown(kShift) ? 15 : 90);
    return kResultViewChanged;
  }
  if (k == kUp) {
    resetViewTurn(*view_);
    return kResultViewChanged;
  }
  if (keys_.only(kDown)) {
    view_->setMirrored(!view_->transform().isMirrored());
    redrawView();
    return kResultViewChanged;
  }
  const Layer* layer = document_->currentLayer();
  if (k == kShift && override_ == kOverrideStraightLine && mode.category() == kCategoryBrush && layer != nullptr &&
      layer->isRaster()) {
    Move(StylusEvent{windowX_, windowY_, pressure_, button_});  // draws the preview
  }
  return 0;
}

uint32_t ToolState::KeyUp(int32_t key) {
  const bool wasDown = keys_.release(key);
  if (buttonDown_) keysReleasedDuringPress_ = true;
  uint32_t result = 0;
  const uint32_t now = clock_ != nullptr ? clock_->milliseconds() : 0;
  if (wasDown && (key & 255) == keys::kNonConvert && now - nonConvertTick_ < kNonConvertTapMs) {
    view_->setAngle(0.0);
    redrawView();
    result = kResultViewChanged;
  }
  recomputeOverride();
  rebuildPositionText();
  return result;
}

int32_t ToolState::CursorKind() const {
  using namespace keys;
  const int32_t category = mode.category(), sub = mode.subTool();
  if (mode.is(kCategoryView, kToolHand) || mode.is(kCategoryView, kToolHandRotation)) return kCursorHand;
  if (override_ == kOverrideHand || override_ == kOverrideRotate) return kCursorHand;
  if (keys_.only(kSpace) || keys_.only({kSpace, kNonConvert})) return kCursorHand;
  if (category == kCategoryMove && sub == kToolMove && editableLayer()) return kCursorMove;
  if (families_.vector != nullptr && vectorEditing_ && families_.vector->dragging()) return kCursorMove;
  if (mode.is(kCategorySelection, kToolSelectRect) && keys_.noneDown()) return kCursorCross;
  return kCursorArrow;
}

void ToolState::ResetStroke(bool clearKeys) {
  if (strokeStarted_ && families_.brush != nullptr) families_.brush->resetStroke();
  if (moving_ && families_.move != nullptr) families_.move->commit(canvasSnapped_);  // as at a release
  buttonDown_ = dragging_ = strokeStarted_ = moving_ = vectorEditing_ = false;
  stampSourceSet_ = stampOffsetPending_ = false;
  vertices_.clear();
  temporaryHand_ = temporaryRotate_ = handDrag_ = rotateDrag_ = false;
  sizeDrag_ = sizeDragged_ = false;
  clearFeedback();
  if (clearKeys) {
    keys_.clear();
    override_ = kOverrideNone;
  }
}

}  // namespace kanvo
