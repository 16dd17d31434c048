#include "formats/jpeg/JpegColor.h"

#include "formats/jpeg/JpegSimd.h"

namespace kanvo::jpeg {

namespace {

inline int32_t clamp255(int32_t v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

// One channel: (4096 * y + sum) / 4096 truncated toward zero, + 128, clamped.
inline int32_t channel(int32_t scaledSum) { return clamp255(scaledSum / 4096 + 128); }

inline uint32_t pack(int32_t r, int32_t g, int32_t b) {
  return uint32_t(b) | uint32_t(g) << 8 | uint32_t(r) << 16 | 0xFF000000u;
}

}  // namespace

Rgb8 yccToRgbPlain(int32_t y, int32_t cb, int32_t cr) {
  int32_t r = (4096 * y + 5742 * cr) / 4096 + 128;
  int32_t g = (4096 * y - 1409 * cb - 2924 * cr) / 4096 + 128;
  int32_t b = (4096 * y + 7257 * cb) / 4096 + 128;
  return {uint8_t(clamp255(r)), uint8_t(clamp255(g)), uint8_t(clamp255(b))};
}

KANVO_VECTOR_CLONES void yccToColor32(const int32_t* y, const int32_t* cb, const int32_t* cr, int n, Color32* out) {
  for (int i = 0; i < n; ++i) {
    int32_t ys = y[i] * 4096;
    int32_t r = channel(ys + 5742 * cr[i]);
    int32_t g = channel(ys - 1409 * cb[i] - 2924 * cr[i]);
    int32_t b = channel(ys + 7257 * cb[i]);
    out[i] = pack(r, g, b);
  }
}

KANVO_VECTOR_CLONES void yccToRgb(const int32_t* y, const int32_t* cb, const int32_t* cr, int n, uint8_t* out) {
  for (int i = 0; i < n; ++i) {
    int32_t ys = y[i] * 4096;
    out[3 * i] = uint8_t(channel(ys + 5742 * cr[i]));
    out[3 * i + 1] = uint8_t(channel(ys - 1409 * cb[i] - 2924 * cr[i]));
    out[3 * i + 2] = uint8_t(channel(ys + 7257 * cb[i]));
  }
}

KANVO_VECTOR_CLONES void rgbToColor32(const int32_t* r, const int32_t* g, const int32_t* b, int n, Color32* out) {
  for (int i = 0; i < n; ++i) out[i] = pack(clamp255(r[i] + 128), clamp255(g[i] + 128), clamp255(b[i] + 128));
}

KANVO_VECTOR_CLONES void rgbToRgb(const int32_t* r, const int32_t* g, const int32_t* b, int n, uint8_t* out) {
  for (int i = 0; i < n; ++i) {
    out[3 * i] = uint8_t(clamp255(r[i] + 128));
    out[3 * i + 1] = uint8_t(clamp255(g[i] + 128));
    out[3 * i + 2] = uint8_t(clamp255(b[i] + 128));
  }
}

KANVO_VECTOR_CLONES void grayToColor32(const int32_t* y, int n, Color32* out) {
  for (int i = 0; i < n; ++i) {
    int32_t v = clamp255(y[i] + 128);
    out[i] = pack(v, v, v);
  }
}

KANVO_VECTOR_CLONES void grayToRgb(const int32_t* y, int n, uint8_t* out) {
  for (int i = 0; i < n; ++i) {
    uint8_t v = uint8_t(clamp255(y[i] + 128));
    out[3 * i] = out[3 * i + 1] = out[3 * i + 2] = v;
  }
}

KANVO_VECTOR_CLONES void rgbRowToYcc(const uint8_t* rgb, int n, int32_t* y, int32_t* cb, int32_t* cr) {
  for (int i = 0; i < n; ++i) rgbToYcc(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2], y[i], cb[i], cr[i]);
}

KANVO_VECTOR_CLONES void color32RowToYcc(const Color32* pixels, int n, int32_t* y, int32_t* cb, int32_t* cr) {
  for (int i = 0; i < n; ++i) rgbToYcc(redOf(pixels[i]), greenOf(pixels[i]), blueOf(pixels[i]), y[i], cb[i], cr[i]);
}

}  // namespace kanvo::jpeg
