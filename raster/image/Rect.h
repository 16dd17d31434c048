#pragma once
// The raster core's integer rectangle and the clipping rules every fill and blit applies.
// A Rect is empty exactly when all four fields are zero.
#include <cstdint>

namespace kanvo {

struct Rect {
  int32_t x = 0, y = 0, width = 0, height = 0;

  Rect() = default;
  Rect(int32_t x_, int32_t y_, int32_t w_, int32_t h_) : x(x_), y(y_), width(w_), height(h_) {}

  void set(int32_t x_, int32_t y_, int32_t w_, int32_t h_) { *this = Rect(x_, y_, w_, h_); }
  bool isEmpty() const { return x == 0 && y == 0 && width == 0 && height == 0; }
  bool isWhole(int32_t w, int32_t h) const { return x == 0 && y == 0 && width == w && height == h; }
  bool contains(int32_t px, int32_t py) const {
    return x <= px && px < x + width && y <= py && py < y + height;
  }
  int32_t right() const { return x + width; }
  int32_t bottom() const { return y + height; }

  // Per axis: when the later start lies within the earlier interval, the overlap; otherwise
  // that axis is zero, and a zero width or height makes the whole result all zero.
  static Rect intersect(const Rect& a, const Rect& b);
  bool overlapsImage(int32_t imageWidth, int32_t imageHeight) const {
    return x + width >= 1 && y + height >= 1 && x < imageWidth && y < imageHeight;
  }
  void inflate(int32_t dx, int32_t dy);
  void unite(const Rect& other);
  void includePoint(int32_t px, int32_t py) { unite(Rect(px, py, 1, 1)); }
  // x, y rounded down (towards negative infinity) and right, bottom rounded up to multiples of n.
  void alignOutward(int32_t n);

  bool operator==(const Rect&) const = default;
};

// False when nothing remains; otherwise cuts rect to [0, width) x [0, height).
bool clipToSize(Rect& rect, int32_t width, int32_t height);
// As clipToSize after turning a negative width or height into a positive one.
bool clipToSizeNormalised(Rect& rect, int32_t width, int32_t height);
// Clips a blit of w x h pixels from (sx, sy) in the source to (dx, dy) in the destination;
// true when at least one pixel remains.
bool clipBlit(int32_t srcWidth, int32_t srcHeight, int32_t dstWidth, int32_t dstHeight, int32_t& sx,
              int32_t& sy, int32_t& w, int32_t& h, int32_t& dx, int32_t& dy);

}  // namespace kanvo
