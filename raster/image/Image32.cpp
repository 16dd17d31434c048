#include "raster/image/Image32.h"

#include <algorithm>

#include "raster/pixel/PixelOps.h"

namespace kanvo {

Image32::Image32() { resizeBuffer(1, 1); }

Image32::Image32(int32_t width, int32_t height) { resizeBuffer(width, height); }

Image32::~Image32() { Image32::releasePixels(); }

void Image32::releasePixels() { freeData(kAlignment); }

bool Image32::resizeBuffer(int32_t width, int32_t height) {
  if (holdsSize(width, height)) return true;
  releasePixels();
  return allocateFor(width, height, kBytesPerPixel, kAlignment);
}

void Image32::blendPixelRgb(int32_t x, int32_t y, Color32 colour, int opacity) {
  if (Color32* p = pixelAddress(x, y)) blendRgb(*p, colour, opacity);
}

void Image32::blendPixelRgbIfOpaque(int32_t x, int32_t y, Color32 colour, int opacity) {
  Color32* p = pixelAddress(x, y);
  if (p && alphaOf(*p) != 0) blendRgb(*p, colour, opacity);
}

void Image32::lerpPixelRgb(int32_t x, int32_t y, Color32 colour, int opacity) {
  if (Color32* p = pixelAddress(x, y)) lerpRgb(*p, colour, opacity);
}

void Image32::blendPixelByColourAlpha(int32_t x, int32_t y, Color32 colour, int opacity) {
  if (Color32* p = pixelAddress(x, y)) blendRgbByAlpha(*p, colour, opacity);
}

void Image32::paintPixel(int32_t x, int32_t y, Color32 colour, int opacity) {
  Color32* p = pixelAddress(x, y);
  if (!p) return;
  int pixelAlpha = alphaOf(*p);
  if (pixelAlpha == 0) {
    Color32 c = colour;
    if (opacity != 255) c = (c & 0x00FFFFFFu) | uint32_t((alphaOf(colour) * (opacity + 1)) >> 8) << 24;
    *p = c;
  } else if (alphaOf(colour) == 255 && opacity == 255) {
    *p = colour;
  } else if (pixelAlpha == 255) {
    blendRgbByAlpha(*p, colour, opacity);
  } else {
    over(*p, colour, opacity);
  }
}

void Image32::fill(Color32 colour) {
  for (int32_t y = 0; y < height(); ++y) {
    Color32* row = pixelAddress(0, y);
    std::fill(row, row + width(), colour);
  }
}

bool Image32::fillRect(int32_t x, int32_t y, int32_t w, int32_t h, Color32 colour, int opacity, int32_t mode) {
  Rect r(x, y, w, h);
  if (!clipToSize(r, width(), height())) return false;
  SpanParams params;
  params.op = mode;
  params.opacity = uint8_t(opacity);
  params.key = colour;
  for (int32_t i = 0; i < r.height; ++i) fillSpan32(params, rowAddress(r.y + i), r.x, r.width);
  return true;
}

namespace {

// v mod n made non-negative, for any sign of v (64-bit, so v may be a difference of two
// 32-bit coordinates).
int64_t positiveMod(int64_t v, int64_t n) {
  int64_t m = v % n;
  return m < 0 ? m + n : m;
}

}  // namespace

bool Image32::fillCheckerboard(int32_t x, int32_t y, int32_t w, int32_t h, Color32 colourA, Color32 colourB,
                               int32_t cellSize, int32_t offsetX, int32_t offsetY) {
  if (cellSize < 1) return false;
  Rect r(x, y, w, h);
  if (!clipToSize(r, width(), height())) return false;
  const int64_t half = cellSize / 2;
  const int64_t startA = positiveMod(int64_t(r.x) - offsetX, cellSize);
  for (int32_t row = r.y; row < r.bottom(); ++row) {
    bool b = positiveMod(int64_t(row) - offsetY, cellSize) < half;
    Color32* p = pixelAddress(r.x, row);
    int64_t a = startA;
    for (int32_t i = 0; i < r.width; ++i) {
      p[i] = ((a < half) != b) ? colourB : colourA;
      if (++a == cellSize) a = 0;
    }
  }
  return true;
}

bool Image32::fillCheckerboard(Color32 colourA, Color32 colourB, int32_t cellSize, int32_t offsetX,
                               int32_t offsetY) {
  return fillCheckerboard(0, 0, width(), height(), colourA, colourB, cellSize, offsetX, offsetY);
}

void Image32::fillVerticalGradient(Color32 colourTop, Color32 colourBottom) {
  for (int32_t y = 0; y < height(); ++y) {
    Color32 c = colourTop;
    lerpRgb(c, colourBottom, int(int64_t(y) * 255 / height()));
    Color32* row = pixelAddress(0, y);
    std::fill(row, row + width(), c);
  }
}

bool Image32::bitwise(int32_t x, int32_t y, int32_t w, int32_t h, int32_t mode, Color32 value) {
  if (mode < kBitwiseAnd || mode > kBitwiseAlphaFromLuminance) return false;
  Rect r(x, y, w, h);
  if (!clipToSize(r, width(), height())) return false;
  for (int32_t row = r.y; row < r.bottom(); ++row) {
    Color32* p = pixelAddress(r.x, row);
    Color32* end = p + r.width;
    switch (mode) {
      case kBitwiseAnd:
        for (; p != end; ++p) *p &= value;
        break;
      case kBitwiseOr:
        for (; p != end; ++p) *p |= value;
        break;
      case kBitwiseXor:
        for (; p != end; ++p) *p ^= value;
        break;
      case kBitwiseNot:
        for (; p != end; ++p) *p = ~*p;
        break;
      case kBitwiseFlatten:
        for (; p != end; ++p) {
          Color32 out = value;
          blendRgbAlpha256(out, *p, 255);
          *p = out;
        }
        break;
      case kBitwiseAlphaFromLuminance:
        for (; p != end; ++p) {
          uint32_t alpha = uint32_t(((255 - luminance(*p)) * (alphaOf(*p) + 1)) >> 8);
          *p = (value & 0x00FFFFFFu) | alpha << 24;
        }
        break;
    }
  }
  return true;
}

bool Image32::bitwise(int32_t mode, Color32 value) { return bitwise(0, 0, width(), height(), mode, value); }

bool Image32::blit(const SpanParams& params, int32_t dx, int32_t dy, const Image32& source, int32_t sx,
                   int32_t sy, int32_t w, int32_t h) {
  return blitRows(*this, params, dx, dy, source, sx, sy, w, h, blendSpan32);
}

bool Image32::copyFrom(const Image32& source, int32_t dx, int32_t dy) {
  SpanParams params;
  params.op = kOpCopy;
  params.opacity = 255;
  return blit(params, dx, dy, source, 0, 0, source.width(), source.height());
}

bool Image32::assign(const Image32& source) {
  if (&source == this) return hasPixels();
  if (!source.hasPixels()) return false;
  return resizeBuffer(source.width(), source.height()) && copyFrom(source, 0, 0);
}

Color32 Image32::downsample2x2(int32_t x, int32_t y) const {
  if (inside(x, y) && x < width() - 1 && y < height() - 1) {
    const Color32* p = pixelAddress(x, y);
    const Color32* below = pixelAddress(x, y + 1);
    return meanRgba2x2(p[0], p[1], below[0], below[1]);
  }
  auto at = [this](int64_t px, int64_t py) -> Color32 {
    return px >= 0 && py >= 0 && px < width() && py < height() ? getPixel(int32_t(px), int32_t(py)) : 0;
  };
  return meanRgba2x2(at(x, y), at(int64_t(x) + 1, y), at(x, int64_t(y) + 1), at(int64_t(x) + 1, int64_t(y) + 1));
}

bool Image32::isUniform(Color32* first) const {
  if (!hasPixels()) return false;
  Color32 c = *pixelAddress(0, 0);
  if (first) *first = c;
  return bytesRepeat(bits(), byteCount(), c);
}

bool Image32::drawSpan(const SpanParams& params, int32_t y, double xa, double xb) {
  uint8_t* row = rowAddress(y);
  if (!row) return false;
  return antialiasedSpan32(params, row, width(), xa, xb);
}

}  // namespace kanvo
