#pragma once
// The ruler strips along the top and the left of the picture. Each shows canvas pixels along
// its window axis: a window column X reads (X - zeroX) / unitX, a row Y reads (Y - zeroY) / unitY,
// where (zeroX, zeroY) is the window position of canvas point (0, 0) and unitX, unitY are the
// window pixels per canvas pixel along the axes (negative where the picture is mirrored).
// Ticks every 1, 2 or 5 x 10^n canvas pixels (at least 8 window pixels apart), the longer ones
// numbered ("%d", a small built-in digit font) at least 50 window pixels apart.
#include <cstdint>

#include "raster/image/Image32.h"

namespace kanvo {

struct RulerScale {
  double zeroX = 0.0, zeroY = 0.0;
  double unitX = 1.0, unitY = 1.0;
};

// Draws both strips (top: its width x 20, left: 20 x its height) and the corner box of the left
// strip: its 19 x 19 top-left square white, the 18 x 18 square outlined in black at opacity 127.
void drawRulers(Image32& top, Image32& left, const RulerScale& scale);
// Copies the top strip, then the left one, to the picture's top-left corner.
void copyRulers(Image32& picture, const Image32& top, const Image32& left);

}  // namespace kanvo
