// The fixed-point transforms, the chroma enlargement, quantisation and the colour conversions:
// the fast whole-block and whole-row versions equal the plain formulas. (The golden decodes and
// encodes and libjpeg's readings hold the formulas themselves.)
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "formats/jpeg/JpegColor.h"
#include "formats/jpeg/JpegEncoder.h"
#include "formats/jpeg/JpegFdct.h"
#include "formats/jpeg/JpegIdct.h"
#include "formats/jpeg/JpegQuantise.h"
#include "formats/jpeg/JpegUpsample.h"

namespace kanvo::jpeg {
namespace {

// Blocks of coefficients in four shapes (DC only, sparse like real data within a quarter, a half
// or the whole block, small, full range), with steps of one, of real tables or of any size, for
// the inverse transform, and of samples (random, or a checkerboard of the extremes) for the
// forward one; every DC-only block is flat, equal to inverseDctDcOnly, its rows `stride` apart.
TEST(JpegDct, WholeBlockEqualsPlainRoutine) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> any(-kCoefficientLimit, kCoefficientLimit), small(-60, 60);
  std::uniform_int_distribution<int32_t> anyStep(0, 65535), realStep(1, 100);
  int32_t in[64], step[64], scaled[64], a[64], b[64], out[8 * 20];
  int16_t coefficients[64];
  const std::vector<int32_t> ones(64, 1);
  for (int iter = 0; iter < 200000; ++iter) {
    const int kind = iter % 4;
    std::fill(in, in + 64, 0);
    in[0] = kind == 0 ? any(rng) : small(rng) * 16;
    // Sparse blocks within the top-left quarter, the top half, the left half or anywhere.
    const unsigned within[] = {27, 31, 59, 63};
    for (int n = 0; n < 6 && kind == 1; ++n) in[rng() % 64 & within[iter / 4 % 4]] = small(rng) * 4;
    for (int i = 0; i < 64 && kind >= 2; ++i)
      in[i] = kind == 2        ? small(rng)
              : rng() % 3 == 0 ? any(rng)
              : rng() & 1      ? kCoefficientLimit
                               : -kCoefficientLimit;
    for (int i = 0; i < 64; ++i) {
      step[i] = iter % 3 == 0 ? 1 : iter % 3 == 1 ? realStep(rng) : anyStep(rng);
      scaled[i] = std::clamp(in[i] * step[i], -kCoefficientLimit, kCoefficientLimit);
    }
    std::copy_n(in, 64, coefficients);
    inverseDctBlocks(coefficients, 1, step, a, 8);
    inverseDctPlain(scaled, b, 8);
    ASSERT_TRUE(std::all_of(coefficients, coefficients + 64, [](int16_t c) { return c == 0; }));
    ASSERT_TRUE(std::equal(a, a + 64, b)) << "inverse, iteration " << iter;
    if (iter >= 100000) continue;
    for (int i = 0; i < 64; ++i)
      in[i] = iter % 3 == 0 ? (((i >> 3) + i) % 2 ? 127 : -128) : int(rng() % 256) - 128;
    forwardDct(in, 8, a);
    forwardDctPlain(in, b);
    ASSERT_TRUE(std::equal(a, a + 64, b)) << "forward, iteration " << iter;
    for (int i = 0; i < 64; ++i) step[i] = quantReciprocal(realStep(rng));
    const uint64_t mask = forwardDctQuantised(in, 8, step, a);
    ASSERT_EQ(mask, quantiseBlock(b, step, scaled));
    ASSERT_TRUE(std::equal(a, a + 64, scaled)) << "quantised, iteration " << iter;
  }
  for (int32_t dc = -kCoefficientLimit; dc <= kCoefficientLimit; ++dc) {
    int16_t dcOnly[64] = {int16_t(dc)};
    std::fill(out, out + 8 * 20, -999);
    inverseDctBlocks(dcOnly, 1, ones.data(), out, 20);
    for (int i = 0; i < 8 * 20; ++i) ASSERT_EQ(out[i], i % 20 < 8 ? inverseDctDcOnly(dc) : -999) << dc;
  }
}

// The shorter ways equal the taps for every ratio, length and odd or even output width.
TEST(JpegUpsample, ColumnPassEqualsThePlainTaps) {
  std::mt19937 rng(9);
  std::vector<int32_t> a(64), b(64), mixed(64), fast(256), plain(256);
  for (int iter = 0; iter < 16 * 300; ++iter) {
    const int rh = 1 + iter % 4, rv = 1 + iter / 4 % 4, length = 1 + int(rng() % 40);
    const int n = std::max(1, length * rh - int(rng() % rh));
    for (int i = 0; i < length; ++i) {
      a[size_t(i)] = int32_t(rng() % 300) - 150;
      b[size_t(i)] = int32_t(rng() % 300) - 150;
    }
    const AxisTaps taps = axisTaps(n, length, rh);
    mixRows(a.data(), b.data(), 1 + int(rng() % (2 * rv)), rv, length, mixed.data());
    mixColumns(mixed.data(), taps, rv, length, n, fast.data());
    mixColumnsPlain(mixed.data(), taps, rv, n, plain.data());
    ASSERT_TRUE(std::equal(fast.begin(), fast.begin() + n, plain.begin())) << rh << "x" << rv << " " << length;
  }
}

TEST(JpegQuantise, ReciprocalEqualsTruncatingDivision) {
  int32_t coef[64], rec[64], out[64];
  for (int32_t d = 1; d <= 255; ++d) {
    std::fill(rec, rec + 64, quantReciprocal(d));
    for (int32_t base = -4095; base <= 4095; base += 64) {
      for (int i = 0; i < 64; ++i) coef[i] = std::min(base + i, 4095);
      const uint64_t nonZero = quantiseBlock(coef, rec, out);
      for (int i = 0; i < 64; ++i) {
        ASSERT_EQ(out[i], coef[i] / d) << coef[i] << " / " << d;
        ASSERT_EQ(nonZero >> i & 1, uint64_t(out[i] != 0)) << coef[i] << " / " << d;
      }
    }
  }
}

// The decoder's rows (to Color32 and to RGB) equal the plain formula over a grid of centred
// samples and the extremes the coefficient limit allows; the encoder's rows from RGB and from
// Color32 (alpha ignored) equal its pixel conversion.
TEST(JpegColor, RowConversionsEqualThePlainFormulas) {
  std::vector<int32_t> y = {-131072, 131071, -114000, 114000}, cb = {131072, -131071, 114000, -114000},
                       cr = y;
  for (int v = -400; v <= 400; v += 7)
    for (int u = -300; u <= 300; u += 11)
      for (int w = -300; w <= 300; w += 13) {
        y.push_back(v);
        cb.push_back(u);
        cr.push_back(w);
      }
  const int n = int(y.size());
  std::vector<Color32> px(static_cast<size_t>(n));
  std::vector<uint8_t> rgb(size_t(n) * 3);
  yccToColor32(y.data(), cb.data(), cr.data(), n, px.data());
  yccToRgb(y.data(), cb.data(), cr.data(), n, rgb.data());
  for (int i = 0; i < n; ++i) {
    const Rgb8 p = yccToRgbPlain(y[i], cb[i], cr[i]);
    ASSERT_EQ(px[i], rgba(p.r, p.g, p.b)) << i;
    ASSERT_EQ(rgba(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]), px[i]) << i;
  }
  std::mt19937 rng(2);
  for (int i = 0; i < 3 * 1000; ++i) rgb[size_t(i)] = uint8_t(i < 24 ? (i / 3 & 1 ? 255 : 0) : rng());
  for (int i = 0; i < 1000; ++i)
    px[size_t(i)] = rgba(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2], int(rng() & 255));
  std::vector<int32_t> rows(6 * 1000);
  int32_t* r = rows.data();
  rgbRowToYcc(rgb.data(), 1000, r, r + 1000, r + 2000);
  color32RowToYcc(px.data(), 1000, r + 3000, r + 4000, r + 5000);
  for (int i = 0; i < 1000; ++i) {
    int32_t want[3];
    rgbToYcc(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2], want[0], want[1], want[2]);
    for (int k = 0; k < 6; ++k) ASSERT_EQ(r[k * 1000 + i], want[k % 3]) << i;
  }
}

}  // namespace
}  // namespace kanvo::jpeg
