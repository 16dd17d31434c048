// The fixed-point transforms, the chroma enlargement and the colour conversions: the fast
// whole-block versions equal the plain formulas, and the fixed point stays close to the exact
// real-valued transforms.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "formats/jpeg/JpegColor.h"
#include "formats/jpeg/JpegEncoder.h"
#include "formats/jpeg/JpegFdct.h"
#include "formats/jpeg/JpegIdct.h"
#include "formats/jpeg/JpegUpsample.h"

namespace kanvo::jpeg {
namespace {

double basis(int u, int x) {
  return (u == 0 ? std::sqrt(0.5) : 1.0) * std::cos((2 * x + 1) * u * M_PI / 16);
}

// Random coefficient blocks of several shapes: sparse like real data, DC only, full range.
void randomBlock(std::mt19937& rng, int kind, int32_t* coef) {
  std::uniform_int_distribution<int> any(-kCoefficientLimit, kCoefficientLimit);
  std::uniform_int_distribution<int> small(-60, 60);
  std::uniform_int_distribution<int> pos(0, 63);
  for (int i = 0; i < 64; ++i) coef[i] = 0;
  switch (kind % 4) {
    case 0: coef[0] = any(rng); break;
    case 1:
      coef[0] = small(rng) * 16;
      for (int n = 0; n < 6; ++n) coef[pos(rng)] = small(rng) * 4;
      break;
    case 2:
      for (int i = 0; i < 64; ++i) coef[i] = small(rng);
      break;
    default:
      for (int i = 0; i < 64; ++i) coef[i] = (rng() & 1) ? any(rng) : (rng() & 1 ? kCoefficientLimit : -kCoefficientLimit);
  }
}

TEST(JpegIdct, WholeBlockEqualsPlainRoutine) {
  std::mt19937 rng(7);
  int32_t coef[64], a[64], b[64];
  for (int iter = 0; iter < 200000; ++iter) {
    randomBlock(rng, iter, coef);
    inverseDct(coef, a, 8);
    inverseDctPlain(coef, b, 8);
    for (int i = 0; i < 64; ++i) ASSERT_EQ(a[i], b[i]) << "iteration " << iter << " sample " << i;
  }
}

TEST(JpegIdct, StrideAndRounding) {
  // DC 8: 4 * 8 = 32 -> 32 * 362 >> 9 = 22 -> 22 * 362 >> 9 = 15 -> 15 / 16 rounds to 1.
  int32_t coef[64] = {8};
  int32_t out[8 * 20];
  for (int32_t& v : out) v = -999;
  inverseDct(coef, out, 20);
  for (int r = 0; r < 8; ++r) {
    for (int c = 0; c < 8; ++c) EXPECT_EQ(out[r * 20 + c], 1);
    for (int c = 8; c < 20; ++c) EXPECT_EQ(out[r * 20 + c], -999);
  }
  // A DC-only block is flat: ((4 * dc * 362 >> 9) * 362 >> 9) / 16, halves away from zero.
  for (int32_t dc = -kCoefficientLimit; dc <= kCoefficientLimit; ++dc) {
    int32_t coefDc[64] = {dc};
    inverseDct(coefDc, out, 8);
    int32_t v = (((4 * dc * 362) >> 9) * 362) >> 9;
    int32_t expected = v >= 0 ? (v + 8) / 16 : -((-v + 8) / 16);
    for (int i = 0; i < 64; ++i) ASSERT_EQ(out[(i / 8) * 8 + i % 8], expected) << dc;
    ASSERT_EQ(inverseDctDcOnly(dc), expected) << dc;
  }
}

TEST(JpegIdct, CloseToTheExactTransform) {
  std::mt19937 rng(11);
  int32_t coef[64], out[64];
  int worst = 0;
  for (int iter = 0; iter < 20000; ++iter) {
    randomBlock(rng, 1 + iter % 2, coef);
    inverseDct(coef, out, 8);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) {
        double s = 0;
        for (int v = 0; v < 8; ++v)
          for (int u = 0; u < 8; ++u) s += basis(u, x) * basis(v, y) * coef[v * 8 + u];
        worst = std::max(worst, int(std::lround(std::fabs(s / 4 - out[y * 8 + x]))));
      }
  }
  EXPECT_LE(worst, 2);
}

TEST(JpegFdct, WholeBlockEqualsPlainRoutineAndIsCloseToExact) {
  std::mt19937 rng(3);
  std::uniform_int_distribution<int> sample(-128, 127);
  int32_t in[64], a[64], b[64];
  int worst = 0;
  for (int iter = 0; iter < 100000; ++iter) {
    // Random blocks, with every third one a checkerboard of the extremes.
    for (int i = 0; i < 64; ++i) in[i] = iter % 3 == 0 ? (((i >> 3) + i) % 2 ? 127 : -128) : sample(rng);
    forwardDct(in, 8, a);
    forwardDctPlain(in, b);
    for (int i = 0; i < 64; ++i) ASSERT_EQ(a[i], b[i]) << "iteration " << iter;
    if (iter < 3000) {
      for (int v = 0; v < 8; ++v)
        for (int u = 0; u < 8; ++u) {
          double s = 0;
          for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) s += basis(u, x) * basis(v, y) * in[y * 8 + x];
          worst = std::max(worst, int(std::lround(std::fabs(s / 4 - a[v * 8 + u]))));
        }
    }
  }
  EXPECT_LE(worst, 3);
}

