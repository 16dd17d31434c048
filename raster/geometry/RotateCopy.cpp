#include "raster/geometry/RotateCopy.h"

#include "raster/geometry/CurveGeometry.h"
#include "raster/pixel/FixedPoint.h"
#include "raster/image/Rect.h"

namespace kanvo {

namespace {

// One destination row: count pixels from out, source position (U, V) advancing by (DX, DY).
// Positions are 64-bit so that no coordinate can overflow; in range they equal the 16.16 values.
void nearestRow(Color32* out, int32_t count, const Image32& src, int64_t U, int64_t V, int64_t DX, int64_t DY) {
  const uint64_t sw = uint64_t(src.width()), sh = uint64_t(src.height());
  for (int32_t i = 0; i < count; ++i, U += DX, V += DY) {
    uint64_t su = uint64_t(U >> 16), sv = uint64_t(V >> 16);
    if (su < sw && sv < sh) out[i] = src.pixelAddress(0, int32_t(sv))[su];
  }
}

void bilinearRow(Color32* out, int32_t count, const Image32& src, int64_t U, int64_t V, int64_t DX, int64_t DY) {
  const uint64_t sw1 = uint64_t(src.width()) - 1, sh1 = uint64_t(src.height()) - 1;
  const size_t stride = size_t(src.stride()) / sizeof(Color32);
  for (int32_t i = 0; i < count; ++i, U += DX, V += DY) {
    uint64_t su = uint64_t(U >> 16), sv = uint64_t(V >> 16);
    if (!(su < sw1 && sv < sh1)) continue;
    const Color32* p = src.pixelAddress(int32_t(su), int32_t(sv));
    out[i] = rotate_detail::bilinearOpaque(p[0], p[1], p[stride], p[stride + 1], int((U >> 8) & 255),
                                           int((V >> 8) & 255));
  }
}

}  // namespace

bool rotateCopy(Image32& dst, const Image32& src, double angle, double step, bool bilinear,
                const RotateFactors* factors, int32_t x, int32_t y, int32_t width, int32_t height, double centreX,
                double centreY) {
  Rect r(x, y, width, height);
  if (!dst.hasPixels() || !clipToSizeNormalised(r, dst.width(), dst.height())) return false;
  if (!src.hasPixels()) return true;

  CurvePoint inc{step, 0.0};
  if (factors) inc = {step * factors->fx, 0.0 * factors->fy};
  inc = rotate(inc, angle);
  const int64_t DX = saturateToInt32(inc.x * 65536), DY = saturateToInt32(inc.y * 65536);
  const int32_t halfW = dst.width() / 2, halfH = dst.height() / 2;

  for (int32_t row = r.y; row < r.y + r.height; ++row) {
    CurvePoint off{double(r.x - halfW), double(row - halfH)};
    if (factors) off = {off.x * factors->fx, off.y * factors->fy};
    off = rotate(off, angle);
    const int64_t U = saturateToInt32((centreX + 0.5 + off.x) * 65536);
    const int64_t V = saturateToInt32((centreY + 0.5 + off.y) * 65536);
    Color32* out = dst.pixelAddress(r.x, row);
    if (bilinear)
      bilinearRow(out, r.width, src, U, V, DX, DY);
    else
      nearestRow(out, r.width, src, U, V, DX, DY);
  }
  return true;
}

bool rotateCopyWhole(Image32& dst, const Image32& src, double angle, double step, bool bilinear,
                     const RotateFactors* factors, double centreX, double centreY) {
  return rotateCopy(dst, src, angle, step, bilinear, factors, 0, 0, dst.width(), dst.height(), centreX, centreY);
}

}  // namespace kanvo
