#include "formats/jpeg/JpegUpsample.h"

#include <algorithm>

#include "formats/jpeg/JpegSimd.h"

namespace kanvo::jpeg {

namespace {

template <int RH, int RV>
[[gnu::always_inline]] inline void enlarge(const int32_t* block, int32_t* out, ptrdiff_t stride) {
  constexpr int TW = 8 * RH, TH = 8 * RV;
  // Horizontal pass over all eight block rows: h[r][i].
  int32_t h[8][TW];
  for (int r = 0; r < 8; ++r) {
    const int32_t* src = block + r * 8;
    for (int i = 0; i < TW; ++i) {
      int sx = i * 8 / TW, fx = i * 8 % TW;
      int x1 = std::min(sx + 1, 7);
      h[r][i] = (src[sx] * (TW - fx) + src[x1] * fx) / TW;
    }
  }
  for (int j = 0; j < TH; ++j) {
    int sy = j * 8 / TH, fy = j * 8 % TH;
    int y1 = std::min(sy + 1, 7);
    int32_t* dst = out + j * stride;
    if (fy == 0) {
      for (int i = 0; i < TW; ++i) dst[i] = h[sy][i];  // (top * TH) / TH
    } else {
      for (int i = 0; i < TW; ++i) dst[i] = (h[sy][i] * (TH - fy) + h[y1][i] * fy) / TH;
    }
  }
}

template <int RH>
[[gnu::always_inline]] inline void enlargeRows(const int32_t* block, int rv, int32_t* out, ptrdiff_t stride) {
  switch (rv) {
    case 1: enlarge<RH, 1>(block, out, stride); break;
    case 2: enlarge<RH, 2>(block, out, stride); break;
    case 3: enlarge<RH, 3>(block, out, stride); break;
    default: enlarge<RH, 4>(block, out, stride); break;
  }
}

}  // namespace

KANVO_VECTOR_CLONES void enlargeBlock(const int32_t* block, int ratioH, int ratioV, int32_t* out,
                                      ptrdiff_t stride) {
  if (ratioH == 1 && ratioV == 1) {
    for (int r = 0; r < 8; ++r)
      for (int c = 0; c < 8; ++c) out[r * stride + c] = block[r * 8 + c];
    return;
  }
  switch (ratioH) {
    case 1: enlargeRows<1>(block, ratioV, out, stride); break;
    case 2: enlargeRows<2>(block, ratioV, out, stride); break;
    case 3: enlargeRows<3>(block, ratioV, out, stride); break;
    default: enlargeRows<4>(block, ratioV, out, stride); break;
  }
}

void enlargeBlockPlain(const int32_t* block, int ratioH, int ratioV, int32_t* out, ptrdiff_t stride) {
  const int tw = 8 * ratioH, th = 8 * ratioV;
  for (int j = 0; j < th; ++j) {
    for (int i = 0; i < tw; ++i) {
      if (tw == 8 && th == 8) {
        out[j * stride + i] = block[j * 8 + i];
        continue;
      }
      int sx = i * 8 / tw, fx = i * 8 % tw;
      int sy = j * 8 / th, fy = j * 8 % th;
      int x1 = std::min(sx + 1, 7), y1 = std::min(sy + 1, 7);
      int top = (block[sy * 8 + sx] * (tw - fx) + block[sy * 8 + x1] * fx) / tw;
      int bottom = (block[y1 * 8 + sx] * (tw - fx) + block[y1 * 8 + x1] * fx) / tw;
      out[j * stride + i] = (top * (th - fy) + bottom * fy) / th;
    }
  }
}

}  // namespace kanvo::jpeg
