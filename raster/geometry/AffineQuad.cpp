#include "raster/geometry/AffineQuad.h"

#include <algorithm>
#include <cmath>

#include "raster/geometry/CurveGeometry.h"
#include "raster/pixel/FixedPoint.h"

namespace kanvo {

bool MappedQuad::addVertex(double x, double y, double u, double v) {
  if (count >= 4) return false;
  vertices[count++] = {x, y, u, v};
  edgeCount = count;
  for (int32_t i = 0; i < count; ++i) {
    edges[i][0] = i;
    edges[i][1] = (i + 1) % count;
  }
  return true;
}

bool edgeAt(const MappedQuad& quad, int32_t i, double y, EdgeSample& out) {
  if (i < 0 || i >= quad.edgeCount || i >= quad.count) return false;
  const QuadVertex& a = quad.vertices[quad.edges[i][0]];
  const QuadVertex& b = quad.vertices[quad.edges[i][1]];
  if (a.y == b.y) return false;
  const double yq = y + kScanOffset;
  const QuadVertex& lo = a.y < b.y ? a : b;
  const QuadVertex& hi = a.y < b.y ? b : a;
  if (!(yq >= lo.y && yq <= hi.y)) return false;
  if (yq == a.y) {
    out = {a.x, a.u, a.v};
  } else if (yq == b.y) {
    out = {b.x, b.u, b.v};
  } else {
    const double t = (yq - lo.y) / (hi.y - lo.y);
    out = {lo.x + (hi.x - lo.x) * t, lo.u + (hi.u - lo.u) * t, lo.v + (hi.v - lo.v) * t};
  }
  return true;
}

namespace {

template <int Bpp>
typename TiledImage<Bpp>::Value pixelAt(const TiledImage<Bpp>& src, int64_t x, int64_t y) {
  if (uint64_t(x) >= src.width() || uint64_t(y) >= src.height()) return 0;
  return src.getPixel(int32_t(x), int32_t(y));
}

struct BilinearWeights {
  int w[4];  // (0, 0), (1, 0), (0, 1), (1, 1)
  BilinearWeights(int64_t U, int64_t V) {
    const int fx = int((U >> 8) & 255), fy = int((V >> 8) & 255);
    w[0] = (255 - fx) * (255 - fy) / 255;
    w[1] = fx * (255 - fy) / 255;
    w[2] = (255 - fx) * fy / 255;
    w[3] = 255 - w[0] - w[1] - w[2];
  }
};

// The colour to paint for the 16.16 source position (U, V) of one depth.
template <int Bpp>
Color32 sampleAt(const TiledImage<Bpp>& src, int64_t U, int64_t V, const QuadParams& params) {
  const int64_t x = U >> 16, y = V >> 16;
  if constexpr (Bpp == 32) {
    return params.bilinear ? sampleTiledBilinear(src, U, V) : pixelAt(src, x, y);
  } else {
    int alpha;
    if constexpr (Bpp == 8) {
      if (params.bilinear) {
        const BilinearWeights bw(U, V);
        const int sum = bw.w[0] * pixelAt(src, x, y) + bw.w[1] * pixelAt(src, x + 1, y) +
                        bw.w[2] * pixelAt(src, x, y + 1) + bw.w[3] * pixelAt(src, x + 1, y + 1);
        alpha = sum / 255;
      } else {
        alpha = pixelAt(src, x, y);
      }
    } else {
      alpha = pixelAt(src, x, y) ? 255 : 0;
    }
    return (params.colour & 0x00FFFFFFu) | uint32_t(alpha) << 24;
  }
}

}  // namespace

Color32 sampleTiledBilinear(const TiledImage<32>& src, int64_t U, int64_t V) {
  const int64_t x = U >> 16, y = V >> 16;
  const BilinearWeights bw(U, V);
  const Color32 p[4] = {pixelAt(src, x, y), pixelAt(src, x + 1, y), pixelAt(src, x, y + 1), pixelAt(src, x + 1, y + 1)};
  int A = 0;
  for (int i = 0; i < 4; ++i) A += bw.w[i] * alphaOf(p[i]);
  if (A == 0) return 0;
  uint32_t out = uint32_t(A / 255) << 24;
  for (int b = 0; b < 3; ++b) {
    int sum = 0;
    for (int i = 0; i < 4; ++i) sum += byteOf(p[i], b) * bw.w[i] * alphaOf(p[i]);
    out |= uint32_t(sum / A) << (8 * b);
  }
  return out;
}

template <int Bpp>
void mapQuad(Image32& dst, const TiledImage<Bpp>& src, const MappedQuad& quad, const QuadParams& params) {
  if (quad.count < 3 || !dst.hasPixels()) return;
  double minY = quad.vertices[0].y, maxY = minY;
  for (int32_t i = 1; i < quad.count; ++i) {
    minY = std::min(minY, quad.vertices[i].y);
    maxY = std::max(maxY, quad.vertices[i].y);
  }
  const int32_t width = dst.width();
  const int32_t first = std::max(saturateToInt32(minY), 0);
  const int32_t last = std::min(saturateToInt32(maxY), dst.height() - 1);

  for (int32_t r = first; r <= last; ++r) {
    EdgeSample s[2];
    int found = 0;
    for (int32_t i = 0; i < quad.edgeCount && found < 2; ++i)
      if (edgeAt(quad, i, r + 0.5, s[found])) ++found;
    if (found < 2) continue;
    EdgeSample L = s[0].x <= s[1].x ? s[0] : s[1];
    EdgeSample R = s[0].x <= s[1].x ? s[1] : s[0];
    if (L.x == R.x) continue;
    if (!std::isfinite(L.x) || !std::isfinite(R.x) || !std::isfinite(L.u) || !std::isfinite(L.v) ||
        !std::isfinite(R.u) || !std::isfinite(R.v))
      continue;
    const double du = (R.u - L.u) / (R.x - L.x), dv = (R.v - L.v) / (R.x - L.x);
    if (L.x < 0) {
      L.u += -L.x * du;
      L.v += -L.x * dv;
      L.x = 0;
    }
    if (R.x > width) R.x = width;
    const int32_t x0 = saturateToInt32(L.x), x1 = saturateToInt32(R.x);
    const double frac = L.x - x0;
    int64_t U = toFixed16(L.u + (0.5 - frac) * du), V = toFixed16(L.v + (0.5 - frac) * dv);
    const int64_t DU = toFixed16(du), DV = toFixed16(dv);
    if (params.bilinear) U -= 32768, V -= 32768;
    for (int32_t x = x0; x < x1; ++x, U += DU, V += DV) {
      const Color32 c = sampleAt(src, U, V, params);
      // A zero weight leaves an opaque pixel as it is (paintPixel's blend would still darken it).
      if (alphaOf(*dst.pixelAddress(x, r)) == 255 && alphaOf(c) * params.opacity / 255 == 0) continue;
      dst.paintPixel(x, r, c, params.opacity);
    }
  }
}

template <int Bpp>
void drawTransformed(Image32& dst, double centreX, double centreY, double angle, double scaleX, double scaleY,
                     const TiledImage<Bpp>& src, int32_t srcX, int32_t srcY, int32_t srcWidth, int32_t srcHeight,
                     const QuadParams& params) {
  const double w = srcWidth, h = srcHeight;
  const CurvePoint corners[4] = {{-w / 2, -h / 2}, {w / 2, -h / 2}, {w / 2, h / 2}, {-w / 2, h / 2}};
  const CurvePoint sources[4] = {{double(srcX), double(srcY)},
                                 {srcX + w, double(srcY)},
                                 {srcX + w, srcY + h},
                                 {double(srcX), srcY + h}};
  MappedQuad quad;
  for (int i = 0; i < 4; ++i) {
    CurvePoint p = rotate({corners[i].x * scaleX, corners[i].y * scaleY}, angle);
    quad.addVertex(p.x + centreX, p.y + centreY, sources[i].x, sources[i].y);
  }
  mapQuad(dst, src, quad, params);
}

template <int Bpp>
void drawTransformed(Image32& dst, double centreX, double centreY, double angle, double scaleX, double scaleY,
                     const TiledImage<Bpp>& src, const QuadParams& params) {
  drawTransformed(dst, centreX, centreY, angle, scaleX, scaleY, src, 0, 0, int32_t(std::min<uint32_t>(src.width(), INT32_MAX)),
                  int32_t(std::min<uint32_t>(src.height(), INT32_MAX)), params);
}

#define KANVO_AFFINE_QUAD_DEPTH(B)                                                                               \
  template void mapQuad<B>(Image32&, const TiledImage<B>&, const MappedQuad&, const QuadParams&);             \
  template void drawTransformed<B>(Image32&, double, double, double, double, double, const TiledImage<B>&,      \
                                   int32_t, int32_t, int32_t, int32_t, const QuadParams&);                     \
  template void drawTransformed<B>(Image32&, double, double, double, double, double, const TiledImage<B>&,      \
                                   const QuadParams&);
KANVO_AFFINE_QUAD_DEPTH(32)
KANVO_AFFINE_QUAD_DEPTH(8)
KANVO_AFFINE_QUAD_DEPTH(1)
#undef KANVO_AFFINE_QUAD_DEPTH

}  // namespace kanvo
