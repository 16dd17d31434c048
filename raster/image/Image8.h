#pragma once
// Image8: a plain 8-bit image buffer (one byte per pixel: coverage, grey level or mask value),
// the tile of 8 bpp layers and the usual mask. Byte (x, y) lives at x + width * y.
//
// Coordinates are compared as unsigned values: negative ones are outside; writers ignore
// pixels outside and readers return 0. A buffer without pixels (release, or a failed resize)
// has size 0 x 0 and every operation on it does nothing. Movable, not copyable.
#include <cstdint>

#include "raster/image/PixelStore.h"
#include "raster/span/SpanOps.h"

namespace kanvo {

class Image8 : public PixelStore {
 public:
  static constexpr double kBytesPerPixel = 1.0;

  Image8();                              // 1 x 1
  Image8(int32_t width, int32_t height);  // check hasPixels()
  ~Image8();
  Image8(Image8&& other) noexcept = default;
  Image8& operator=(Image8&& other) noexcept;

  // Frees the pixels; the buffer is left without pixels and with size 0 x 0.
  void release();
  // Same size (sizes below 1 taken as 1) with pixels present: true, pixels kept. Otherwise
  // reallocates max(width, 1) x max(height, 1) bytes, not cleared; false (and no pixels) when
  // the memory cannot be had.
  bool resize(int32_t width, int32_t height);

  uint8_t* pixelAddress(int32_t x, int32_t y) { return inside(x, y) ? data_ + rowOffset(y) + x : nullptr; }
  const uint8_t* pixelAddress(int32_t x, int32_t y) const {
    return inside(x, y) ? data_ + rowOffset(y) + x : nullptr;
  }
  uint8_t getPixel(int32_t x, int32_t y) const {
    const uint8_t* p = pixelAddress(x, y);
    return p ? *p : 0;
  }
  void setPixel(int32_t x, int32_t y, uint8_t value) {
    if (uint8_t* p = pixelAddress(x, y)) *p = value;
  }
  // alpha above 254 stores value; otherwise ((255 - alpha) x old + value x alpha) / 255.
  void blendPixel(int32_t x, int32_t y, uint8_t value, int alpha);
  // mix8 of value into the pixel at weight 0..255.
  void mixPixel(int32_t x, int32_t y, uint8_t value, int weight);

  void fill(uint8_t value);
  // Blends width x height bytes of source at (sx, sy) onto (dx, dy) through blendSpan8 with
  // params, clipped with clipBlit; false when nothing remains. The source may be this image.
  bool blit(const SpanParams& params, int32_t dx, int32_t dy, const Image8& source, int32_t sx, int32_t sy,
            int32_t width, int32_t height);
  bool copyFrom(const Image8& source, int32_t dx = 0, int32_t dy = 0);
  // Resized to the source's size, then a copy of it; false when the memory cannot be had.
  bool assign(const Image8& source);

  // True when every byte equals the first, which is stored in *first when given; false
  // without pixels.
  bool isUniform(uint8_t* first = nullptr) const;
  // The anti-aliased span (antialiasedSpan8) between xa and xb on row y; false when the row
  // is outside the image or nothing was drawn.
  bool drawSpan(const SpanParams& params, int32_t y, double xa, double xb);

 private:
  static constexpr size_t kAlignment = 16;
};

}  // namespace kanvo
