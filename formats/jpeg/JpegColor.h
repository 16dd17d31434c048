#pragma once
// Colour conversion of the baseline codec, in fixed point.
//
// Decoding (JFIF): with Y, Cb, Cr centred samples, R = Y + 1.402 Cr, G = Y - 0.344136 Cb -
// 0.714136 Cr, B = Y + 1.772 Cb with the coefficients scaled by 4096 (5742, 1409, 2924, 7257):
// each sum (4096 Y + ...) is divided by 4096 truncating toward zero, then 128 is added and the
// result clamped to 0..255. Pictures stored as RGB or grey take each centred sample plus 128,
// clamped. Centred samples must lie within +-2^17 (the decoder's coefficient limit keeps them
// there) so that the sums stay within 32 bits.
//
// Encoding: with r, g, b each minus 128, Y = (1224 r + 2404 g + 466 b) >> 12,
// Cb = (2048 b - 1356 g - 691 r) >> 12, Cr = (2048 r - 1714 g - 333 b) >> 12 (arithmetic shifts).
#include <cstdint>

#include "raster/pixel/Color32.h"

namespace kanvo::jpeg {

// One pixel of the decoder's conversion; the plain formula.
struct Rgb8 {
  uint8_t r, g, b;
};
Rgb8 yccToRgbPlain(int32_t y, int32_t cb, int32_t cr);

// n pixels from three sample rows, written as opaque Color32 or as packed RGB bytes.
void yccToColor32(const int32_t* y, const int32_t* cb, const int32_t* cr, int n, Color32* out);
void yccToRgb(const int32_t* y, const int32_t* cb, const int32_t* cr, int n, uint8_t* out);
void rgbToColor32(const int32_t* r, const int32_t* g, const int32_t* b, int n, Color32* out);
void rgbToRgb(const int32_t* r, const int32_t* g, const int32_t* b, int n, uint8_t* out);
void grayToColor32(const int32_t* y, int n, Color32* out);
void grayToRgb(const int32_t* y, int n, uint8_t* out);

// The encoder's conversion of n pixels of packed RGB or Color32 (alpha ignored).
void rgbRowToYcc(const uint8_t* rgb, int n, int32_t* y, int32_t* cb, int32_t* cr);
void color32RowToYcc(const Color32* pixels, int n, int32_t* y, int32_t* cb, int32_t* cr);

// The encoder's conversion of one pixel (r, g, b 0..255) into centred Y, Cb, Cr.
inline void rgbToYcc(int r, int g, int b, int32_t& y, int32_t& cb, int32_t& cr) {
  r -= 128;
  g -= 128;
  b -= 128;
  y = (1224 * r + 2404 * g + 466 * b) >> 12;
  cb = (2048 * b - 1356 * g - 691 * r) >> 12;
  cr = (2048 * r - 1714 * g - 333 * b) >> 12;
}

}  // namespace kanvo::jpeg
