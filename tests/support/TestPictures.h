#pragma once
// Test helper: deterministic pictures for codec tests and benchmarks.
#include <cmath>
#include <cstdint>
#include <vector>

namespace kanvo::test {

// A photo-like picture as packed RGB: smooth colour gradients, soft waves of several
// frequencies, a few hard-edged shapes and mild noise, fixed by the seed.
inline std::vector<uint8_t> photoLikeRgb(int width, int height, uint32_t seed = 1) {
  std::vector<uint8_t> rgb(size_t(width) * height * 3);
  uint32_t state = seed * 2654435761u + 12345u;
  auto noise = [&]() {
    state = state * 1664525u + 1013904223u;
    return int((state >> 24) % 9) - 4;
  };
  const double w = width, h = height;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      double u = x / w, v = y / h;
      double wave = 28 * std::sin(u * 17.0 + v * 5.0) + 18 * std::sin(v * 41.0 - u * 13.0) +
                    9 * std::sin((u + v) * 97.0);
      double r = 40 + 150 * u + wave;
      double g = 70 + 110 * v + 0.6 * wave;
      double b = 170 - 90 * u * v - 0.4 * wave;
      // Shapes: a bright disc and a dark band.
      double dx = u - 0.62, dy = v - 0.38;
      if (dx * dx + dy * dy < 0.03) {
        r = 235 - 40 * v;
        g = 210 - 30 * u;
        b = 90;
      }
      if (std::fabs(u - v * 0.7 - 0.1) < 0.04) {
        r *= 0.35;
        g *= 0.3;
        b *= 0.45;
      }
      int n = noise();
      uint8_t* p = &rgb[(size_t(y) * width + x) * 3];
      auto clampByte = [](double c) { return uint8_t(c < 0 ? 0 : c > 255 ? 255 : c); };
      p[0] = clampByte(r + n);
      p[1] = clampByte(g + n);
      p[2] = clampByte(b + n);
    }
  }
  return rgb;
}

}  // namespace kanvo::test
