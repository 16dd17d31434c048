#pragma once
// The storage shared by the plain image buffers (Image32, Image8, Image1): the geometry, the
// owned pixel bytes (rows top to bottom, each directly after the previous one) and the rules
// every depth applies alike: resizing, unsigned coordinate tests, clipped blits and the
// uniformity test.
//
// A buffer without pixels (after releasePixels, or after a resize that could not get memory)
// has all-zero geometry, so every coordinate is outside and every operation is a no-op.
#include <cstddef>
#include <cstdint>

#include "raster/image/ImageInfo.h"
#include "raster/image/Rect.h"
#include "raster/span/SpanOps.h"

namespace kanvo {

// No buffer holds more bytes than this (16 GiB); larger requests fail like a refused allocation.
constexpr uint64_t kMaxImageBytes = uint64_t(1) << 34;

class PixelStore {
 public:
  PixelStore(const PixelStore&) = delete;
  PixelStore& operator=(const PixelStore&) = delete;

  const ImageInfo& info() const { return info_; }
  int32_t width() const { return info_.width; }
  int32_t height() const { return info_.height; }
  int32_t stride() const { return info_.stride; }
  uint64_t byteCount() const { return info_.byteCount(); }
  bool hasPixels() const { return data_ != nullptr; }

  // The first byte of the top row (null without pixels); rows follow at stride() bytes.
  uint8_t* bits() { return data_; }
  const uint8_t* bits() const { return data_; }
  // The first byte of row y, null outside.
  uint8_t* rowAddress(int32_t y) { return uint32_t(y) < uint32_t(info_.height) ? data_ + rowOffset(y) : nullptr; }
  const uint8_t* rowAddress(int32_t y) const {
    return uint32_t(y) < uint32_t(info_.height) ? data_ + rowOffset(y) : nullptr;
  }

 protected:
  PixelStore() = default;
  ~PixelStore() = default;
  PixelStore(PixelStore&& other) noexcept;
  // Only for buffers allocated with the same alignment; the caller frees its own bytes first.
  void takeFrom(PixelStore& other) noexcept;

  // Coordinates compared as unsigned values: negative ones are outside.
  bool inside(int32_t x, int32_t y) const {
    return uint32_t(x) < uint32_t(info_.width) && uint32_t(y) < uint32_t(info_.height);
  }
  size_t rowOffset(int32_t y) const { return size_t(y) * size_t(info_.stride); }

  // The resize rule, step one: true when width x height (sizes below 1 taken as 1) is the
  // stored size and the pixels are present, in which case the buffer keeps them.
  bool holdsSize(int32_t width, int32_t height) const;
  // Step two (pixels already released): sets the geometry for max(width, 1) x max(height, 1)
  // and allocates its bytes, not cleared, aligned to `alignment`. A size whose byte count
  // overflows, exceeds kMaxImageBytes or cannot be allocated leaves the buffer without pixels
  // (all-zero geometry) and returns false; nothing throws.
  bool allocateFor(int32_t width, int32_t height, double bytesPerPixel, size_t alignment);
  // Frees the bytes allocated by allocateFor with the same alignment and zeroes the geometry.
  void freeData(size_t alignment);

  // True when the whole byte array repeats the four bytes of `word` (byte i of the array equal
  // to byte i mod 4 of word), comparing four bytes at a time when the count is a multiple of 4.
  static bool bytesRepeat(const uint8_t* bytes, uint64_t count, uint32_t word);

  ImageInfo info_;
  uint8_t* data_ = nullptr;
};

// Clips a blit of w x h pixels from (sx, sy) of src to (dx, dy) of dst with clipBlit and runs
// span(params, sourceRow, sx, destinationRow, dx, w) on each row; false (nothing changed) when
// nothing remains. A blit within one buffer reads the source as it was before the blit.
template <class Image, class Span>
bool blitRows(Image& dst, const SpanParams& params, int32_t dx, int32_t dy, const Image& src, int32_t sx,
              int32_t sy, int32_t w, int32_t h, Span span) {
  if (!clipBlit(src.width(), src.height(), dst.width(), dst.height(), sx, sy, w, h, dx, dy)) return false;
  if (&src == &dst && Rect::intersect(Rect(sx, sy, w, h), Rect(dx, dy, w, h)).width > 0) {
    Image copy(w, h);
    if (!copy.hasPixels()) return false;
    SpanParams plain;
    plain.op = kOpCopy;
    for (int32_t i = 0; i < h; ++i) span(plain, src.rowAddress(sy + i), sx, copy.rowAddress(i), 0, w);
    return blitRows(dst, params, dx, dy, copy, 0, 0, w, h, span);
  }
  for (int32_t i = 0; i < h; ++i) span(params, src.rowAddress(sy + i), sx, dst.rowAddress(dy + i), dx, w);
  return true;
}

}  // namespace kanvo
