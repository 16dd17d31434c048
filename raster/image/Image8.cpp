#include "raster/image/Image8.h"

#include <cstring>

#include "raster/pixel/PixelOps.h"

namespace kanvo {

Image8::Image8() { resize(1, 1); }

Image8::Image8(int32_t width, int32_t height) { resize(width, height); }

Image8::~Image8() { release(); }

Image8& Image8::operator=(Image8&& other) noexcept {
  if (&other != this) {
    release();
    takeFrom(other);
  }
  return *this;
}

void Image8::release() { freeData(kAlignment); }

bool Image8::resize(int32_t width, int32_t height) {
  if (holdsSize(width, height)) return true;
  release();
  return allocateFor(width, height, kBytesPerPixel, kAlignment);
}

void Image8::blendPixel(int32_t x, int32_t y, uint8_t value, int alpha) {
  uint8_t* p = pixelAddress(x, y);
  if (!p) return;
  if (alpha > 254)
    *p = value;
  else
    *p = uint8_t(((255 - alpha) * *p + value * alpha) / 255);
}

void Image8::mixPixel(int32_t x, int32_t y, uint8_t value, int weight) {
  if (uint8_t* p = pixelAddress(x, y)) mix8(*p, value, weight);
}

void Image8::fill(uint8_t value) {
  if (hasPixels()) std::memset(data_, value, size_t(byteCount()));
}

bool Image8::blit(const SpanParams& params, int32_t dx, int32_t dy, const Image8& source, int32_t sx, int32_t sy,
                  int32_t w, int32_t h) {
  return blitRows(*this, params, dx, dy, source, sx, sy, w, h, blendSpan8);
}

bool Image8::copyFrom(const Image8& source, int32_t dx, int32_t dy) {
  SpanParams params;
  params.op = kOpCopy;
  params.opacity = 255;
  return blit(params, dx, dy, source, 0, 0, source.width(), source.height());
}

bool Image8::assign(const Image8& source) {
  if (&source == this) return hasPixels();
  if (!source.hasPixels()) return false;
  return resize(source.width(), source.height()) && copyFrom(source, 0, 0);
}

bool Image8::isUniform(uint8_t* first) const {
  if (!hasPixels()) return false;
  uint8_t v = data_[0];
  if (first) *first = v;
  return bytesRepeat(data_, byteCount(), 0x01010101u * v);
}

bool Image8::drawSpan(const SpanParams& params, int32_t y, double xa, double xb) {
  uint8_t* row = rowAddress(y);
  if (!row) return false;
  return antialiasedSpan8(params, row, width(), xa, xb);
}

}  // namespace kanvo
