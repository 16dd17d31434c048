#pragma once
// The compositors' reference: one pixel at a time, straight from the blend rules, for the band
// compositor (document ops, full-size stores) and the view compositor (view ops, the store or
// reduced level a zoom draws from, the view's sampling).
#include <cmath>
#include <cstdint>

#include "document/CompositeOptions.h"
#include "document/Document.h"
#include "raster/pixel/PixelOps.h"
#include "support/LayerStores.h"
#include "support/PixelReference.h"

namespace kanvo::test {

// d moved towards p by k / 255, alpha kept.
inline Color32 approach(Color32 d, Color32 p, int k) {
  return perByte(d, p, [k](int dc, int pc) { return dc + (pc - dc) * k / 255; });
}
// d flattened, each colour byte moved towards its inverse by t(255 - p's byte) / 255.
template <class T>
Color32 invert(Color32 d, Color32 p, T t) {
  return perByte(flattened(d), p, [t](int dc, int pc) { return dc + (255 - 2 * dc) * t(255 - pc) / 255; });
}

// A 32 bpp source pixel s at opacity w by operation: 23 over, 13 multiply, 14 add, 22 inverse,
// and 12, which the view uses for normal layers: k = s.a x w / 255 for every pixel. A source
// of alpha 0 changes nothing.
inline void referenceBlend32(Color32& d, Color32 s, int op, int w) {
  const int sa = alphaOf(s), k = sa * w / 255;
  if (w == 0 || sa == 0) return;
  if (op == kOpOver) d = paintOver(d, s, w);
  auto mix = [k](int dc, int sc) { return (sc * k + dc * (255 - k)) / 255; };
  if (op == kOpReplaceColour) d = perByte(d, s, mix);
  if (op == kOpMultiplyAlpha) d = applied(multiplyRgbByAlpha, flattened(d), s, w);
  if (op == kOpAddAlpha) addRgbByAlpha(d, s, w);
  if (op == kOpInverse) d = invert(d, s, [t = (((sa + 1) * w) >> 8) + 1](int q) { return (q * t) >> 8; });
}

// Coverage c of the paint colour p (0 taken as opaque black) at opacity w over d.
inline Color32 referenceCoverage(Color32 d, int c, Color32 p, int op, int w) {
  if (p == 0) p = kOpaqueBlack;
  const int k = c * w / 255;
  if (c == 0 || (op == kOpReplaceColour && w == 0)) return d;
  if (op == kOpOver && alphaOf(p) == 255 && w == 255 && c == 255) return p;
  if (op == kOpOver && alphaOf(d) == 255) return approach(d, p, k);
  if (op == kOpOver && alphaOf(d) == 0) return (p & 0xFFFFFFu) | uint32_t(w < 255 ? k : c) << 24;
  if (op == kOpOver) return applied(over, d, p, k);
  if (op == kOpReplaceColour) return k == 255 ? p : applied(blendRgbByAlpha, d, p, k);
  if (op == kOpAddAlpha) return applied(addRgbByAlpha, d, p, c);
  if (op == kOpMultiplyAlpha) return applied(multiplyRgbByAlpha, flattened(d), p, c);
  if (op == kOpInverse) return invert(d, p, [k, w](int q) { return (k + 1) * (q * w / 255) >> 8; });
  return d;
}

// A set bit b of the paint colour p at opacity w over d.
inline Color32 referenceBit(Color32 d, int b, Color32 p, int op, int w) {
  if (w == 0 || b == 0) return d;
  if (op == kOpOver && alphaOf(d) == 255 && !(alphaOf(p) == 255 && w == 255)) return approach(d, p, w);
  if (op == kOpOver) return paintOver(d, p, w);
  if (op == kOpReplaceColour) return applied(blendRgbByAlpha, d, p, w);
  if (op == kOpAddAlpha) return applied(addRgbByAlpha, d, p, w);
  if (op == kOpMultiplyAlpha) return applied(multiplyRgbByAlpha, flattened(d), p, w);
  if (op == kOpInverse) return invert(d, p, [w](int q) { return q * w / 255; });
  return d;
}

inline int documentOpOf(int32_t blendMode) {
  static const int kOps[] = {kOpOver, kOpMultiplyAlpha, kOpAddAlpha, kOpInverse};
  return kOps[blendMode & 3];
}
inline int viewOpOf(int32_t blendMode) {
  static const int kOps[] = {kOpReplaceColour, kOpMultiplyAlpha, kOpAddAlpha, kOpInverse};
  return kOps[blendMode & 3];
}

// The band compositor's composite of canvas point (cx, cy), every layer bottom first.
inline Color32 referencePixel(const Document& doc, int64_t cx, int64_t cy, const CompositeOptions& options) {
  Color32 d = options.background;
  for (int32_t i = 0; i < doc.layerCount(); ++i) {
    const Layer& layer = *doc.layer(i);
    if (!layer.visible) continue;
    const int64_t x = cx - layer.offsetX, y = cy - layer.offsetY;
    if (x < 0 || y < 0 || x >= layer.storeWidth() || y >= layer.storeHeight()) continue;
    const int op = documentOpOf(layer.blendMode);
    Color32 paint = layer.colour;
    if (options.monochrome) paint = luminance(paint) < 128 ? 0xFF000000u : 0xFFFFFFFFu;
    const bool tone = layer.kind == kLayerKind8 && layer.toneMode && !options.coverageAsIs;
    const bool bits = layer.kind == kLayerKind1 || tone;
    const uint32_t v = tone ? layer.pixels1.getPixel(int32_t(x), int32_t(y)) : storePixel(layer, x, y);
    if (layer.kind == kLayerKind32) referenceBlend32(d, v, op, layer.opacity);
    else d = (bits ? referenceBit : referenceCoverage)(d, int(v), paint, op, layer.opacity);
  }
  return d;
}

// ---- the view ----

// The view's sampling along one axis: the source pixel that frame column u reads, for a source
// whose left edge lies at frame column t with r columns per source pixel. Columns step in 16.16
// from anchors every 256 columns from floor(t); rows (rows = true) map exactly.
inline int64_t viewSourceIndex(int64_t u, double t, double r, bool rows) {
  if (rows) return int64_t(std::floor((double(u) + 0.5 - t) / r));
  const int64_t a0 = int64_t(std::floor(t));
  const int64_t k = (u - a0) >= 0 ? (u - a0) / 256 : -((a0 - u + 255) / 256);
  const int64_t anchor = a0 + 256 * k;
  const int64_t base = int64_t(std::floor((double(anchor) + 0.5 - t) / r * 65536.0));
  const int64_t step = std::llround(65536.0 / r);
  const int64_t pos = base + (u - anchor) * step;
  return pos >> 16;
}

// The level a zoom draws from: the smallest k (at most 6) with zoom x 2^k above 0.5.
inline int32_t viewLevelOf(double zoom) {
  int32_t k = 0;
  while (k < 6 && zoom * std::ldexp(1.0, k) <= 0.5) ++k;
  return k;
}

// The view's picture at display pixel (X, Y) of a plain view: the grey outside the zoomed
// canvas, the checkerboard or white paper inside, the layers over it. Vector layers are not
// drawn (no renderer).
inline Color32 viewReferencePixel(const Document& doc, double zoom, double originX, double originY, int64_t X,
                                  int64_t Y, bool checkerboard, bool useCurrentCopy = false) {
  const double oI = std::floor(originX), oJ = std::floor(originY);
  const int64_t u = X - int64_t(oI), v = Y - int64_t(oJ);
  // The zoomed canvas (floor(zoom x size), even below zoom 1) from floor(origin), less the pixels
  // at its start whose centres map before the canvas.
  int64_t w = int64_t(std::floor(doc.width() * zoom)), h = int64_t(std::floor(doc.height() * zoom));
  if (zoom < 1.0) w -= w & 1, h -= h & 1;
  if (double(X) + 0.5 < originX || double(Y) + 0.5 < originY || u >= w || v >= h) return 0xFF707070u;
  Color32 d = !checkerboard ? 0xFFFFFFFFu : ((u & 31) < 16) == ((v & 31) < 16) ? 0xFFE8E8E8u : 0xFFF8F8F8u;
  const int32_t level = viewLevelOf(zoom);
  const double scale = std::ldexp(1.0, level);
  for (int32_t i = 0; i < doc.layerCount(); ++i) {
    const Layer& layer = *doc.layer(i);
    if (!layer.visible || layer.kind == kLayerKindVector) continue;
    const int64_t lx = layer.offsetX + int64_t(std::floor(layer.subPixelX));
    const int64_t ly = layer.offsetY + int64_t(std::floor(layer.subPixelY));
    const bool fromCopy = useCurrentCopy && layer.kind == kLayerKind32 && i == doc.currentLayerIndex();
    const double s = fromCopy ? 1.0 : scale, rr = zoom * s;
    const int64_t x = viewSourceIndex(u, (originX - oI) + zoom * double(lx), rr, false);
    const int64_t y = viewSourceIndex(v, (originY - oJ) + zoom * double(ly), rr, true);
    if (x < 0 || y < 0 || x > INT32_MAX || y > INT32_MAX) continue;
    const int32_t xi = int32_t(x), yi = int32_t(y);
    const int op = viewOpOf(layer.blendMode);
    const bool reduced = level > 0 && !fromCopy;
    const bool halftone = layer.kind == kLayerKind1 || (layer.kind == kLayerKind8 && layer.toneMode != 0);
    if (layer.kind == kLayerKind32) {
      const TiledImage32& src = fromCopy ? doc.currentCopy32 : reduced ? layer.pyramid32.level(level) : layer.pixels32;
      referenceBlend32(d, src.getPixel(xi, yi), op, layer.opacity);
    } else if (halftone && !reduced) {
      d = referenceBit(d, layer.pixels1.getPixel(xi, yi), layer.colour, op, layer.opacity);
    } else {
      const TiledImage8& src = halftone ? layer.pyramid1.level(level) : reduced ? layer.pyramid8.level(level) : layer.pixels8;
      d = referenceCoverage(d, src.getPixel(xi, yi), layer.colour, op, layer.opacity);
    }
  }
  return d;
}

}  // namespace kanvo::test
