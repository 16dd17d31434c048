#include "tools/dispatch/StatusText.h"

#include <cmath>
#include <cstdio>

#include "strings/TextId.h"
#include "view/ViewTransform.h"

namespace kanvo {

namespace {

constexpr double kHalfPi = 1.5707963705062866;
constexpr double kCentimetresPerInch = 2.54;

std::string whole(double v) {
  const double f = std::floor(v);
  return std::to_string(std::isfinite(f) ? int64_t(std::fmax(-9e18, std::fmin(9e18, f))) : 0);
}

std::string pair(const std::string& a, const std::string& b) { return "( " + a + ", " + b + " )"; }

std::string rangePart(const StringTable& strings, uint32_t rangeId, CanvasPoint from, CanvasPoint to) {
  return std::string(strings.GetString(rangeId)) + " " + pair(whole(from.x), whole(from.y)) + " - " +
         pair(whole(to.x), whole(to.y));
}

}  // namespace

std::string positionText(const StringTable& strings, CanvasPoint at, const std::vector<uint32_t>& hintIds,
                         bool layerLocked) {
  std::string text = std::string(strings.GetString(TextId::Position)) + " " + pair(whole(at.x), whole(at.y));
  for (uint32_t id : hintIds) text += std::string(" : ") + strings.GetString(id);
  if (layerLocked) text += strings.GetString(TextId::LayerLocked);
  return text;
}

std::string rangeText(const StringTable& strings, CanvasPoint from, CanvasPoint to) {
  const int64_t w = std::llabs(int64_t(std::floor(to.x)) - int64_t(std::floor(from.x)));
  const int64_t h = std::llabs(int64_t(std::floor(to.y)) - int64_t(std::floor(from.y)));
  return rangePart(strings, TextId::Range, from, to) + "  " + strings.GetString(TextId::Size) + " " +
         pair(std::to_string(w), std::to_string(h));
}

int32_t screenAngleDegrees(double dx, double dy) {
  double a;
  if (dx == 0.0 && dy == 0.0) {
    a = 0.0;
  } else if (dx == 0.0) {
    a = dy < 0.0 ? kHalfPi : 3.0 * kHalfPi;
  } else {
    a = std::atan2(-dy, dx);
    if (a < 0.0) a += kViewTurn;
  }
  // Whole degrees, truncated; within 1/10000 below a whole degree counts as that degree, so that
  // exact angles (a vertical line, 45 degrees) read exactly despite the single-precision factors
  // (their error is below 1e-5 degrees over the whole turn).
  const int32_t d = int32_t(std::trunc(a * kDegreesPerRadian + 1e-4));
  return d >= 360 ? d - 360 : d;
}

std::string distanceText(const StringTable& strings, CanvasPoint from, CanvasPoint to, int32_t resolution) {
  const double dx = std::floor(to.x) - std::floor(from.x), dy = std::floor(to.y) - std::floor(from.y);
  const double length = std::hypot(dx, dy);
  const double centimetres = resolution > 0 ? length / double(resolution) * kCentimetresPerInch : 0.0;
  char cm[48];
  std::snprintf(cm, sizeof cm, "%.2f", std::trunc(std::fmin(centimetres, 1e12) * 100.0) * 0.01);
  return rangePart(strings, TextId::ReadoutRange, from, to) + "  " + strings.GetString(TextId::Distance) + " ( " +
         whole(std::trunc(length)) + " pixel / " + cm + " cm )" + "  " + strings.GetString(TextId::Angle) + " ( " +
         std::to_string(screenAngleDegrees(dx, dy)) + " " + strings.GetString(TextId::ReadoutDegrees) + " )";
}

std::string colourText(const StringTable& strings, Color32 c, const Layer* layer, int64_t x, int64_t y) {
  std::string text = std::string(strings.GetString(TextId::CombinedRgb)) + " ( " + std::to_string(redOf(c)) + ", " +
                     std::to_string(greenOf(c)) + ", " + std::to_string(blueOf(c)) + " )   ";
  if (layer == nullptr) return text;
  const int64_t lx = x - layer->offsetX, ly = y - layer->offsetY;
  const bool inside = lx >= 0 && ly >= 0 && lx < int64_t(layer->storeWidth()) && ly < int64_t(layer->storeHeight());
  const int32_t sx = inside ? int32_t(lx) : -1, sy = inside ? int32_t(ly) : -1;
  switch (layer->kind) {
    case kLayerKind32: {
      const Color32 p = layer->pixel32(sx, sy);
      return text + strings.GetString(TextId::Layer32Rgba) + " ( " + std::to_string(redOf(p)) + ", " +
             std::to_string(greenOf(p)) + ", " + std::to_string(blueOf(p)) + " / " + std::to_string(alphaOf(p)) + " )";
    }
    case kLayerKind8:
      return text + strings.GetString(TextId::Layer8Color) + " ( " + std::to_string(layer->pixel8(sx, sy)) + " )";
    case kLayerKind1:
      return text + strings.GetString(TextId::Layer1Color) + (layer->pixel1(sx, sy) ? " ( 1 )" : " ( 0 )");
    default: return text;
  }
}

std::string offsetText(const StringTable& strings, int64_t dx, int64_t dy, const int64_t* second) {
  std::string text = std::string(strings.GetString(TextId::MovingOffset)) + " " +
                     pair(std::to_string(dx), std::to_string(dy));
  if (second != nullptr) {
    text += ' ';
    text += pair(std::to_string(second[0]), std::to_string(second[1]));
  }
  return text;
}

std::string layerPickText(const StringTable& strings, const Document& document, const std::vector<int32_t>& layers) {
  std::string text = std::string(strings.GetString(TextId::HintPickLayer)) + " ";
  if (layers.empty()) return text + " [ ]";
  for (int32_t i : layers) {
    if (const Layer* layer = document.layer(i)) text += "[" + layer->name + "] ";
  }
  return text;
}

}  // namespace kanvo
