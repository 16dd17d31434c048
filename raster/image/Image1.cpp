#include "raster/image/Image1.h"

#include <bit>
#include <cstring>

namespace kanvo {

namespace {

// The valid bits of a row's last byte; 0 when the row ends on a byte boundary.
uint8_t lastByteMask(int32_t width) { return uint8_t((1u << (width & 7)) - 1); }

}  // namespace

Image1::Image1() { resize(1, 1); }

Image1::Image1(int32_t width, int32_t height) { resize(width, height); }

Image1::~Image1() { release(); }

Image1& Image1::operator=(Image1&& other) noexcept {
  if (&other != this) {
    release();
    takeFrom(other);
  }
  return *this;
}

void Image1::release() { freeData(kAlignment); }

bool Image1::resize(int32_t width, int32_t height) {
  if (holdsSize(width, height)) return true;
  release();
  return allocateFor(width, height, kBytesPerPixel, kAlignment);
}

void Image1::fill(int bit) {
  if (hasPixels()) std::memset(data_, bit ? 0xFF : 0x00, size_t(byteCount()));
}

bool Image1::fillRect(int32_t x, int32_t y, int32_t w, int32_t h, int bit) {
  Rect r(x, y, w, h);
  if (!clipToSize(r, width(), height())) return false;
  SpanParams params;
  params.op = kOpCopy;
  params.key = bit ? 1 : 0;
  for (int32_t i = 0; i < r.height; ++i) fillSpan1(params, rowAddress(r.y + i), r.x, r.width);
  return true;
}

bool Image1::blit(const SpanParams& params, int32_t dx, int32_t dy, const Image1& source, int32_t sx, int32_t sy,
                  int32_t w, int32_t h) {
  return blitRows(*this, params, dx, dy, source, sx, sy, w, h, blitSpan1);
}

bool Image1::copyFrom(const Image1& source, int32_t dx, int32_t dy) {
  SpanParams params;
  params.op = kOpCopy;
  return blit(params, dx, dy, source, 0, 0, source.width(), source.height());
}

bool Image1::assign(const Image1& source) {
  if (&source == this) return hasPixels();
  if (!source.hasPixels()) return false;
  return resize(source.width(), source.height()) && copyFrom(source, 0, 0);
}

bool Image1::equals(const Image1& other) const {
  if (width() != other.width() || height() != other.height()) return false;
  if (!hasPixels() || !other.hasPixels()) return hasPixels() == other.hasPixels();
  const uint8_t mask = lastByteMask(width());
  if (mask == 0) return std::memcmp(data_, other.data_, size_t(byteCount())) == 0;
  const size_t whole = size_t(width() >> 3);
  for (int32_t y = 0; y < height(); ++y) {
    const uint8_t* a = rowAddress(y);
    const uint8_t* b = other.rowAddress(y);
    if (std::memcmp(a, b, whole) != 0 || ((a[whole] ^ b[whole]) & mask) != 0) return false;
  }
  return true;
}

bool Image1::allPixelsAre(int bit) const {
  const uint8_t full = bit ? 0xFF : 0x00;
  const uint8_t mask = lastByteMask(width());
  if (mask == 0) return bytesRepeat(data_, byteCount(), full ? 0xFFFFFFFFu : 0u);
  const size_t whole = size_t(width() >> 3);
  for (int32_t y = 0; y < height(); ++y) {
    const uint8_t* row = rowAddress(y);
    for (size_t i = 0; i < whole; ++i)
      if (row[i] != full) return false;
    if (((row[whole] ^ full) & mask) != 0) return false;
  }
  return true;
}

bool Image1::isUniform(int* first) const {
  if (!hasPixels()) return false;
  int bit = data_[0] & 1;
  if (first) *first = bit;
  return allPixelsAre(bit);
}

int Image1::coverage2x2(int32_t x, int32_t y) const {
  int count;
  if (inside(x, y) && (x & 1) == 0 && x < width() - 1 && y < height() - 1) {
    const uint8_t* p = byteAddress(x, y);
    int shift = x & 7;
    count = std::popcount(unsigned((p[0] >> shift) & 3)) + std::popcount(unsigned((p[stride()] >> shift) & 3));
  } else {
    auto at = [this](int64_t px, int64_t py) -> int {
      return px >= 0 && py >= 0 && px < width() && py < height() ? getPixel(int32_t(px), int32_t(py)) : 0;
    };
    count = at(x, y) + at(int64_t(x) + 1, y) + at(x, int64_t(y) + 1) + at(int64_t(x) + 1, int64_t(y) + 1);
  }
  int coverage = count * 64;
  return coverage > 255 ? 255 : coverage;
}

}  // namespace kanvo
