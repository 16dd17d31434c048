// Interpolation of the samples, dab placement along a segment, the dab of each kind, and the
// composition of the touched rectangle into the layer.
#include <algorithm>
#include <cmath>

#include "raster/dab/Dab.h"
#include "raster/geometry/CurveGeometry.h"
#include "raster/pixel/FixedPoint.h"
#include "raster/pixel/PixelOps.h"
#include "raster/tiled/TiledBlit.h"
#include "raster/tiled/TiledCopy.h"
#include "tools/brush/StrokeRaster.h"

namespace kanvo {

namespace {

// Sampling grid of the round dab: 11 x 11 below radius 3, otherwise 5 x 5.
constexpr double kFineGridRadius = 3.0;
constexpr double kSplineTension = 0.2;
constexpr double kMinSegmentLength = 0.1;
constexpr double kMinStepRadius = 0.2;
constexpr double kSmallBrushRadius = 5.0;
// Paint mixing: how much of the pixel under the first sample goes into the paint, how fast the
// paint picks up the layer's colour and returns to its own.
constexpr double kFirstPickUp = 0.7000000953674317;
constexpr double kPickUp = 0.11;
constexpr double kReturn = 0.07;

struct Place {
  double x, y, pressure;
};

// The samples around segment i (indices clamped to the list) as a Bezier segment.
BezierSegment splineSegment(const std::vector<StrokeSample>& s, int32_t i) {
  const int32_t last = int32_t(s.size()) - 1;
  auto at = [&](int32_t k) {
    const StrokeSample& p = s[size_t(std::clamp(k, 0, last))];
    return CurvePoint{p.x, p.y};
  };
  return segmentFromFour(at(i - 1), at(i), at(i + 1), at(i + 2), kSplineTension);
}

// One segment's geometry: the samples it joins, its length, and a bound of its speed (pixels
// per unit of the parameter) that lets the placement skip stretches far outside the layer.
struct Segment {
  int32_t index = -1;
  bool linear = true;
  BezierSegment curve;
  const StrokeSample* a = nullptr;
  const StrokeSample* b = nullptr;
  double length = kMinSegmentLength;
  double speed = 0;

