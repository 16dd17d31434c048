#pragma once
// Realistic painted content for the codec benchmarks: soft round strokes along smooth
// curves on a transparent background, as a 32 bpp picture (straight alpha), and the same cut into
// 64 x 64 tiles at 32, 8 (the alpha as coverage) or 1 bpp (alpha of 128 or more as ink); and an
// opaque painted ground to lay such strokes over.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace kanvo::test {

// An opaque size x size backdrop of Color32 values: smooth colour with a little noise, as a
// painted ground looks. The same for a given size every time.
inline std::vector<uint32_t> paintedBackdrop(int size) {
  std::vector<uint32_t> px(size_t(size) * size);
  std::mt19937 rng(7);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const uint32_t n = rng() & 3;
      const uint32_t r = 200 + (x >> 6) % 40 + n, g = 180 + (y >> 6) % 50 + n, b = 150 + ((x + y) >> 7) % 60;
      px[size_t(y) * size + size_t(x)] = 0xFF000000u | r << 16 | g << 8 | b;
    }
  return px;
}

// A size x size picture of Color32 values (bytes blue, green, red, alpha), rows top to bottom.
inline std::vector<uint32_t> paintedPicture(int size, int strokes, uint32_t seed) {
  std::vector<uint32_t> px(size_t(size) * size, 0);
  std::vector<uint8_t> cover(px.size());
  std::mt19937 rng(seed);
  auto uniform = [&](double lo, double hi) { return lo + (hi - lo) * (rng() / 4294967296.0); };
  for (int s = 0; s < strokes; ++s) {
    std::fill(cover.begin(), cover.end(), 0);
    double x0 = uniform(0, size), y0 = uniform(0, size);
    double dx = uniform(-1, 1), dy = uniform(-1, 1);
    double len = std::hypot(dx, dy) + 1e-9;
    dx /= len;
    dy /= len;
    double bend = uniform(-0.02, 0.02), radius = uniform(3, 12);
    uint32_t colour = rng() & 0x00FFFFFF;
    double x = x0, y = y0;
    for (int step = 0; step < size * 2; ++step) {
      double angle = bend;
      double ndx = dx * std::cos(angle) - dy * std::sin(angle);
      dy = dx * std::sin(angle) + dy * std::cos(angle);
      dx = ndx;
      x += dx;
      y += dy;
      double r = radius * (0.6 + 0.4 * std::sin(step * 0.01));
      for (int py = int(y - r - 1); py <= int(y + r + 1); ++py) {
        if (py < 0 || py >= size) continue;
        for (int pxl = int(x - r - 1); pxl <= int(x + r + 1); ++pxl) {
          if (pxl < 0 || pxl >= size) continue;
          double d = std::hypot(pxl + 0.5 - x, py + 0.5 - y);
          double a = std::fmin(1.0, std::fmax(0.0, (r - d) / 1.5));
          uint8_t c = uint8_t(a * 255.0);
          uint8_t& cv = cover[size_t(py) * size + size_t(pxl)];
          if (c > cv) cv = c;
        }
      }
    }
    for (size_t i = 0; i < px.size(); ++i) {
      if (!cover[i]) continue;
      uint32_t under = px[i];
      uint32_t ua = under >> 24, sa = cover[i];
      uint32_t oa = sa + ua * (255 - sa) / 255;
      uint32_t out = oa << 24;
      for (int ch = 0; ch < 3; ++ch) {
        uint32_t sc = (colour >> (8 * ch)) & 255, uc = (under >> (8 * ch)) & 255;
        uint32_t v = oa ? (sc * sa + uc * ua * (255 - sa) / 255) / oa : 0;
        out |= (v > 255 ? 255 : v) << (8 * ch);
      }
      px[i] = out;
    }
  }
  return px;
}

// Tile (tx, ty) of a picture at 32, 8 or 1 bits per pixel; empty when the tile holds nothing.
inline std::vector<uint8_t> tileOf(const std::vector<uint32_t>& picture, int size, int tx, int ty, int bitsPerPixel) {
  size_t bytes = bitsPerPixel == 32 ? 16384 : bitsPerPixel == 8 ? 4096 : 512;
  std::vector<uint8_t> tile(bytes, 0);
  bool any = false;
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      uint32_t c = picture[size_t(ty * 64 + y) * size + size_t(tx * 64 + x)];
      if (c >> 24) any = true;
      if (bitsPerPixel == 32) {
        std::memcpy(&tile[size_t(y * 64 + x) * 4], &c, 4);
      } else if (bitsPerPixel == 8) {
        tile[size_t(y * 64 + x)] = uint8_t(c >> 24);
      } else if ((c >> 24) >= 128) {
        tile[size_t(y * 8 + x / 8)] |= uint8_t(1 << (x & 7));
      }
    }
  }
  if (!any) tile.clear();
  return tile;
}

}  // namespace kanvo::test