TEST(JpegUpsample, EveryRatioEqualsThePlainFormula) {
  std::mt19937 rng(5);
  std::uniform_int_distribution<int> sample(-300, 300);
  int32_t block[64];
  for (int rh = 1; rh <= 4; ++rh) {
    for (int rv = 1; rv <= 4; ++rv) {
      for (int iter = 0; iter < 500; ++iter) {
        for (int32_t& v : block) v = sample(rng);
        int32_t a[40 * 32], b[40 * 32];
        for (int i = 0; i < 40 * 32; ++i) a[i] = b[i] = 77777;
        enlargeBlock(block, rh, rv, a, 40);
        enlargeBlockPlain(block, rh, rv, b, 40);
        for (int i = 0; i < 40 * 32; ++i) ASSERT_EQ(a[i], b[i]) << rh << "x" << rv << " at " << i;
      }
    }
  }
}

TEST(JpegUpsample, DoublingWorkedExample) {
  // Row 0 of a 2 x 2 enlargement: even columns copy, odd columns average toward zero, the last
  // column repeats the block's last sample.
  int32_t block[64] = {};
  for (int c = 0; c < 8; ++c) block[c] = c * 10 - 35;  // -35 -25 ... 35
  int32_t out[16 * 16];
  enlargeBlock(block, 2, 2, out, 16);
  EXPECT_EQ(out[0], -35);
  EXPECT_EQ(out[1], -30);
  EXPECT_EQ(out[7], 0);   // (-5 + 5) / 2
  EXPECT_EQ(out[14], 35);
  EXPECT_EQ(out[15], 35);
  EXPECT_EQ(out[16 + 0], (-35 * 8 + 0) / 16);  // row 1 mixes row 0 with row 1 (all zero)
}

TEST(JpegColor, FastConversionsEqualThePlainFormula) {
  std::vector<int32_t> y, cb, cr;
  for (int a = -400; a <= 400; a += 7)
    for (int b = -300; b <= 300; b += 11)
      for (int c = -300; c <= 300; c += 13) {
        y.push_back(a);
        cb.push_back(b);
        cr.push_back(c);
      }
  // The extremes the coefficient limit allows.
  for (int32_t e : {-131072, 131071, -114000, 114000}) {
    y.push_back(e);
    cb.push_back(-e);
    cr.push_back(e);
  }
  const int n = int(y.size());
  std::vector<Color32> px(static_cast<size_t>(n));
  std::vector<uint8_t> rgb(static_cast<size_t>(n) * 3);
  yccToColor32(y.data(), cb.data(), cr.data(), n, px.data());
  yccToRgb(y.data(), cb.data(), cr.data(), n, rgb.data());
  for (int i = 0; i < n; ++i) {
    Rgb8 p = yccToRgbPlain(y[i], cb[i], cr[i]);
    ASSERT_EQ(px[i], rgba(p.r, p.g, p.b)) << i;
    ASSERT_EQ(rgb[3 * i], p.r);
    ASSERT_EQ(rgb[3 * i + 1], p.g);
    ASSERT_EQ(rgb[3 * i + 2], p.b);
  }
}

