#include "view/Rulers.h"

#include <cmath>
#include <cstdio>
#include <utility>

namespace kanvo {

namespace {

constexpr Color32 kRulerPaper = 0xFFF0F0F0u;
constexpr Color32 kInk = kOpaqueBlack;
constexpr int32_t kThickness = 20;

// 3 x 5 glyphs for "0" to "9" and "-", one row per byte, bit 2 the left column.
constexpr uint8_t kGlyphs[11][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 3, 1, 7}, {5, 5, 7, 1, 1}, {7, 4, 7, 1, 7},
    {7, 4, 7, 5, 7}, {7, 1, 1, 2, 2}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7}, {0, 0, 7, 0, 0},
};

void drawGlyph(Image32& image, char c, int32_t x, int32_t y) {
  const int g = c == '-' ? 10 : c - '0';
  if (g < 0 || g > 10) return;
  for (int32_t row = 0; row < 5; ++row)
    for (int32_t col = 0; col < 3; ++col)
      if (kGlyphs[g][row] & (4 >> col)) image.setPixel(x + col, y + row, kInk);
}

// The tick spacing in canvas pixels: the smallest 1, 2, 5 x 10^n at least minimum window
// pixels apart at unit window pixels per canvas pixel.
double tickSpacing(double unit, double minimum) {
  double step = 1.0;
  for (int i = 0; i < 40; ++i) {
    for (double m : {1.0, 2.0, 5.0})
      if (m * step * unit >= minimum) return m * step;
    step *= 10.0;
  }
  return step;
}

// Ticks and numbers along one strip. along: the strip's length; at(k, position, long) draws one
// tick; label(text, position) one number.
template <class Tick, class Label>
void drawScale(int32_t along, double zero, double unit, Tick tick, Label label) {
  const double a = std::fabs(unit);
  if (!(a > 0.0) || !std::isfinite(zero)) return;
  const double minor = tickSpacing(a, 8.0), major = tickSpacing(a, 50.0);
  // Canvas values at both ends of the strip, in ascending order.
  double v0 = (0.0 - zero) / unit, v1 = (double(along) - zero) / unit;
  if (v0 > v1) std::swap(v0, v1);
  const double first = std::ceil(v0 / minor), last = std::floor(v1 / minor);
  if (last - first > 1e5) return;
  for (double k = first; k <= last; k += 1.0) {
    const double value = k * minor;
    const int32_t pos = int32_t(std::lround(zero + value * unit));
    const bool isMajor = std::fabs(std::remainder(value, major)) < minor * 0.5;
    tick(pos, isMajor);
    if (isMajor) {
      char text[24];
      std::snprintf(text, sizeof text, "%d", int(value));
      label(text, pos);
    }
  }
}

}  // namespace

void drawRulers(Image32& top, Image32& left, const RulerScale& scale) {
  top.fill(kRulerPaper);
  left.fill(kRulerPaper);
  top.fillRect(0, kThickness - 1, top.width(), 1, kInk);
  left.fillRect(kThickness - 1, 0, 1, left.height(), kInk);
  drawScale(
      top.width(), scale.zeroX, scale.unitX,
      [&](int32_t x, bool major) { top.fillRect(x, major ? 8 : 14, 1, major ? 11 : 5, kInk); },
      [&](const char* text, int32_t x) {
        for (int32_t i = 0; text[i] != 0; ++i) drawGlyph(top, text[i], x + 2 + 4 * i, 2);
      });
  drawScale(
      left.height(), scale.zeroY, scale.unitY,
      [&](int32_t y, bool major) { left.fillRect(major ? 8 : 14, y, major ? 11 : 5, 1, kInk); },
      [&](const char* text, int32_t y) {
        for (int32_t i = 0; text[i] != 0; ++i) drawGlyph(left, text[i], 2, y + 2 + 6 * i);
      });
  left.fillRect(0, 0, 19, 19, kOpaqueWhite, 255, kOpCopy);
  for (int32_t i = 0; i < 18; ++i) {  // the outline, each pixel once
    left.blendPixelRgb(i, 0, kInk, 127);
    left.blendPixelRgb(i, 17, kInk, 127);
    if (i > 0 && i < 17) {
      left.blendPixelRgb(0, i, kInk, 127);
      left.blendPixelRgb(17, i, kInk, 127);
    }
  }
}

void copyRulers(Image32& picture, const Image32& top, const Image32& left) {
  picture.copyFrom(top, 0, 0);
  picture.copyFrom(left, 0, 0);
}

}  // namespace kanvo