  void set(const std::vector<StrokeSample>& s, int32_t i, bool isLinear) {
    index = i;
    linear = isLinear;
    a = &s[size_t(i)];
    b = &s[size_t(std::min<int32_t>(i + 1, int32_t(s.size()) - 1))];
    length = std::max(std::hypot(b->x - a->x, b->y - a->y), kMinSegmentLength);
    if (linear) {
      speed = length;
      return;
    }
    curve = splineSegment(s, i);
    speed = 0;
    for (int k = 0; k < 3; ++k)
      speed = std::max(speed, 3 * std::hypot(curve.x[k + 1] - curve.x[k], curve.y[k + 1] - curve.y[k]));
    speed = std::max(speed, kMinSegmentLength);
  }
  Place at(double f) const {
    const double pressure = a->pressure + (b->pressure - a->pressure) * f;
    if (linear) return {a->x + (b->x - a->x) * f, a->y + (b->y - a->y) * f, pressure};
    const CurvePoint q = evaluate(curve, f);
    return {q.x, q.y, pressure};
  }
};

double randomUnit(RandomSource* random) { return random ? double(random->next()) / RandomSource::kMax : 0.0; }

DabStyle dabStyle(const StrokeRaster& raster, const DrawParams& params, double r, int opacity) {
  DabStyle style;
  style.grid = r < kFineGridRadius ? 11 : 5;
  style.antialias = params.antialias != 0;
  style.softEdge = params.softEdge != 0 || raster.kind == kDabAirbrush;
  style.noise = raster.kind == kDabAirbrush;
  style.dither = params.dither != 0 || raster.kind == kDabDithered;
  style.opacity = opacity;
  style.mask = raster.mask;
  style.maskOffsetX = raster.offsetX;
  style.maskOffsetY = raster.offsetY;
  style.random = raster.random;
  return style;
}

Color32 paintColour(const PaintMix& mix) { return rgba(int(mix.red), int(mix.green), int(mix.blue)); }

// Kinds 2 and 6, before each dab: the paint picks up the layer's colour at the dab's four
// corners, weighted by their alpha, and returns a little toward its own colour.
void pickUp(StrokeRaster& raster, double cx, double cy, double r) {
  const TiledImage32& pixels = raster.layer->pixels32;
  const Color32 corners[4] = {
      pixels.getPixel(saturateToInt32(cx - r), saturateToInt32(cy - r)),
      pixels.getPixel(saturateToInt32(cx + r), saturateToInt32(cy - r)),
      pixels.getPixel(saturateToInt32(cx + r), saturateToInt32(cy + r)),
      pixels.getPixel(saturateToInt32(cx - r), saturateToInt32(cy + r)),
  };
  double A = 0, sum[3] = {0, 0, 0};
  for (Color32 c : corners) {
    A += alphaOf(c);
    for (int i = 0; i < 3; ++i) sum[i] += double(byteOf(c, 2 - i)) * alphaOf(c);
  }
  const double m = A * 0.25 / 255.0;
  double* paint[3] = {&raster.mix.red, &raster.mix.green, &raster.mix.blue};
  for (int i = 0; i < 3; ++i) {
    const double picked = A > 0 ? sum[i] / A : 0.0;
    *paint[i] += (picked - *paint[i]) * m * kPickUp;
    *paint[i] += (byteOf(raster.mix.own, 2 - i) - *paint[i]) * kReturn;
  }
}

void includeBox(Rect& segment, double cx, double cy, double r, int grid, const Rect& store) {
  Rect box;
  if (discBox(cx, cy, r, grid, store.width, store.height, box)) segment.unite(box);
}

// The dot brush: a hard square of the dot size whose pixel under (cx, cy) is the middle one.
bool drawDot(StrokeRaster& raster, const DrawParams& params, double cx, double cy, int opacity) {
  const int32_t n = std::clamp(params.dotSize, 1, 500);
  Rect box(saturateToInt32(std::floor(cx + 0.5 - n / 2.0)), saturateToInt32(std::floor(cy + 0.5 - n / 2.0)), n, n);
  if (!clipToSize(box, int32_t(raster.storeWidth()), int32_t(raster.storeHeight()))) return false;
  TiledImage8& coverage = *raster.coverage;
  for (int32_t y = box.y; y < box.bottom(); ++y)
    for (int32_t x = box.x; x < box.right(); ++x) {
      int value = opacity;
      if (raster.mask) {
        const int m = raster.mask->getPixel(x + raster.offsetX, y + raster.offsetY);
        if (m == 0) continue;
        value = ((value + 1) * m) >> 8;
      }
      if (value > coverage.getPixel(x, y)) coverage.setPixel(x, y, uint8_t(value));
    }
  raster.segment.unite(box);
  return true;
}

// Draws one dab of the stroke's kind; false when it drew nothing.
bool drawDab(StrokeRaster& raster, const DrawParams& params, double cx, double cy, double r, int opacity) {
  const Rect store(0, 0, int32_t(raster.storeWidth()), int32_t(raster.storeHeight()));
  const bool mixing = raster.depth == 32 && (raster.kind == kDabPaintMixing || raster.kind == kDabMixingColour);
  if (raster.kind == kDabDot) return drawDot(raster, params, cx, cy, opacity);
  DabStyle style = dabStyle(raster, params, r, opacity);
  if (!mixing) {
    Rect box;
    if (!renderDab(*raster.coverage, style, cx, cy, r, DabAccumulation::kMaximum, 0, &box)) return false;
    raster.segment.unite(box);
    return true;
  }
  pickUp(raster, cx, cy, r);
  const Color32 colour = paintColour(raster.mix);
  bool drawn;
  if (raster.kind == kDabPaintMixing) {
    style.softEdge = true;
    style.noise = false;
    style.grid = 5;
    TiledImage32& pixels = raster.layer->pixels32;
    const bool locked = raster.transparencyLocked;
    drawn = forEachDabValue(style, cx, cy, r, store.width, store.height, [&](int32_t x, int32_t y, int value) {
      if (locked)
        pixels.blendPixelByColourAlpha(x, y, colour, value);
      else
        pixels.paintPixel(x, y, colour, value);
    });
  } else {
    // Kind 6: the coverage rises by maximum and the stroke colour takes the current paint
    // wherever this dab raises it; the composition lays that colour over the copy.
    TiledImage8& coverage = *raster.coverage;
    TiledImage32& stroke = *raster.colour;
    drawn = forEachDabValue(style, cx, cy, r, store.width, store.height, [&](int32_t x, int32_t y, int value) {
      if (value <= coverage.getPixel(x, y)) return;
      coverage.setPixel(x, y, uint8_t(value));
      stroke.setPixel(x, y, (colour & 0x00FFFFFFu) | uint32_t(value) << 24);
    });
  }
  if (drawn) includeBox(raster.segment, cx, cy, r, style.grid, store);
  return drawn;
}

// Whether the dab is skipped for lying too close to the last one: kind 0 on 32 bpp below a
// tenth of the radius; the mixing kinds and the airbrush below a random share drawn per dab
// position (0.18 + 0.07 R for kind 2, 0.18 + 0.04 R for kinds 3, 4 and 6).
bool tooClose(StrokeRaster& raster, double cx, double cy, double r) {
  double threshold;
  switch (raster.kind) {
    case kDabRound:
      if (raster.depth != 32) return false;
      threshold = 0.1;
      break;
    case kDabPaintMixing:
      threshold = 0.18 + 0.07 * randomUnit(raster.random);
      break;
    case kDabAirbrush:
    case kDabDithered:
    case kDabMixingColour:
      threshold = 0.18 + 0.04 * randomUnit(raster.random);
      break;
    default:
      return false;
  }
  if (raster.firstDab) return false;
  return std::hypot(cx - raster.lastDabX, cy - raster.lastDabY) / r < threshold;
}

// The stamp: the copy shifted by the stamp offset laid over the copy, weighted by coverage.
template <int Bpp, class Blend>
void composeStamp(StrokeRaster& raster, const TiledImage<Bpp>& copy, TiledImage<Bpp>& pixels, const Rect& rect,
                  Blend blend) {
  for (int32_t y = rect.y; y < rect.bottom(); ++y)
    for (int32_t x = rect.x; x < rect.right(); ++x) {
      const int c = raster.coverage->getPixel(x, y);
      if (c == 0) continue;
      auto d = copy.getPixel(x, y);
      blend(d, copy.getPixel(x + raster.stampOffsetX, y + raster.stampOffsetY), c);
      pixels.setPixel(x, y, d);
    }
}

void compose(StrokeRaster& raster, const DrawParams& params, const Rect& rect) {
  Layer& layer = *raster.layer;
  const bool eraser = raster.kind == kDabEraser;
  const bool stamp = raster.kind == kDabStamp;
  SpanParams sp;
  switch (raster.depth) {
    case 32:
      if (raster.kind == kDabPaintMixing) return;
      copyPixels(*raster.copy32, rect.x, rect.y, rect.width, rect.height, layer.pixels32, rect.x, rect.y);
      if (stamp && raster.transparencyLocked) {
        composeStamp(raster, *raster.copy32, layer.pixels32, rect,
                     [](Color32& d, Color32 s, int c) { lerpRgb(d, s, alphaOf(s) * c / 255); });
      } else if (stamp) {
        composeStamp(raster, *raster.copy32, layer.pixels32, rect, [](Color32& d, Color32 s, int c) { over(d, s, c); });
      } else if (raster.kind == kDabMixingColour) {
        sp.op = raster.transparencyLocked ? kOpReplaceColour : kOpOver;
        blit(layer.pixels32, sp, rect.x, rect.y, *raster.colour, rect.x, rect.y, rect.width, rect.height);
      } else {
        sp.op = eraser ? kOpEraseAlpha : raster.transparencyLocked ? kOpReplaceColour : kOpOver;
        sp.paint = params.foreground;
        blit(layer.pixels32, sp, rect.x, rect.y, *raster.coverage, rect.x, rect.y, rect.width, rect.height);
      }
      break;
    case 8:
      copyPixels(*raster.copy8, rect.x, rect.y, rect.width, rect.height, layer.pixels8, rect.x, rect.y);
      if (stamp) {
        composeStamp(raster, *raster.copy8, layer.pixels8, rect, [](uint8_t& d, uint8_t s, int c) { mix8(d, s, c); });
      } else {
        sp.op = eraser ? kOpSubtract : kOpPaintValue;
        sp.paint = uint32_t(255 - luminance(params.foreground));
        blit(layer.pixels8, sp, rect.x, rect.y, *raster.coverage, rect.x, rect.y, rect.width, rect.height);
      }
      break;
    default:
      copyPixels(*raster.copy1, rect.x, rect.y, rect.width, rect.height, layer.pixels1, rect.x, rect.y);
      if (stamp) {
        composeStamp(raster, *raster.copy1, layer.pixels1, rect, [](uint8_t& d, uint8_t s, int c) {
          if (c >= 128) d = s;
        });
      } else {
        sp.op = eraser ? kOpSubtract : kOpOr;
        blit(layer.pixels1, sp, rect.x, rect.y, *raster.coverage, rect.x, rect.y, rect.width, rect.height);
      }
      break;
  }
}

}  // namespace

void startPaintMix(StrokeRaster& raster, Color32 own, Color32 pixelUnder) {
  PaintMix& mix = raster.mix;
  mix.own = own;
  mix.red = redOf(own);
  mix.green = greenOf(own);
  mix.blue = blueOf(own);
  if (alphaOf(pixelUnder) != 255) return;
  mix.red += (redOf(pixelUnder) - mix.red) * kFirstPickUp;
  mix.green += (greenOf(pixelUnder) - mix.green) * kFirstPickUp;
  mix.blue += (blueOf(pixelUnder) - mix.blue) * kFirstPickUp;
}

bool renderSegment(StrokeRaster& raster, const StrokeList& list, const DrawParams& params, double first, double last,
                   bool includeLast, Rect* changed) {
  const int32_t n = list.count();
  if (n == 0 || list.params == nullptr || raster.layer == nullptr || raster.coverage == nullptr) return false;
  const BrushParams& brush = *list.params;
  first = std::max(first, 0.0);
  last = std::min(last, double(n - 1));
  const int32_t lastSegment = std::max(n - 2, 0);
  const bool linear = raster.kind == kDabDot || !list.spline;
  const double minRadius = params.antialias ? 0.1 : 0.5;

  // Dab centres farther than this outside the store cannot touch it.
  const double reach = std::max({brush.diameterAt(0.0), brush.diameterAt(1.0), double(params.dotSize)}) * 0.5 + 2;
  const double W = raster.storeWidth(), H = raster.storeHeight();

  raster.segment = Rect();
  Segment seg;
  bool drawn = false;
  double t = first;
  while (t < last || (includeLast && t <= last) || (n == 1 && t == first)) {
    const int32_t i = std::min(int32_t(t), lastSegment);
    if (i != seg.index) seg.set(list.samples, i, linear);
    const double f = t - i;
    const Place p = seg.at(f);
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) break;

    const double curved = brush.curvedPressure(p.pressure);
    const double r = std::max(brush.diameterAt(curved) * 0.5, minRadius);
    double step;
    if (raster.kind == kDabDot) {
      step = 1.0 / std::max({1.0, std::fabs(seg.b->x - seg.a->x), std::fabs(seg.b->y - seg.a->y)});
    } else {
      const double P = r <= kSmallBrushRadius ? 50 : 25;
      step = P * 0.01 * std::max(r, kMinStepRadius) / seg.length;
    }

    // Far outside the store: jump ahead by as much as the segment cannot come closer.
    const double outside = std::max({-reach - p.x, p.x - (W + reach), -reach - p.y, p.y - (H + reach), 0.0});
    if (outside > 0) {
      if (n == 1) break;
      // Stop at the segment's end, where the next segment's bound takes over.
      const double next = t + std::max(outside / seg.speed, step);
      t = t < i + 1 && next > i + 1 ? double(i + 1) : next;
      continue;
    }

    int opacity = int(std::clamp(brush.alpha, 0.0, 1.0) * 255);
    if (brush.alphaFollowsPressure) opacity = int(opacity * curved);
    if (!tooClose(raster, p.x, p.y, r) && drawDab(raster, params, p.x, p.y, r, opacity)) {
      raster.lastDabX = p.x;
      raster.lastDabY = p.y;
      raster.firstDab = false;
      ++raster.dabs;
      drawn = true;
    }
    if (n == 1) break;
    // The dot brush starts every segment at its first sample: a step carried over from a longer
    // segment would leave a pixel out at the join.
    const double next = t + step;
    t = raster.kind == kDabDot && std::floor(next) > std::floor(t) ? std::floor(t) + 1 : next;
  }
  raster.lastIndex = std::max(raster.lastIndex, last);

  if (!drawn || raster.segment.isEmpty()) return false;
  Rect rect = raster.segment;
  rect.inflate(2, 2);
  if (!clipToSize(rect, int32_t(W), int32_t(H))) return false;
  compose(raster, params, rect);
  raster.touched.unite(rect);
  if (changed != nullptr) *changed = rect;
  return true;
}

}  // namespace kanvo
