#pragma once
// Image32: a plain 32-bit image buffer (Color32 pixels, bytes blue, green, red, alpha, straight
// alpha), the working format of the display, of imported pictures and of 32 bpp layer tiles.
//
// Pixel (x, y) lives at byte (x + width * y) * 4 of bits(); every drawing operation addresses
// the bytes directly. Only allocation goes through the virtual slots (the destructor,
// releasePixels, resizeBuffer), so a derived buffer (DibImage) can place its pixels elsewhere
// while all drawing code treats it as an ordinary Image32.
//
// Coordinates are compared as unsigned values: negative ones are outside; writers ignore
// pixels outside and readers return 0. A buffer without pixels (releasePixels, or a failed
// resizeBuffer) has size 0 x 0 and every operation on it does nothing.
#include <cstdint>

#include "raster/pixel/Color32.h"
#include "raster/image/PixelStore.h"
#include "raster/span/SpanOps.h"

namespace kanvo {

// Modes of Image32::bitwise, applied to each pixel read as a 32-bit value.
enum BitwiseMode : int32_t {
  kBitwiseAnd = 0,      // pixel AND value
  kBitwiseOr = 1,       // pixel OR value (OR 0xFF000000 makes a picture fully opaque)
  kBitwiseXor = 2,      // pixel XOR value
  kBitwiseNot = 3,      // NOT pixel
  kBitwiseFlatten = 4,  // value with the old pixel blended onto it by its alpha; alpha is value's
  kBitwiseAlphaFromLuminance = 5,  // value's colour, alpha ((255 - luminance) x (old alpha + 1)) >> 8
};

class Image32 : public PixelStore {
 public:
  static constexpr double kBytesPerPixel = 4.0;

  Image32();                              // 1 x 1
  Image32(int32_t width, int32_t height);  // through resizeBuffer; check hasPixels()
  virtual ~Image32();

  // Frees the pixels; the buffer is left without pixels and with size 0 x 0.
  virtual void releasePixels();
  // Same size (sizes below 1 taken as 1) with pixels present: true, pixels kept. Otherwise
  // releases the pixels and allocates max(width, 1) x max(height, 1) pixels, not cleared.
  // False when the memory cannot be had; the buffer is then without pixels.
  virtual bool resizeBuffer(int32_t width, int32_t height);

  Color32* pixelAddress(int32_t x, int32_t y) {
    return inside(x, y) ? reinterpret_cast<Color32*>(data_ + rowOffset(y)) + x : nullptr;
  }
  const Color32* pixelAddress(int32_t x, int32_t y) const {
    return inside(x, y) ? reinterpret_cast<const Color32*>(data_ + rowOffset(y)) + x : nullptr;
  }
  Color32 getPixel(int32_t x, int32_t y) const {
    const Color32* p = pixelAddress(x, y);
    return p ? *p : 0;
  }
  void setPixel(int32_t x, int32_t y, Color32 colour) {
    if (Color32* p = pixelAddress(x, y)) *p = colour;
  }

  // Pixel painting; opacity 0..255; each does nothing outside the image.
  void blendPixelRgb(int32_t x, int32_t y, Color32 colour, int opacity);          // blendRgb
  void blendPixelRgbIfOpaque(int32_t x, int32_t y, Color32 colour, int opacity);  // where alpha != 0
  void lerpPixelRgb(int32_t x, int32_t y, Color32 colour, int opacity);           // lerpRgb
  void blendPixelByColourAlpha(int32_t x, int32_t y, Color32 colour, int opacity);  // blendRgbByAlpha
  // Paints colour over the pixel: a transparent pixel takes the colour (alpha scaled by
  // (opacity + 1) >> 8 below full opacity); an opaque colour at full opacity is stored; an
  // opaque pixel gets blendRgbByAlpha; any other pixel gets over.
  void paintPixel(int32_t x, int32_t y, Color32 colour, int opacity);

  void fill(Color32 colour);
  // The rectangle clipped to the image, each row through fillSpan32 with op `mode` (0 stores,
  // 1 blends RGB at opacity, 3 paints over). False when nothing remains after clipping.
  bool fillRect(int32_t x, int32_t y, int32_t width, int32_t height, Color32 colour, int opacity = 255,
                int32_t mode = kOpCopy);
  // Checkerboard of cellSize cells (a power of two; at least 1) whose origin is (offsetX,
  // offsetY): a pixel is colourB when exactly one of ((x - offsetX) mod cellSize) and
  // ((y - offsetY) mod cellSize), taken non-negative, is below cellSize / 2; else colourA.
  bool fillCheckerboard(int32_t x, int32_t y, int32_t width, int32_t height, Color32 colourA, Color32 colourB,
                        int32_t cellSize, int32_t offsetX, int32_t offsetY);
  bool fillCheckerboard(Color32 colourA, Color32 colourB, int32_t cellSize, int32_t offsetX, int32_t offsetY);
  // Row y becomes colourTop moved towards colourBottom by lerpRgb at weight y x 255 / height;
  // the alpha of every row is colourTop's.
  void fillVerticalGradient(Color32 colourTop, Color32 colourBottom);
  // A BitwiseMode applied to every pixel of the rectangle clipped to the image; false when
  // nothing remains or the mode is unknown.
  bool bitwise(int32_t x, int32_t y, int32_t width, int32_t height, int32_t mode, Color32 value);
  bool bitwise(int32_t mode, Color32 value);

  // Blends width x height pixels of source at (sx, sy) onto (dx, dy) through blendSpan32 with
  // params, clipped with clipBlit; false when nothing remains. The source may be this image.
  bool blit(const SpanParams& params, int32_t dx, int32_t dy, const Image32& source, int32_t sx, int32_t sy,
            int32_t width, int32_t height);
  // The whole source copied to (dx, dy).
  bool copyFrom(const Image32& source, int32_t dx = 0, int32_t dy = 0);
  // Resized to the source's size, then a copy of it; false when the memory cannot be had.
  bool assign(const Image32& source);

  // The alpha-weighted mean of the 2 x 2 pixels at (x, y) (meanRgba2x2); pixels outside
  // count as 0.
  Color32 downsample2x2(int32_t x, int32_t y) const;
  // True when every pixel equals the first, which is stored in *first when given.
  // False without pixels.
  bool isUniform(Color32* first = nullptr) const;
  // The anti-aliased span (antialiasedSpan32) between xa and xb on row y; false when the row
  // is outside the image or nothing was drawn.
  bool drawSpan(const SpanParams& params, int32_t y, double xa, double xb);

 protected:
  // For derived buffers that allocate in their own constructor: no pixels yet.
  struct NoPixels {};
  explicit Image32(NoPixels) {}

 private:
  static constexpr size_t kAlignment = 16;
};

}  // namespace kanvo
