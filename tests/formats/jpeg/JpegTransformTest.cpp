// The fixed-point transforms, the chroma enlargement, quantisation and the colour conversions:
// the fast whole-block versions equal the plain formulas. (The golden decodes and encodes and
// libjpeg's readings hold the formulas themselves.)
#include <gtest/gtest.h>

#include <random>

#include "formats/jpeg/JpegColor.h"
#include "formats/jpeg/JpegEncoder.h"
#include "formats/jpeg/JpegFdct.h"
#include "formats/jpeg/JpegIdct.h"
#include "formats/jpeg/JpegUpsample.h"

namespace kanvo::jpeg {
namespace {

// Coefficient blocks of four shapes: DC only, sparse like real data, small, full range.
void randomBlock(std::mt19937& rng, int kind, int32_t* coef) {
  std::uniform_int_distribution<int> any(-kCoefficientLimit, kCoefficientLimit), small(-60, 60), pos(0, 63);
  std::fill(coef, coef + 64, 0);
  coef[0] = kind == 0 ? any(rng) : small(rng) * 16;
  for (int n = 0; n < 6 && kind == 1; ++n) coef[pos(rng)] = small(rng) * 4;
  for (int i = 0; i < 64 && kind >= 2; ++i)
    coef[i] = kind == 2   ? small(rng)
              : rng() & 1 ? any(rng)
              : rng() & 1 ? kCoefficientLimit
                          : -kCoefficientLimit;
}

TEST(JpegIdct, WholeBlockEqualsPlainRoutine) {
  std::mt19937 rng(7);
  int32_t coef[64], a[64], b[64];
  for (int iter = 0; iter < 200000; ++iter) {
    randomBlock(rng, iter % 4, coef);
    inverseDct(coef, a, 8);
    inverseDctPlain(coef, b, 8);
    ASSERT_TRUE(std::equal(a, a + 64, b)) << "iteration " << iter;
  }
  // Every DC-only block is flat, equal to inverseDctDcOnly; rows land `stride` apart.
  int32_t out[8 * 20];
  for (int32_t dc = -kCoefficientLimit; dc <= kCoefficientLimit; ++dc) {
    int32_t dcOnly[64] = {dc};
    std::fill(out, out + 8 * 20, -999);
    inverseDct(dcOnly, out, 20);
    for (int i = 0; i < 8 * 20; ++i) ASSERT_EQ(out[i], i % 20 < 8 ? inverseDctDcOnly(dc) : -999) << dc;
  }
}

TEST(JpegFdct, WholeBlockEqualsPlainRoutine) {
  std::mt19937 rng(3);
  int32_t in[64], a[64], b[64];
  for (int iter = 0; iter < 100000; ++iter) {
    // Random blocks, with every third one a checkerboard of the extremes.
    for (int i = 0; i < 64; ++i)
      in[i] = iter % 3 == 0 ? (((i >> 3) + i) % 2 ? 127 : -128) : int(rng() % 256) - 128;
    forwardDct(in, 8, a);
    forwardDctPlain(in, b);
    ASSERT_TRUE(std::equal(a, a + 64, b)) << "iteration " << iter;
  }
}

TEST(JpegUpsample, EveryRatioEqualsThePlainFormula) {
  std::mt19937 rng(5);
  int32_t block[64], a[40 * 32], b[40 * 32];
  for (int iter = 0; iter < 16 * 500; ++iter) {
    const int rh = 1 + iter % 4, rv = 1 + iter / 4 % 4;
    for (int32_t& v : block) v = int32_t(rng() % 601) - 300;
    std::fill(a, a + 40 * 32, 77777);
    std::fill(b, b + 40 * 32, 77777);
    enlargeBlock(block, rh, rv, a, 40);
    enlargeBlockPlain(block, rh, rv, b, 40);
    ASSERT_TRUE(std::equal(a, a + 40 * 32, b)) << rh << "x" << rv;
  }
}

TEST(JpegQuantise, ReciprocalEqualsTruncatingDivision) {
  int32_t coef[64], rec[64], out[64];
  for (int32_t d = 1; d <= 255; ++d) {
    std::fill(rec, rec + 64, quantReciprocal(d));
    for (int32_t base = -4095; base <= 4095; base += 64) {
      for (int i = 0; i < 64; ++i) coef[i] = std::min(base + i, 4095);
      quantiseBlock(coef, rec, out);
      for (int i = 0; i < 64; ++i) ASSERT_EQ(out[i], coef[i] / d) << coef[i] << " / " << d;
    }
  }
}

// The decoder's row conversions (to Color32 and to RGB) equal the plain formula over a grid of
// centred samples and the extremes the coefficient limit allows.
TEST(JpegColor, DecoderRowsEqualThePlainFormula) {
  std::vector<int32_t> y = {-131072, 131071, -114000, 114000}, cb = {131072, -131071, 114000, -114000},
                       cr = y;
  for (int a = -400; a <= 400; a += 7)
    for (int b = -300; b <= 300; b += 11)
      for (int c = -300; c <= 300; c += 13) {
        y.push_back(a);
        cb.push_back(b);
        cr.push_back(c);
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
}

// The encoder's row conversions from RGB and from Color32 (alpha ignored) equal the pixel one.
TEST(JpegColor, EncoderRowsEqualThePixelConversion) {
  std::mt19937 rng(2);
  std::vector<uint8_t> rgb(3 * 1000);
  std::vector<Color32> px(1000);
  for (size_t i = 0; i < px.size(); ++i) {
    for (int k = 0; k < 3; ++k) rgb[3 * i + k] = uint8_t(i < 8 ? (i & 1 ? 255 : 0) : rng());
    px[i] = rgba(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2], int(rng() & 255));
  }
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
