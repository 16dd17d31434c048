#include "view/View.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "raster/geometry/RotateCopy.h"
#include "view/Rulers.h"
#include "view/SelectionOutline.h"
#include "view/ViewCompositor.h"

namespace kanvo {

namespace {

constexpr double kOriginLimit = 1073741824.0;  // 2^30
constexpr double kMinZoom = 0.0009765625;
constexpr double kMaxZoom = 64.0;

double clampOrigin(double v) { return std::clamp(v, -kOriginLimit, kOriginLimit); }

// Stores colour in the rectangle (already inside the image).
void fillArea(Image32& image, int64_t x0, int64_t y0, int64_t x1, int64_t y1, Color32 colour) {
  if (x0 >= x1) return;
  for (int64_t y = y0; y < y1; ++y) std::fill_n(image.pixelAddress(int32_t(x0), int32_t(y)), x1 - x0, colour);
}

int64_t floorToInt(double v) { return int64_t(std::floor(v)); }

}  // namespace

View::View(Document& document, DisplaySettings& settings) : document_(&document), settings_(&settings) {
  transform_.zoomSteps = standardZoomSteps();
  applyGeometry();
}

// ---- mappings ----

CurvePoint View::canvasToScreen(double cx, double cy) const {
  return {transform_.zoom * cx + transform_.originX, transform_.zoom * cy + transform_.originY};
}

CurvePoint View::screenToCanvas(double sx, double sy) const {
  return {(sx - transform_.originX) / transform_.zoom, (sy - transform_.originY) / transform_.zoom};
}

CurvePoint View::canvasToWindow(double cx, double cy) const {
  if (transform_.isPlain()) return canvasToScreen(cx, cy);
  const CurvePoint d{transform_.zoom * cx + transform_.originX - double(displayWidth_ / 2),
                     transform_.zoom * cy + transform_.originY - double(displayHeight_ / 2)};
  const CurvePoint r = rotate(d, -transform_.angle);
  return {double(windowWidth_ / 2) + r.x * transform_.factorX, double(windowHeight_ / 2) + r.y * transform_.factorY};
}

CurvePoint View::windowToCanvas(double wx, double wy) const {
  if (transform_.isPlain()) return screenToCanvas(wx, wy);
  const CurvePoint v{(wx - double(windowWidth_ / 2)) * transform_.factorX,
                     (wy - double(windowHeight_ / 2)) * transform_.factorY};
  const CurvePoint r = rotate(v, transform_.angle);
  return {(double(displayWidth_ / 2) - transform_.originX + r.x) / transform_.zoom,
          (double(displayHeight_ / 2) - transform_.originY + r.y) / transform_.zoom};
}

// ---- origin, zoom and turn ----

void View::scrollBy(double dx, double dy) { setOrigin(transform_.originX + dx, transform_.originY + dy); }

void View::setOrigin(double x, double y) {
  if (!std::isfinite(x) || !std::isfinite(y)) return;
  transform_.originX = clampOrigin(x);
  transform_.originY = clampOrigin(y);
}

void View::snapOrigin() {
  if (transform_.zoom >= 1.0) return;
  transform_.originX = std::trunc(transform_.originX);
  transform_.originY = std::trunc(transform_.originY);
}

void View::centreOn(double cx, double cy) {
  setOrigin(double(displayWidth_ / 2) - transform_.zoom * cx, double(displayHeight_ / 2) - transform_.zoom * cy);
}

void View::centreDocument() { centreOn(double(document_->width() / 2), double(document_->height() / 2)); }

void View::setZoom(double zoom) {
  if (!std::isfinite(zoom) || zoom <= 0.0) return;
  transform_.zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
}

void View::zoomIn() { setZoom(nextZoomIn(transform_.zoomSteps, transform_.zoom)); }

void View::zoomOut() { setZoom(nextZoomOut(transform_.zoomSteps, transform_.zoom)); }

void View::centreAndRedraw(double cx, double cy, bool full) {
  centreOn(cx, cy);
  invalidate(full, false, -1);
  redraw(full, false, false);
}

void View::placeCanvasPointAt(CurvePoint c, double wx, double wy) {
  const CurvePoint now = windowToCanvas(wx, wy);
  scrollBy(transform_.zoom * (now.x - c.x), transform_.zoom * (now.y - c.y));
}

void View::zoomAt(double wx, double wy, double zoom) {
  const CurvePoint c = windowToCanvas(wx, wy);
  setZoom(zoom);
  placeCanvasPointAt(c, wx, wy);
}

bool View::setAngle(double angle) {
  double a;
  if (!normaliseAngle(angle, a)) return false;
  transform_.angle = a;
  applyGeometry();
  return true;
}

void View::setMirrored(bool mirrored) {
  transform_.factorX = mirrored ? -1.0 : 1.0;
  applyGeometry();
}

// ---- geometry ----

void View::applyGeometry() {
  const int32_t w = windowWidth_, h = windowHeight_;
  int32_t dw = w, dh = h;
  if (!transform_.isPlain()) dw = dh = int32_t(std::floor(std::hypot(double(w), double(h)) + 8.0));
  const bool turned = !transform_.isPlain();
  if (turned || displayTurned_) {
    // Turned, the window centre shows the display centre: keep the canvas point there.
    transform_.originX = clampOrigin(transform_.originX + double(dw / 2 - displayWidth_ / 2));
    transform_.originY = clampOrigin(transform_.originY + double(dh / 2 - displayHeight_ / 2));
  }
  displayWidth_ = dw;
  displayHeight_ = dh;
  displayTurned_ = turned;
  // Images that cannot be had are left without pixels; updates then skip them.
  if (!display_.resizeBuffer(dw, dh)) display_.releasePixels();
  displayMargin_.releasePixels();
  marginValid_ = false;
  if (!rotatedOutput_.resizeBuffer(turned ? w : 1, turned ? h : 1)) rotatedOutput_.releasePixels();
  if (!rulerTop_.resizeBuffer(w, kRulerThickness)) rulerTop_.releasePixels();
  if (!rulerLeft_.resizeBuffer(kRulerThickness, h)) rulerLeft_.releasePixels();
}

void View::resize(int32_t width, int32_t height) {
  windowWidth_ = std::clamp(width, 0, kMaxWindowSide);
  windowHeight_ = std::clamp(height, 0, kMaxWindowSide);
  applyGeometry();
  invalidate(true, false, -1);
}

int64_t View::zoomedWidth() const {
  int64_t w = int64_t(std::floor(double(document_->width()) * transform_.zoom));
  if (transform_.zoom < 1.0 && (w & 1) != 0) --w;
  return w;
}

int64_t View::zoomedHeight() const {
  int64_t h = int64_t(std::floor(double(document_->height()) * transform_.zoom));
  if (transform_.zoom < 1.0 && (h & 1) != 0) --h;
  return h;
}

void View::invalidate(bool, bool forScroll, int32_t) {
  const double shift = forScroll ? double(kMargin) : 0.0;
  canvasLeft_ = int32_t(std::clamp<double>(std::floor(transform_.originX + shift), 0.0, 2147483647.0));
  canvasTop_ = int32_t(std::clamp<double>(std::floor(transform_.originY + shift), 0.0, 2147483647.0));
  geometryValid_ = true;
  marginValid_ = false;
}

// ---- compositing ----

void View::compositeLayers(const ViewFrame& frame) {
  compositeViewLayers(*document_, frame, canvasImage_, useCurrentCopy != 0, floating_.floating() ? &floating_ : nullptr);
  for (CanvasOverlay* overlay : {toolOverlay_, documentOverlay_})
    if (overlay != nullptr) overlay->drawOver(canvasImage_, frame);
}

void View::compose(Image32& target, int64_t shiftX, int64_t shiftY, const Rect& area) {
  Rect r = area;
  if (!target.hasPixels() || !clipToSize(r, target.width(), target.height())) return;
  // The zoomed canvas in target pixels, and the part of it inside the area; the rest is grey.
  const int64_t left = floorToInt(transform_.originX) + shiftX, top = floorToInt(transform_.originY) + shiftY;
  const int64_t right = int64_t(r.x) + r.width, bottom = int64_t(r.y) + r.height;
  // It starts at the first pixel whose centre maps into the canvas: at a fractional origin above
  // one half that is the one after floor(origin), and no column or row of bare paper shows.
  const int64_t first = int64_t(std::ceil(transform_.originX - 0.5)) + shiftX;
  const int64_t firstRow = int64_t(std::ceil(transform_.originY - 0.5)) + shiftY;
  int64_t x0 = std::max<int64_t>(r.x, first), x1 = std::min<int64_t>(right, left + zoomedWidth());
  int64_t y0 = std::max<int64_t>(r.y, firstRow), y1 = std::min<int64_t>(bottom, top + zoomedHeight());
  if (x0 >= x1 || y0 >= y1) x0 = x1 = y0 = y1 = r.y;  // the canvas lies outside: background only
  fillArea(target, r.x, r.y, right, y0, kOutsideColour);
  fillArea(target, r.x, y1, right, bottom, kOutsideColour);
  fillArea(target, r.x, y0, x0, y1, kOutsideColour);
  fillArea(target, x1, y0, right, y1, kOutsideColour);
  if (x0 >= x1) return;
  if (!canvasImage_.resizeBuffer(int32_t(x1 - x0), int32_t(y1 - y0))) {
    canvasImage_.releasePixels();
    fillArea(target, x0, y0, x1, y1, kOutsideColour);
    return;
  }
  ViewFrame frame;
  frame.zoom = transform_.zoom;
  frame.fracX = transform_.originX - std::floor(transform_.originX);
  frame.fracY = transform_.originY - std::floor(transform_.originY);
  frame.u0 = x0 - left;
  frame.v0 = y0 - top;
  if (settings_->transparencyDisplay != 0) {
    // 16-pixel squares anchored at the canvas's top-left corner, the darker one there: the first
    // 32 rows drawn, the rest copied from them.
    const int32_t w = canvasImage_.width(), h = canvasImage_.height();
    canvasImage_.fillCheckerboard(0, 0, w, std::min(h, 32), kCheckerDark, kCheckerLight, 32, int32_t(-(frame.u0 & 31)),
                                  int32_t(-(frame.v0 & 31)));
    for (int32_t y = 32; y < h; ++y) std::memcpy(canvasImage_.rowAddress(y), canvasImage_.rowAddress(y - 32), size_t(w) * 4);
  } else {
    fillArea(canvasImage_, 0, 0, canvasImage_.width(), canvasImage_.height(), kPaperColour);
  }
  compositeLayers(frame);
  target.copyFrom(canvasImage_, int32_t(x0), int32_t(y0));
}

void View::copyFromMargin() {
  if (!display_.hasPixels() || !displayMargin_.hasPixels()) return;
  const int64_t dx = floorToInt(transform_.originX) - lastOriginX_, dy = floorToInt(transform_.originY) - lastOriginY_;
  const size_t rowBytes = size_t(display_.width()) * 4;
  for (int32_t y = 0; y < display_.height(); ++y) {
    const uint8_t* from = displayMargin_.rowAddress(int32_t(y + kMargin - dy)) + size_t(kMargin - dx) * 4;
    std::memcpy(display_.rowAddress(y), from, rowBytes);
  }
}

Rect View::windowRectOf(const Rect& d) const {
  if (transform_.isPlain()) {
    Rect r = d;
    return clipToSize(r, windowWidth_, windowHeight_) ? r : Rect();
  }
  // The display-to-window map is the inverse turn about the centres: bound the four corners.
  double minX = 1e18, minY = 1e18, maxX = -1e18, maxY = -1e18;
  for (double x : {double(d.x), double(d.x) + d.width}) {
    for (double y : {double(d.y), double(d.y) + d.height}) {
      const CurvePoint r = rotate({x - double(displayWidth_ / 2), y - double(displayHeight_ / 2)}, -transform_.angle);
      const double wx = double(windowWidth_ / 2) + r.x * transform_.factorX;
      const double wy = double(windowHeight_ / 2) + r.y * transform_.factorY;
      minX = std::min(minX, wx), maxX = std::max(maxX, wx), minY = std::min(minY, wy), maxY = std::max(maxY, wy);
    }
  }
  const int64_t x0 = std::max<int64_t>(0, floorToInt(minX) - 1), y0 = std::max<int64_t>(0, floorToInt(minY) - 1);
  const int64_t x1 = std::min<int64_t>(windowWidth_, floorToInt(maxX) + 2);
  const int64_t y1 = std::min<int64_t>(windowHeight_, floorToInt(maxY) + 2);
  if (x0 >= x1 || y0 >= y1) return Rect();
  return Rect(int32_t(x0), int32_t(y0), int32_t(x1 - x0), int32_t(y1 - y0));
}

void View::finishUpdate(const Rect& displayRect) {
  const Rect windowRect = windowRectOf(displayRect);
  if (windowRect.isEmpty()) return;
  if (!transform_.isPlain() && rotatedOutput_.hasPixels()) {
    // Nearest sampling where each window pixel's centre maps: rotateCopy adds 0.5 after turning
    // the pixel's offset from the centre, so its centre is moved by the turned half pixel.
    const RotateFactors factors{transform_.factorX, transform_.factorY};
    const CurvePoint half = rotate({0.5 * factors.fx, 0.5 * factors.fy}, transform_.angle);
    // Whole rows: each row's 16.16 walk then starts where a full turn's does, so that a partial
    // update gives the same pixels.
    fillArea(rotatedOutput_, 0, windowRect.y, windowWidth_, windowRect.bottom(), kOutsideColour);
    rotateCopy(rotatedOutput_, display_, transform_.angle, 1.0, false, &factors, 0, windowRect.y, windowWidth_,
               windowRect.height, double(displayWidth_ / 2) + half.x - 0.5, double(displayHeight_ / 2) + half.y - 0.5);
  }
  DibImage& shown = transform_.isPlain() ? display_ : rotatedOutput_;
  const bool rulers = drawRulersInto(shown);
  if (surface_ == nullptr) return;
  if (rulers) {
    surface_->present(shown, 0, 0, Rect(0, 0, windowWidth_, kRulerThickness));
    surface_->present(shown, 0, 0, Rect(0, 0, kRulerThickness, windowHeight_));
  }
  surface_->present(shown, 0, 0, windowRect);
}

bool View::drawRulersInto(DibImage& picture) {
  if (settings_->rulers == 0 || !rulerTop_.hasPixels() || !rulerLeft_.hasPixels()) return false;
  const CurvePoint zero = canvasToWindow(0.0, 0.0);
  const double unit = transform_.zoom;
  drawRulers(rulerTop_, rulerLeft_, {zero.x, zero.y, transform_.isMirrored() ? -unit : unit, unit});
  copyRulers(picture, rulerTop_, rulerLeft_);
  return true;
}

void View::redraw(bool, bool forScroll, bool force) {
  if (!canUpdate()) return;
  if (forScroll) {
    const int64_t ox = floorToInt(transform_.originX), oy = floorToInt(transform_.originY);
    const bool near = std::abs(ox - lastOriginX_) < kMargin && std::abs(oy - lastOriginY_) < kMargin;
    if (!marginValid_ || force || !near) {
      invalidate(true, true, -1);
      if (displayMargin_.resizeBuffer(displayWidth_ + 2 * kMargin, displayHeight_ + 2 * kMargin)) {
        compose(displayMargin_, kMargin, kMargin, Rect(0, 0, displayMargin_.width(), displayMargin_.height()));
        lastOriginX_ = ox;
        lastOriginY_ = oy;
        marginValid_ = true;
      } else {
        displayMargin_.releasePixels();
      }
    }
    if (marginValid_) {
      copyFromMargin();
      finishUpdate(Rect(0, 0, displayWidth_, displayHeight_));
      followWithOutline();
      return;
    }
  }
  marginValid_ = false;
  if (transform_.isPlain()) {
    compose(display_, 0, 0, Rect(0, 0, displayWidth_, displayHeight_));
  } else {
    composeWindowFootprint();
  }
  finishUpdate(Rect(0, 0, displayWidth_, displayHeight_));
  followWithOutline();
}

void View::followWithOutline() {
  if (outlineShown_) animateSelectionOutline(outlinePhase_);
}

void View::composeWindowFootprint() {
  // The window's corners on the display (the window turned about the centres), two pixels
  // wider on every side than the turned picture's samples can reach.
  CurvePoint quad[4];
  const double cornersX[4] = {-2.0, windowWidth_ + 2.0, windowWidth_ + 2.0, -2.0};
  const double cornersY[4] = {-2.0, -2.0, windowHeight_ + 2.0, windowHeight_ + 2.0};
  for (int i = 0; i < 4; ++i) {
    const CurvePoint v{(cornersX[i] - double(windowWidth_ / 2)) * transform_.factorX,
                       (cornersY[i] - double(windowHeight_ / 2)) * transform_.factorY};
    const CurvePoint r = rotate(v, transform_.angle);
    quad[i] = {double(displayWidth_ / 2) + r.x, double(displayHeight_ / 2) + r.y};
  }
  // Bands of rows, each composited over the columns the quadrilateral covers in it.
  constexpr int32_t kBand = 32;
  for (int32_t y0 = 0; y0 < displayHeight_; y0 += kBand) {
    const double top = y0, bottom = std::min(y0 + kBand, displayHeight_);
    double left = 1e18, right = -1e18;
    for (int i = 0; i < 4; ++i) {
      const CurvePoint a = quad[i], b = quad[(i + 1) % 4];
      for (double y : {top, bottom, a.y, b.y}) {  // the edge's points within the band's rows
        if (y < std::min(a.y, b.y) || y > std::max(a.y, b.y) || y < top || y > bottom) continue;
        const double x = a.y == b.y ? a.x : a.x + (b.x - a.x) * (y - a.y) / (b.y - a.y);
        left = std::min(left, a.y == b.y ? std::min(a.x, b.x) : x);
        right = std::max(right, a.y == b.y ? std::max(a.x, b.x) : x);
      }
    }
    if (left > right) continue;
    const int64_t x0 = std::max<int64_t>(0, floorToInt(left)), x1 = std::min<int64_t>(displayWidth_, floorToInt(right) + 1);
    if (x0 < x1) compose(display_, 0, 0, Rect(int32_t(x0), y0, int32_t(x1 - x0), int32_t(bottom) - y0));
  }
}

void View::redrawRect(int32_t x, int32_t y, int32_t width, int32_t height) {
  if (!canUpdate() || width <= 0 || height <= 0) return;
  marginValid_ = false;
  // The screen pixels whose centres can map into the rectangle, one more on every side.
  const CurvePoint a = canvasToScreen(double(x), double(y));
  const CurvePoint b = canvasToScreen(double(x) + width, double(y) + height);
  const double limit = double(kMaxWindowSide) * 4.0;
  const int64_t x0 = floorToInt(std::clamp(a.x, -limit, limit)) - 1, y0 = floorToInt(std::clamp(a.y, -limit, limit)) - 1;
  const int64_t x1 = int64_t(std::ceil(std::clamp(b.x, -limit, limit))) + 1;
  const int64_t y1 = int64_t(std::ceil(std::clamp(b.y, -limit, limit))) + 1;
  const int64_t cx0 = std::max<int64_t>(x0, 0), cy0 = std::max<int64_t>(y0, 0);
  const int64_t cx1 = std::min<int64_t>(x1, displayWidth_), cy1 = std::min<int64_t>(y1, displayHeight_);
  if (cx0 >= cx1 || cy0 >= cy1) return;
  const Rect area(int32_t(cx0), int32_t(cy0), int32_t(cx1 - cx0), int32_t(cy1 - cy0));
  compose(display_, 0, 0, area);
  finishUpdate(area);
}

void View::present() {
  if (surface_ != nullptr) surface_->present(picture(), 0, 0, Rect(0, 0, windowWidth_, windowHeight_));
}

void View::animateSelectionOutline(uint32_t phase, double scrollX, double scrollY) {
  if (surface_ == nullptr) return;
  Overlay overlay;
  const Selection* selection = document_->currentSelection();
  if (selection != nullptr && !selection->outline.empty() && settings_->outlineAllowed() && suppressOutline == 0) {
    OutlinePlacement placement;
    // A floating part carries the outline with it.
    if (floating_.floating()) {
      scrollX += floating_.dx();
      scrollY += floating_.dy();
    }
    const CurvePoint base = canvasToWindow(scrollX, scrollY);
    placement.baseX = int32_t(std::clamp(std::floor(base.x), -kOriginLimit, kOriginLimit));
    placement.baseY = int32_t(std::clamp(std::floor(base.y), -kOriginLimit, kOriginLimit));
    placement.zoom = transform_.zoom;
    normaliseAngle(-transform_.angle, placement.angle);
    placement.mirrored = transform_.isMirrored();
    placement.clip = Rect(0, 0, picture().width(), picture().height());
    placement.selectionWidth = int32_t(selection->mask.width());
    placement.selectionHeight = int32_t(selection->mask.height());
    buildSelectionOutline(selection->outline, placement, phase, overlay);
  }
  outlinePhase_ = phase;
  outlineShown_ = !overlay.empty();
  surface_->setOverlay(OverlaySlot::kSelectionOutline, overlay);
}

void View::showUndoOutcome(const UndoOutcome& outcome) {
  if (outcome.canvasResized) centreDocument();
  if (outcome.wholeView || (outcome.bits & kUndoBitInvalidate) != 0) {
    invalidate(true, false, -1);
    redraw(true, false, false);
  } else if (!outcome.redraw.isEmpty()) {
    redrawRect(outcome.redraw.x, outcome.redraw.y, outcome.redraw.width, outcome.redraw.height);
  } else if ((outcome.bits & kUndoBitRedraw) != 0) {
    redraw(true, false, false);
  }
}

}  // namespace kanvo
