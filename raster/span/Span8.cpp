// The spans with an 8-bit destination: blend, masked and fill.
#include "raster/pixel/PixelOps.h"
#include "raster/span/SpanAccess.h"
#include "raster/span/SpanOps.h"

namespace kanvo {

using namespace span_detail;

namespace {

// d moved towards v by k / 255 with division by 255.
inline uint8_t mixTowards(int d, int v, int k) { return uint8_t(((255 - k) * d + v * k) / 255); }

struct Mask8 {
  const uint8_t* s;
  const uint8_t* m;
  int operator()(int32_t i) const { return s[i] | m[i] << 8; }
};

}  // namespace

void blendSpan8(const SpanParams& p, const uint8_t* src, int32_t srcX, uint8_t* dst, int32_t dstX,
                int32_t count) {
  if (src == nullptr || srcX < 0 || !spanArgsOk(dst, dstX, count)) return;
  Source8 s{src + srcX};
  uint8_t* d = dst + dstX;
  const int w = p.opacity;
  switch (p.op) {
    case kOpCopy:
      forEachByte(d, count, s, [](uint8_t& dv, int sv) { dv = uint8_t(sv); });
      break;
    case kOpAnd:
      forEachByte(d, count, s, [](uint8_t& dv, int sv) { dv = uint8_t(dv & sv); });
      break;
    case kOpOr:
      forEachByte(d, count, s, [](uint8_t& dv, int sv) { dv = uint8_t(dv | sv); });
      break;
    case kOpBlend:
      forEachByte(d, count, s, [w](uint8_t& dv, int sv) { mix8(dv, sv, w); });
      break;
    case kOpBlendKeyed: {
      const int key = int(p.key & 0xFF);
      forEachByte(d, count, s, [w, key](uint8_t& dv, int sv) {
        if (sv != key) mix8(dv, sv, w);
      });
      break;
    }
    case kOpAdd:
      forEachByte(d, count, s, [w](uint8_t& dv, int sv) { add8(dv, sv, w); });
      break;
    case kOpSubtract:
      forEachByte(d, count, s, [w](uint8_t& dv, int sv) { subtract8(dv, sv, w); });
      break;
    case kOpAddWrap:
      forEachByte(d, count, s, [w](uint8_t& dv, int sv) { dv = uint8_t((dv + sv * w / 255) & 0xFF); });
      break;
    case kOpSubtractInverse:
      forEachByte(d, count, s, [w](uint8_t& dv, int sv) { subtract8(dv, 255 - sv, w); });
      break;
    case kOpPaintValue: {
      const int v = int(p.paint & 0xFF);
      forEachByte(d, count, s, [w, v](uint8_t& dv, int sv) {
        if (sv == 0) return;
        if (sv == 255 && w == 255)
          dv = uint8_t(v);
        else
          dv = mixTowards(dv, v, sv * w / 255);
      });
      break;
    }
    default:
      break;
  }
}

void maskedSpan8(const SpanParams& p, const uint8_t* src, int32_t srcX, const uint8_t* mask, int32_t maskX,
                 uint8_t* dst, int32_t dstX, int32_t count) {
  if (src == nullptr || mask == nullptr || srcX < 0 || maskX < 0 || !spanArgsOk(dst, dstX, count)) return;
  Mask8 pair{src + srcX, mask + maskX};
  uint8_t* d = dst + dstX;
  const int w = p.opacity;
  switch (p.op) {
    case kOpCopy:
    case kOpBlend:
    case kOpOver:
      forEachByte(d, count, pair, [w](uint8_t& dv, int sm) { mix8(dv, sm & 0xFF, (sm >> 8) * w / 255); });
      break;
    case kOpPaintValue: {
      if (w == 0) return;
      const int v = int(p.paint & 0xFF);
      forEachByte(d, count, pair, [w, v](uint8_t& dv, int sm) {
        int sv = sm & 0xFF, mv = sm >> 8;
        if (sv == 0 || mv == 0) return;
        int k = sv;
        if (w < 255) k = k * w / 255;
        if (mv < 255) k = k * mv / 255;
        if (sv == 255 && k == 255)
          dv = uint8_t(v);
        else
          dv = mixTowards(dv, v, k);
      });
      break;
    }
    default:
      break;
  }
}

void fillSpan8(const SpanParams& p, uint8_t* dst, int32_t dstX, int32_t count) {
  if (!spanArgsOk(dst, dstX, count)) return;
  uint8_t* d = dst + dstX;
  const int v = int(p.key & 0xFF);
  const int w = p.opacity;
  struct Constant {
    int v;
    int operator()(int32_t) const { return v; }
  } src{v};
  switch (p.op) {
    case kOpCopy:
      forEachByte(d, count, src, [](uint8_t& dv, int sv) { dv = uint8_t(sv); });
      break;
    case kOpAnd:
    case kOpOr:
    case kOpOverFill:
      forEachByte(d, count, src, [w](uint8_t& dv, int sv) { dv = uint8_t((sv * w + dv * (255 - w)) / 255); });
      break;
    case kOpSubtract:  // lighten
      forEachByte(d, count, src, [w](uint8_t& dv, int sv) {
        if (sv > dv) dv = mixTowards(dv, sv, w);
      });
      break;
    default:
      break;
  }
}

}  // namespace kanvo
