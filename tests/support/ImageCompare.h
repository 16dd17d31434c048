#pragma once
// Test helpers: differences between two pictures of equal size given as interleaved 8-bit
// samples (packed RGB, or any channel count as long as both agree), and a digest of bytes.
#include <cmath>
#include <cstdint>
#include <limits>
#include <span>

namespace kanvo::test {

// Peak signal-to-noise ratio in dB over all samples; infinity for identical inputs, 0 when the
// sizes differ or the inputs are empty.
inline double psnr(std::span<const uint8_t> a, std::span<const uint8_t> b) {
  if (a.size() != b.size() || a.empty()) return 0.0;
  double sum = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    double d = double(a[i]) - double(b[i]);
    sum += d * d;
  }
  if (sum == 0) return std::numeric_limits<double>::infinity();
  double mse = sum / double(a.size());
  return 10.0 * std::log10(255.0 * 255.0 / mse);
}

// FNV-1a of a byte sequence: pins down exact results (golden values) in tests.
inline uint64_t fnv1a(std::span<const uint8_t> bytes) {
  uint64_t h = 1469598103934665603ull;
  for (uint8_t b : bytes) h = (h ^ b) * 1099511628211ull;
  return h;
}

}  // namespace kanvo::test