TEST(JpegColor, WorkedValues) {
  // Y 10, Cr -1: (40960 - 5742) / 4096 = 8.6 -> 8, + 128.
  Rgb8 p = yccToRgbPlain(10, 0, -1);
  EXPECT_EQ(p.r, 136);
  // Negative sums truncate toward zero: Y -10, Cr 1 -> (-40960 + 5742) / 4096 = -8.6 -> -8.
  EXPECT_EQ(yccToRgbPlain(-10, 0, 1).r, 120);
  EXPECT_EQ(yccToRgbPlain(0, 0, 0).g, 128);
  EXPECT_EQ(yccToRgbPlain(200, 0, 0).b, 255);
  EXPECT_EQ(yccToRgbPlain(-200, 0, 0).b, 0);
  // G uses 1409 for Cb: (-1409 * 100) / 4096 = -34.4 -> -34.
  EXPECT_EQ(yccToRgbPlain(0, 100, 0).g, 94);

  int32_t Y, Cb, Cr;
  rgbToYcc(255, 255, 255, Y, Cb, Cr);  // 127 * 4094 >> 12 = 126
  EXPECT_EQ(Y, 126);
  EXPECT_EQ(Cb, 0);
  EXPECT_EQ(Cr, 0);
  rgbToYcc(0, 0, 0, Y, Cb, Cr);  // -128 * 4094 >> 12 = -127.9 -> -128
  EXPECT_EQ(Y, -128);
  EXPECT_EQ(Cb, -1);  // -128 * (2048 - 1356 - 691) = -128, >> 12 = -1
  EXPECT_EQ(Cr, -1);  // -128 * (2048 - 1714 - 333) = -128, >> 12 = -1
}

TEST(JpegQuantise, ReciprocalEqualsTruncatingDivision) {
  int32_t coef[64], rec[64], out[64];
  for (int32_t d = 1; d <= 255; ++d) {
    for (int i = 0; i < 64; ++i) rec[i] = quantReciprocal(d);
    for (int32_t base = -4095; base <= 4095; base += 64) {
      for (int i = 0; i < 64; ++i) coef[i] = std::min(base + i, 4095);
      quantiseBlock(coef, rec, out);
      for (int i = 0; i < 64; ++i) ASSERT_EQ(out[i], coef[i] / d) << coef[i] << " / " << d;
    }
  }
}

TEST(JpegColor, EncoderRowsEqualThePixelFormula) {
  std::mt19937 rng(2);
  std::vector<uint8_t> rgb(3 * 1000);
  std::vector<Color32> px(1000);
  for (size_t i = 0; i < px.size(); ++i) {
    for (int k = 0; k < 3; ++k) rgb[3 * i + k] = uint8_t(i < 8 ? (i & 1 ? 255 : 0) : rng());
    px[i] = rgba(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2], int(rng() & 255));
  }
  std::vector<int32_t> y(1000), cb(1000), cr(1000), y2(1000), cb2(1000), cr2(1000);
  rgbRowToYcc(rgb.data(), 1000, y.data(), cb.data(), cr.data());
  color32RowToYcc(px.data(), 1000, y2.data(), cb2.data(), cr2.data());
  for (int i = 0; i < 1000; ++i) {
    int r = rgb[3 * i] - 128, g = rgb[3 * i + 1] - 128, b = rgb[3 * i + 2] - 128;
    ASSERT_EQ(y[i], (1224 * r + 2404 * g + 466 * b) >> 12);
    ASSERT_EQ(cb[i], (2048 * b - 1356 * g - 691 * r) >> 12);
    ASSERT_EQ(cr[i], (2048 * r - 1714 * g - 333 * b) >> 12);
    ASSERT_EQ(y2[i], y[i]);
    ASSERT_EQ(cb2[i], cb[i]);
    ASSERT_EQ(cr2[i], cr[i]);
  }
}

}  // namespace
}  // namespace kanvo::jpeg
