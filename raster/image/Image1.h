#pragma once
// Image1: a plain 1-bit image buffer, the tile of 1 bpp layers and a bit mask. Each row is
// (width + 7) / 8 bytes; pixel x of a row is bit (x & 7) of byte x / 8, least significant bit
// first (pixel 0 is 0x01, pixel 7 is 0x80). The bits after the last pixel of a row are padding:
// comparisons and tests ignore them.
//
// Coordinates are compared as unsigned values: negative ones are outside; writers ignore
// pixels outside and readers return 0. A buffer without pixels (release, or a failed resize)
// has size 0 x 0 and every operation on it does nothing. Movable, not copyable.
#include <cstdint>

#include "raster/image/PixelStore.h"
#include "raster/span/SpanOps.h"

namespace kanvo {

class Image1 : public PixelStore {
 public:
  static constexpr double kBytesPerPixel = 0.125;

  Image1();                              // 1 x 1
  Image1(int32_t width, int32_t height);  // check hasPixels()
  ~Image1();
  Image1(Image1&& other) noexcept = default;
  Image1& operator=(Image1&& other) noexcept;

  // Frees the bits; the buffer is left without pixels and with size 0 x 0.
  void release();
  // Same size (sizes below 1 taken as 1) with bits present: true, bits kept. Otherwise
  // reallocates, not cleared; false (and no pixels) when the memory cannot be had.
  bool resize(int32_t width, int32_t height);

  // The byte holding pixel (x, y), null outside.
  uint8_t* byteAddress(int32_t x, int32_t y) { return inside(x, y) ? data_ + rowOffset(y) + (x >> 3) : nullptr; }
  const uint8_t* byteAddress(int32_t x, int32_t y) const {
    return inside(x, y) ? data_ + rowOffset(y) + (x >> 3) : nullptr;
  }
  // 0 or 1; 0 outside.
  int getPixel(int32_t x, int32_t y) const {
    const uint8_t* p = byteAddress(x, y);
    return p ? (*p >> (x & 7)) & 1 : 0;
  }
  // Sets the pixel when bit is non-zero, clears it otherwise.
  void setPixel(int32_t x, int32_t y, int bit) {
    if (uint8_t* p = byteAddress(x, y)) *p = bit ? uint8_t(*p | (1u << (x & 7))) : uint8_t(*p & ~(1u << (x & 7)));
  }
  // setPixel only when coverage is at least 128.
  void setPixelIfCovered(int32_t x, int32_t y, int bit, int coverage) {
    if (coverage >= 128) setPixel(x, y, bit);
  }
  // Stores a whole byte: pixels (x & ~7) .. (x | 7) of row y.
  void setByte(int32_t x, int32_t y, uint8_t byte) {
    if (uint8_t* p = byteAddress(x, y)) *p = byte;
  }

  // Every byte 0xFF for a non-zero bit, 0x00 otherwise.
  void fill(int bit);
  // The rectangle clipped to the image set to bit through fillSpan1 (op copy); false when
  // nothing remains.
  bool fillRect(int32_t x, int32_t y, int32_t width, int32_t height, int bit);
  // Combines width x height bits of source at (sx, sy) into (dx, dy) through blitSpan1 with
  // params (0 copy, 1 AND, 2 OR, 3 XOR, 7 clear where set), clipped with clipBlit; false when
  // nothing remains. The source may be this image.
  bool blit(const SpanParams& params, int32_t dx, int32_t dy, const Image1& source, int32_t sx, int32_t sy,
            int32_t width, int32_t height);
  bool copyFrom(const Image1& source, int32_t dx = 0, int32_t dy = 0);
  // Resized to the source's size, then a copy of it; false when the memory cannot be had.
  bool assign(const Image1& source);

  // Same size and the same pixels (padding bits ignored).
  bool equals(const Image1& other) const;
  // True when every pixel equals the first, whose bit (0 or 1) is stored in *first when given;
  // false without pixels.
  bool isUniform(int* first = nullptr) const;
  // 64 x the number of set pixels among (x, y), (x+1, y), (x, y+1), (x+1, y+1), at most 255:
  // 0, 64, 128, 192 or 255. Turns a 1 bpp image into 8-bit coverage at half size (x even).
  // Pixels outside count as clear.
  int coverage2x2(int32_t x, int32_t y) const;

 private:
  static constexpr size_t kAlignment = 16;
  // True when every pixel of every row equals bit.
  bool allPixelsAre(int bit) const;
};

}  // namespace kanvo
