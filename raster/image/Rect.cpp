#include "raster/image/Rect.h"

namespace kanvo {

namespace {

// One axis of intersect: start and size of the overlap, or size 0.
void overlapAxis(int32_t a, int32_t as, int32_t b, int32_t bs, int32_t& start, int32_t& size) {
  int32_t earlier = a, earlierSize = as, later = b, laterSize = bs;
  if (b < a) {
    earlier = b, earlierSize = bs, later = a, laterSize = as;
  }
  if (later >= earlier && later <= earlier + earlierSize) {
    int32_t end = earlier + earlierSize < later + laterSize ? earlier + earlierSize : later + laterSize;
    start = later;
    size = end - later;
  } else {
    start = 0;
    size = 0;
  }
}

int32_t floorToMultiple(int32_t v, int32_t n) {
  int32_t q = v / n;
  if (v % n != 0 && v < 0) --q;
  return q * n;
}

int32_t ceilToMultiple(int32_t v, int32_t n) {
  int32_t q = v / n;
  if (v % n != 0 && v > 0) ++q;
  return q * n;
}

}  // namespace

Rect Rect::intersect(const Rect& a, const Rect& b) {
  Rect r;
  overlapAxis(a.x, a.width, b.x, b.width, r.x, r.width);
  overlapAxis(a.y, a.height, b.y, b.height, r.y, r.height);
  if (r.width == 0 || r.height == 0) return Rect();
  return r;
}

void Rect::inflate(int32_t dx, int32_t dy) {
  if (isEmpty()) return;
  x -= dx;
  y -= dy;
  width += 2 * dx;
  height += 2 * dy;
}

void Rect::unite(const Rect& o) {
  if (o.isEmpty()) return;
  if (isEmpty()) {
    *this = o;
    return;
  }
  int32_t l = x < o.x ? x : o.x, t = y < o.y ? y : o.y;
  int32_t r = right() > o.right() ? right() : o.right();
  int32_t b = bottom() > o.bottom() ? bottom() : o.bottom();
  *this = Rect(l, t, r - l, b - t);
}

void Rect::alignOutward(int32_t n) {
  if (isEmpty()) return;
  int32_t l = floorToMultiple(x, n), t = floorToMultiple(y, n);
  int32_t r = ceilToMultiple(right(), n), b = ceilToMultiple(bottom(), n);
  *this = Rect(l, t, r - l, b - t);
}

namespace {

// clipToSize on 64-bit fields, so that coordinates near the ends of the 32-bit range cannot
// overflow; the clipped result always fits the 32-bit Rect.
bool clipToSize64(int64_t x, int64_t y, int64_t w, int64_t h, int32_t width, int32_t height, Rect& r) {
  if (w < 1 || h < 1 || x >= width || y >= height || x + w < 1 || y + h < 1) return false;
  if (x < 0) {
    w += x;
    x = 0;
  }
  if (y < 0) {
    h += y;
    y = 0;
  }
  if (x + w > width) w = width - x;
  if (y + h > height) h = height - y;
  r = Rect(int32_t(x), int32_t(y), int32_t(w), int32_t(h));
  return true;
}

}  // namespace

bool clipToSize(Rect& r, int32_t width, int32_t height) {
  return clipToSize64(r.x, r.y, r.width, r.height, width, height, r);
}

bool clipToSizeNormalised(Rect& r, int32_t width, int32_t height) {
  int64_t x = r.x, y = r.y, w = r.width, h = r.height;
  if (w < 0) {
    x += w;
    w = -w;
  }
  if (h < 0) {
    y += h;
    h = -h;
  }
  if (x >= INT32_MIN && w <= INT32_MAX && y >= INT32_MIN && h <= INT32_MAX)
    r = Rect(int32_t(x), int32_t(y), int32_t(w), int32_t(h));  // normalised even when nothing remains
  return clipToSize64(x, y, w, h, width, height, r);
}

bool clipBlit(int32_t srcW, int32_t srcH, int32_t dstW, int32_t dstH, int32_t& sx32, int32_t& sy32, int32_t& w32,
              int32_t& h32, int32_t& dx32, int32_t& dy32) {
  // 64-bit sums: coordinates near the ends of the 32-bit range must not overflow.
  int64_t sx = sx32, sy = sy32, w = w32, h = h32, dx = dx32, dy = dy32;
  auto store = [&] {
    sx32 = int32_t(sx), sy32 = int32_t(sy), w32 = int32_t(w), h32 = int32_t(h), dx32 = int32_t(dx),
    dy32 = int32_t(dy);
  };
  if (dx + w < 1 || dy + h < 1 || dx >= dstW || dy >= dstH || sx >= srcW || sy >= srcH || sx + w < 0 ||
      sy + h < 0)
    return false;
  if (sx + w >= srcW) w = srcW - sx;
  if (sy + h >= srcH) h = srcH - sy;
  if (sx < 0) {
    dx -= sx;
    w += sx;
    sx = 0;
  }
  if (sy < 0) {
    dy -= sy;
    h += sy;
    sy = 0;
  }
  if (dx < 0) {
    sx -= dx;
    w += dx;
    dx = 0;
  }
  if (dy < 0) {
    sy -= dy;
    h += dy;
    dy = 0;
  }
  if (dx + w > dstW) w = dstW - dx;
  if (dy + h > dstH) h = dstH - dy;
  store();
  return w >= 1 && h >= 1;
}

}  // namespace kanvo
