#pragma once
// Per-pixel blend primitives and measures. d is the destination (modified in place), s the
// source, w a weight 0..255. Colour bytes (0 blue, 1 green, 2 red) are treated alike; alpha is
// byte 3 and straight. "/ 255" is signed division truncating towards zero; ">> 8" is the shift
// form. The order of every multiply and divide is part of the result: do not merge steps.
#include <cstdint>
#include <cstdlib>

#include "raster/pixel/Color32.h"

namespace kanvo {

namespace pixel_detail {

// Applies f(destinationByte, sourceByte) to the three colour bytes; alpha comes from d.
template <class F>
inline Color32 mapRgb(Color32 d, Color32 s, F f) {
  uint32_t out = d & 0xFF000000u;
  for (int i = 0; i < 3; ++i) {
    int dc = int((d >> (8 * i)) & 0xFF), sc = int((s >> (8 * i)) & 0xFF);
    out |= uint32_t(f(dc, sc) & 0xFF) << (8 * i);
  }
  return out;
}

inline bool rgbIsWhite(Color32 s) { return (s & 0x00FFFFFFu) == 0x00FFFFFFu; }
inline int min255(int v) { return v > 255 ? 255 : v; }

}  // namespace pixel_detail

// d.c = (d.c * (255 - w) + s.c * (w + 1)) >> 8; alpha unchanged.
inline void blendRgb(Color32& d, Color32 s, int w) {
  d = pixel_detail::mapRgb(d, s, [w](int dc, int sc) { return (dc * (255 - w) + sc * (w + 1)) >> 8; });
}

// d.c = min(d.c + s.c * w / 255, 255).
inline void addRgb(Color32& d, Color32 s, int w) {
  d = pixel_detail::mapRgb(d, s, [w](int dc, int sc) { return pixel_detail::min255(dc + sc * w / 255); });
}

// Multiply towards s; a white source changes nothing.
inline void multiplyRgb(Color32& d, Color32 s, int w) {
  if (pixel_detail::rgbIsWhite(s)) return;
  if (w == 255) {
    d = pixel_detail::mapRgb(d, s, [](int dc, int sc) { return dc * sc / 255; });
  } else {
    d = pixel_detail::mapRgb(d, s, [w](int dc, int sc) { return ((sc - 255) * w / 255 + 255) * dc / 255; });
  }
}

// k = s.a * w / 255; d.c = (d.c * (255 - k) + s.c * (k + 1)) >> 8.
inline void blendRgbByAlpha(Color32& d, Color32 s, int w) {
  int k = alphaOf(s) * w / 255;
  d = pixel_detail::mapRgb(d, s, [k](int dc, int sc) { return (dc * (255 - k) + sc * (k + 1)) >> 8; });
}

// k = s.a * w / 255; k = 0 changes nothing; d.c = min(d.c + s.c * k / 255, 255).
inline void addRgbByAlpha(Color32& d, Color32 s, int w) {
  int k = alphaOf(s) * w / 255;
  if (k == 0) return;
  d = pixel_detail::mapRgb(d, s, [k](int dc, int sc) { return pixel_detail::min255(dc + sc * k / 255); });
}

// k = s.a * w / 255; d.c = ((s.c - 255) * k / 255 + 255) * d.c / 255; white s or k = 0: no change.
inline void multiplyRgbByAlpha(Color32& d, Color32 s, int w) {
  int k = alphaOf(s) * w / 255;
  if (pixel_detail::rgbIsWhite(s) || k == 0) return;
  d = pixel_detail::mapRgb(d, s, [k](int dc, int sc) { return ((sc - 255) * k / 255 + 255) * dc / 255; });
}

// Straight-alpha compositing of s at weight w over d; the one primitive that computes alpha.
inline void over(Color32& d, Color32 s, int w) {
  int sa = alphaOf(s) * w;
  int k = sa / 255;
  int da = alphaOf(d);
  int D = sa - k * da + da * 255;
  if (D == 0) return;
  int e = ((65025 - sa) / 255) * da;
  uint32_t out = uint32_t(D / 255) << 24;
  for (int i = 0; i < 3; ++i) {
    int dc = byteOf(d, i), sc = byteOf(s, i);
    out |= uint32_t(((dc * e + sc * sa) / D) & 0xFF) << (8 * i);
  }
  d = out;
}

// w = 0 no change; w = 255 copies s's colour bytes (alpha kept); else (d.c(255-w) + s.c w) / 255.
inline void lerpRgb(Color32& d, Color32 s, int w) {
  if (w == 0) return;
  if (w == 255) {
    d = (d & 0xFF000000u) | (s & 0x00FFFFFFu);
    return;
  }
  d = pixel_detail::mapRgb(d, s, [w](int dc, int sc) { return (dc * (255 - w) + sc * w) / 255; });
}

// Blend by source alpha with the shift form: k = ((w + 1) * s.a) >> 8.
inline void blendRgbAlpha256(Color32& d, Color32 s, int w) {
  int sa = alphaOf(s);
  if (w == 0 || sa == 0) return;
  if (sa == 255 && w == 255) {
    d = (d & 0xFF000000u) | (s & 0x00FFFFFFu);
    return;
  }
  int k = ((w + 1) * sa) >> 8;
  d = pixel_detail::mapRgb(d, s, [k](int dc, int sc) { return (dc * (255 - k) + sc * (k + 1)) >> 8; });
}

// Byte form of lerpRgb.
inline void mix8(uint8_t& d, int s, int w) {
  if (w == 0) return;
  if (w == 255) {
    d = uint8_t(s);
    return;
  }
  d = uint8_t(((255 - w) * d + s * w) / 255);
}
inline void add8(uint8_t& d, int s, int w) { d = uint8_t(pixel_detail::min255(d + s * w / 255)); }
inline void subtract8(uint8_t& d, int s, int w) {
  int v = d - s * w / 255;
  d = uint8_t(v < 0 ? 0 : v);
}

// d flattened onto opaque white: each colour byte (255 (255 - d.a) + d.c (d.a + 1)) >> 8, alpha 255.
inline Color32 flattenOntoWhite(Color32 d) {
  Color32 white = kOpaqueWhite;
  blendRgbByAlpha(white, d, 255);
  return white;
}

// Alpha-weighted mean of four pixels; all transparent gives 0.
inline Color32 meanRgba2x2(Color32 p, Color32 right, Color32 below, Color32 belowRight) {
  const Color32 q[4] = {p, right, below, belowRight};
  int A = 0;
  for (Color32 c : q) A += alphaOf(c);
  if (A == 0) return 0;
  uint32_t out = uint32_t(A >> 2) << 24;
  for (int i = 0; i < 3; ++i) {
    int sum = 0;
    for (Color32 c : q) sum += byteOf(c, i) * alphaOf(c);
    out |= uint32_t(sum / A) << (8 * i);
  }
  return out;
}

// (red 19595 + green 38469 + blue 7471) / 65535, at most 255.
inline int luminance(Color32 c) {
  int v = (redOf(c) * 19595 + greenOf(c) * 38469 + blueOf(c) * 7471) / 65535;
  return v > 255 ? 255 : v;
}
inline int greyMean(Color32 c) { return (blueOf(c) + greenOf(c) + redOf(c)) / 3; }
inline int colourDistanceSquared(Color32 a, Color32 b) {
  int sum = 0;
  for (int i = 0; i < 3; ++i) {
    int t = byteOf(a, i) - byteOf(b, i);
    sum += t * t;
  }
  return sum;
}
// Sum of the absolute differences of all four bytes >> 2; a non-zero sum never gives 0.
inline int colourDifference(Color32 a, Color32 b) {
  int sum = 0;
  for (int i = 0; i < 4; ++i) sum += std::abs(byteOf(a, i) - byteOf(b, i));
  int v = sum >> 2;
  return (sum != 0 && v == 0) ? 1 : v;
}
inline int byteDifference(uint8_t a, uint8_t b) { return std::abs(int(a) - int(b)); }
inline int bitDifference(uint8_t a, uint8_t b) { return ((a ^ b) & 1) ? 255 : 0; }

}  // namespace kanvo
