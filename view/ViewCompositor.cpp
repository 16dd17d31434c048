#include "view/ViewCompositor.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "document/CompositeOptions.h"
#include "document/DocumentCompositor.h"
#include "document/LayerPyramid.h"
#include "raster/pixel/VectorClones.h"

namespace kanvo {

ViewSource viewSourceFor(double zoom) {
  if (zoom > 0.5) return {0, zoom};
  double scale = 2.0;
  for (int32_t k = 1; k < kPyramidLevels; ++k, scale *= 2.0) {
    if (zoom > 0.5 / scale) return {k, zoom * scale};
  }
  return {kPyramidLevels, zoom * scale};
}

// The view's own blends run eight pixels at a time in vector registers (GCC/Clang vector
// extensions; AVX2 or SSE4.1 clones chosen at run time on x86-64): every lane computes every
// case and masks select the right one.
#define KANVO_VIEW_CLONES KANVO_CLONES("avx2", "sse4.1", "default")

namespace {

constexpr int kLanes = 8;
using Lanes = uint32_t __attribute__((vector_size(4 * kLanes)));

// x / 255 for 0 <= x <= 65534 (lane-wise), without a division.
#define KANVO_VIEW_DIV255(x) (((x) + 1u + ((x) >> 8)) >> 8)
#define KANVO_VIEW_BYTE(p, i) (((p) >> (8 * (i))) & 255u)
#define KANVO_VIEW_SELECT(mask, a, b) (((a) & Lanes(mask)) | ((b) & ~Lanes(mask)))

// Op 12's formula for every pixel: colour bytes (s.c k + d.c (255 - k)) / 255 with k = s.a w /
// 255; k = 0 gives the destination's bytes back, alpha is kept.
inline void mixTowards(Lanes& d, const Lanes& s, uint32_t w) {
  const Lanes k = KANVO_VIEW_DIV255((s >> 24) * w);
  Lanes out = d & 0xFF000000u;
  for (int i = 0; i < 3; ++i)
    out |= KANVO_VIEW_DIV255(KANVO_VIEW_BYTE(s, i) * k + KANVO_VIEW_BYTE(d, i) * (255u - k)) << (8 * i);
  d = out;
}

// Op 13: a destination that is not opaque is flattened onto white; then each colour byte is
// multiplied towards the source by k = s.a w / 255 (a white source or k = 0 changes nothing
// more); a transparent source changes nothing at all. The blend span's op 13 bytes.
inline void multiply(Lanes& d, const Lanes& s, uint32_t w) {
  const Lanes da = d >> 24;
  Lanes flat = Lanes{} + 0xFF000000u;
  for (int i = 0; i < 3; ++i) flat |= ((255u * (255u - da) + KANVO_VIEW_BYTE(d, i) * (da + 1u)) >> 8) << (8 * i);
  const Lanes base = KANVO_VIEW_SELECT(da < 255u, flat, d);
  const Lanes k = KANVO_VIEW_DIV255((s >> 24) * w);
  Lanes out = Lanes{} + 0xFF000000u;
  for (int i = 0; i < 3; ++i) {
    const Lanes m = 255u - KANVO_VIEW_DIV255((255u - KANVO_VIEW_BYTE(s, i)) * k);
    out |= KANVO_VIEW_DIV255(m * KANVO_VIEW_BYTE(base, i)) << (8 * i);
  }
  const Lanes unchanged = (k == 0u) | ((s & 0x00FFFFFFu) == 0x00FFFFFFu);
  d = KANVO_VIEW_SELECT(s >> 24 == 0u, d, KANVO_VIEW_SELECT(unchanged, base, out));
}

// Runs blend(d, s) over count pixels, the source stepping in 16.16: blocks of eight gathered
// pixels, then the rest one lane at a time.
template <void (*Blend)(Lanes&, const Lanes&, uint32_t)>
KANVO_VIEW_CLONES void scaledRow(const uint8_t* src, int64_t pos, int64_t step, uint8_t* out, int32_t count,
                                 uint32_t w) {
  const bool plain = step == 65536 && (pos & 0xFFFF) == 0;
  int32_t i = 0;
  for (; i < count; i += kLanes) {
    const int32_t n = count - i < kLanes ? count - i : kLanes;
    Lanes s{}, d{};
    if (plain && n == kLanes) {
      std::memcpy(&s, src + size_t((pos >> 16) + i) * 4, sizeof s);
    } else {
      for (int32_t j = 0; j < n; ++j) {
        uint32_t v;
        std::memcpy(&v, src + size_t((pos + (i + j) * step) >> 16) * 4, 4);
        s[j] = v;
      }
    }
    Lanes alpha = s & 0xFF000000u;  // a block of transparent source pixels changes nothing
    uint32_t any = 0;
    for (int32_t j = 0; j < kLanes; ++j) any |= alpha[j];
    if (any == 0) continue;
    if (n == kLanes) {
      std::memcpy(&d, out + size_t(i) * 4, sizeof d);
      Blend(d, s, w);
      std::memcpy(out + size_t(i) * 4, &d, sizeof d);
    } else {
      std::memcpy(&d, out + size_t(i) * 4, size_t(n) * 4);
      Blend(d, s, w);
      std::memcpy(out + size_t(i) * 4, &d, size_t(n) * 4);
    }
  }
}

bool scaledArgsOk(const uint8_t* src, const uint8_t* dst, int32_t dstX, int32_t count, int32_t start16, int w) {
  return src != nullptr && dst != nullptr && dstX >= 0 && count > 0 && start16 >= 0 && w != 0;
}

}  // namespace

void multiplyScaled(const SpanParams& params, const uint8_t* src, int32_t start16, int32_t step16, uint8_t* dst,
                    int32_t dstX, int32_t count) {
  if (!scaledArgsOk(src, dst, dstX, count, start16, params.opacity)) return;
  scaledRow<multiply>(src, start16, step16, dst + size_t(dstX) * 4, count, params.opacity);
}

void translucentReplaceColourScaled(const SpanParams& params, const uint8_t* src, int32_t start16, int32_t step16,
                                    uint8_t* dst, int32_t dstX, int32_t count) {
  if (!scaledArgsOk(src, dst, dstX, count, start16, params.opacity)) return;
  scaledRow<mixTowards>(src, start16, step16, dst + size_t(dstX) * 4, count, params.opacity);
}

namespace {

using ScaledSpan = void (*)(const SpanParams&, const uint8_t*, int32_t, int32_t, uint8_t*, int32_t, int32_t);

// One run of frame columns that read one tile column of the source: destination column
// destX (in canvasImage) for count pixels, the source position start16 relative to the tile's
// left edge.
struct ColumnRun {
  int32_t destX = 0, count = 0, tileX = 0, start16 = 0;
};

constexpr int64_t kAnchorColumns = 256;

int64_t floorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// The runs of the columns [u0, u0 + width) over a source of sourceWidth pixels whose left edge
// lies at frame column t, r columns per source pixel. Positions step by step16 from anchors
// every kAnchorColumns columns from floor(t).
std::vector<ColumnRun> planColumns(int64_t u0, int32_t width, double t, double r, uint32_t sourceWidth,
                                   int64_t step16) {
  std::vector<ColumnRun> runs;
  const int64_t end = u0 + width, sourceEnd16 = int64_t(sourceWidth) << 16;
  const int64_t anchor0 = int64_t(std::floor(t));
  int64_t u = u0;
  while (u < end) {
    const int64_t anchor = anchor0 + floorDiv(u - anchor0, kAnchorColumns) * kAnchorColumns;
    const int64_t pieceEnd = std::min(end, anchor + kAnchorColumns);
    const int64_t base16 = int64_t(std::floor((double(anchor) + 0.5 - t) / r * 65536.0));
    int64_t pos16 = base16 + (u - anchor) * step16;
    if (pos16 < 0) {  // skip the columns left of the source
      const int64_t skip = (-pos16 + step16 - 1) / step16;
      u += skip;
      if (u >= pieceEnd) {
        u = std::max(u, pieceEnd);
        continue;
      }
      pos16 += skip * step16;
    }
    while (u < pieceEnd) {
      if (pos16 >= sourceEnd16) return runs;  // positions only grow
      const int64_t tileX = pos16 >> (16 + kTileShift);
      const int64_t limit16 = std::min(sourceEnd16, (tileX + 1) << (16 + kTileShift));
      const int64_t n = std::min((limit16 - pos16 + step16 - 1) / step16, pieceEnd - u);
      runs.push_back({int32_t(u - u0), int32_t(n), int32_t(tileX), int32_t(pos16 - (tileX << (16 + kTileShift)))});
      u += n;
      pos16 += n * step16;
    }
  }
  return runs;
}

// The source row of frame row v: floor((v + 0.5 - t) / r).
int64_t sourceRow(int64_t v, double t, double r) { return int64_t(std::floor((double(v) + 0.5 - t) / r)); }

// The scaled form of compositeStore's tile walk: each target row reads its source row through
// the column runs, skipping absent tiles (exact for the compositing operations, which leave the
// destination unchanged where the source is empty).
template <int Bpp>
void compositeScaled(Image32& target, const SpanParams& params, const TiledImage<Bpp>& source, const ViewFrame& frame,
                     double tX, double tY, double r, ScaledSpan span) {
  if (source.presentTileCount() == 0) return;
  const int64_t step16 = std::max<int64_t>(1, std::llround(65536.0 / r));
  const std::vector<ColumnRun> runs = planColumns(frame.u0, target.width(), tX, r, source.width(), step16);
  if (runs.empty()) return;
  for (int32_t y = 0; y < target.height(); ++y) {
    const int64_t j = sourceRow(frame.v0 + y, tY, r);
    if (j < 0 || j >= int64_t(source.height())) continue;
    const int32_t ty = int32_t(j >> kTileShift);
    const size_t rowOffset = size_t(j & kTileMask) * TileTraits<Bpp>::kRowBytes;
    uint8_t* out = target.rowAddress(y);
    for (const ColumnRun& run : runs) {
      const auto* tile = source.tile(run.tileX, ty);
      if (tile != nullptr) span(params, tile->bits() + rowOffset, run.start16, int32_t(step16), out, run.destX, run.count);
    }
  }
}

// The source of one layer at one level: its store, the scale of its pixels in canvas pixels, and
// the span for the residual-1 and the scaled paths.
template <int Bpp>
void drawSource(Image32& target, const SpanParams& params, const TiledImage<Bpp>& source, double sourceScale,
                int64_t layerX, int64_t layerY, const ViewFrame& frame, ScaledSpan span, bool weighted) {
  const double r = frame.zoom * sourceScale;
  const double tX = frame.fracX + frame.zoom * double(layerX);
  const double tY = frame.fracY + frame.zoom * double(layerY);
  if (r == 1.0 && !weighted) {
    const int64_t p = -int64_t(std::floor(0.5 - tX)), q = -int64_t(std::floor(0.5 - tY));
    compositeStore(target, params, p - frame.u0, q - frame.v0, source);
  } else {
    compositeScaled(target, params, source, frame, tX, tY, r, span);
  }
}

// The canvas position of a layer's store: its offset plus the floor of its sub-pixel part.
int64_t layerPosition(int32_t offset, double subPixel) {
  const double whole = std::floor(subPixel);
  return int64_t(offset) + (std::isfinite(whole) ? int64_t(std::clamp(whole, -1e9, 1e9)) : 0);
}

}  // namespace

void compositeViewLayers(const Document& document, const ViewFrame& frame, Image32& canvasImage,
                         bool useCurrentCopy, const FloatingPart* floating) {
  if (!canvasImage.hasPixels()) return;
  const ViewSource chosen = viewSourceFor(frame.zoom);
  const double levelScale = std::ldexp(1.0, chosen.level);
  for (int32_t i = 0; i < document.layerCount(); ++i) {
    const Layer& layer = *document.layer(i);
    if (layer.visible == 0) continue;
    SpanParams params;
    params.op = viewBlendOp(layer.blendMode);
    params.opacity = layer.opacity;
    params.paint = layer.colour;
    const int64_t x = layerPosition(layer.offsetX, layer.subPixelX), y = layerPosition(layer.offsetY, layer.subPixelY);
    const CompositeSource what = compositeSourceOf(layer, false);
    if (what == CompositeSource::kVector) {
      document.drawVectorLayer(layer, canvasImage, frame.fracX - double(frame.u0), frame.fracY - double(frame.v0),
                               frame.zoom);
      continue;
    }
    // While a part of the layer floats, its shown store (full size) stands for the layer.
    const bool lifted = floating != nullptr && floating->layer() == &layer;
    // The chosen level of the layer's reduced images when they are ready, else its full store.
    const uint32_t w = layer.storeWidth(), h = layer.storeHeight();
    auto levelOrStore = [&](const auto& pyramid, const auto& store, const auto* liftedStore, ScaledSpan levelSpan,
                            ScaledSpan storeSpan, bool weighted) {
      if (liftedStore != nullptr)
        drawSource(canvasImage, params, *liftedStore, 1.0, x, y, frame, storeSpan, weighted);
      else if (chosen.level > 0 && pyramid.isPreparedFor(w, h))
        drawSource(canvasImage, params, pyramid.level(chosen.level), levelScale, x, y, frame, levelSpan, weighted);
      else
        drawSource(canvasImage, params, store, 1.0, x, y, frame, storeSpan, weighted);
    };
    switch (lifted && layer.kind == kLayerKind8 ? CompositeSource::kCoverage8 : what) {
      case CompositeSource::kColour32: {
        // Two blends of our own: normal below full opacity, and multiply (its fast form).
        const bool translucent = params.op == kOpReplaceColour && params.opacity < 255;
        const bool multiply = params.op == kOpMultiplyAlpha;
        const ScaledSpan span = translucent ? translucentReplaceColourScaled : multiply ? multiplyScaled : blendSpan32Scaled;
        if (useCurrentCopy && i == document.currentLayerIndex() && !lifted)
          drawSource(canvasImage, params, document.currentCopy32, 1.0, x, y, frame, span, translucent || multiply);
        else
          levelOrStore(layer.pyramid32, layer.pixels32, lifted ? &floating->shown<32>() : nullptr, span, span,
                       translucent || multiply);
        break;
      }
      case CompositeSource::kCoverage8:
        levelOrStore(layer.pyramid8, layer.pixels8, lifted ? &floating->shown<8>() : nullptr, coverageSpan32Scaled,
                     coverageSpan32Scaled, false);
        break;
      case CompositeSource::kBits1:
        levelOrStore(layer.pyramid1, layer.pixels1, lifted ? &floating->shown<1>() : nullptr, coverageSpan32Scaled,
                     bitSpan32Scaled, false);
        break;
      default: break;
    }
  }
}

}  // namespace kanvo
