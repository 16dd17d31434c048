// The fixed-point transforms, the chroma enlargement, quantisation and the colour conversions:
// the fast whole-block versions equal the plain formulas, and the fixed point stays close to
// the exact real-valued transforms.
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

// The exact 2-D transform of a block, scaled as the fixed-point ones are (forward: samples to
// coefficients; inverse: coefficients to samples).
double exactDct(const int32_t* in, int u, int v, bool inverse) {
  double s = 0;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      s += inverse ? basis(x, u) * basis(y, v) * in[y * 8 + x] : basis(u, x) * basis(v, y) * in[y * 8 + x];
  return s / 4;
}

// Random coefficient blocks of several shapes: sparse like real data, DC only, full range.
void randomBlock(std::mt19937& rng, int kind, int32_t* coef) {
  std::uniform_int_distribution<int> any(-kCoefficientLimit, kCoefficientLimit), small(-60, 60), pos(0, 63);
  std::fill(coef, coef + 64, 0);
  if (kind % 4 == 0) coef[0] = any(rng);
  if (kind % 4 == 1) {
    coef[0] = small(rng) * 16;
    for (int n = 0; n < 6; ++n) coef[pos(rng)] = small(rng) * 4;
  }
  for (int i = 0; i < 64 && kind % 4 == 2; ++i) coef[i] = small(rng);
  for (int i = 0; i < 64 && kind % 4 == 3; ++i)
    coef[i] = (rng() & 1) ? any(rng) : (rng() & 1 ? kCoefficientLimit : -kCoefficientLimit);
}

TEST(JpegIdct, WholeBlockEqualsPlainRoutineAndIsCloseToExact) {
  std::mt19937 rng(7);
  int32_t coef[64], a[64], b[64];
  int worst = 0;
  for (int iter = 0; iter < 200000; ++iter) {
    randomBlock(rng, iter, coef);
    inverseDct(coef, a, 8);
    inverseDctPlain(coef, b, 8);
    for (int i = 0; i < 64; ++i) ASSERT_EQ(a[i], b[i]) << "iteration " << iter << " sample " << i;
    const bool sparseOrSmall = iter % 4 == 1 || iter % 4 == 2;
    for (int i = 0; i < 64 && sparseOrSmall && iter < 40000; ++i)
      worst = std::max(worst, int(std::lround(std::fabs(exactDct(coef, i % 8, i / 8, true) - a[i]))));
  }
  EXPECT_LE(worst, 2);
}

// Every DC-only block is flat, equal to inverseDctDcOnly; the samples land `stride` apart.
TEST(JpegIdct, DcOnlyBlocksAndStride) {
  int32_t out[8 * 20];
  for (int32_t dc = -kCoefficientLimit; dc <= kCoefficientLimit; ++dc) {
    int32_t coef[64] = {dc};
    std::fill(out, out + 8 * 20, -999);
    inverseDct(coef, out, 20);
    for (int i = 0; i < 8 * 20; ++i) ASSERT_EQ(out[i], i % 20 < 8 ? inverseDctDcOnly(dc) : -999) << dc;
  }
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
    for (int i = 0; i < 64 && iter < 3000; ++i)
      worst = std::max(worst, int(std::lround(std::fabs(exactDct(in, i % 8, i / 8, false) - a[i]))));
  }
  EXPECT_LE(worst, 3);
}

TEST(JpegUpsample, EveryRatioEqualsThePlainFormula) {
  std::mt19937 rng(5);
  std::uniform_int_distribution<int> sample(-300, 300);
  int32_t block[64], a[40 * 32], b[40 * 32];
  for (int rh = 1; rh <= 4; ++rh)
    for (int rv = 1; rv <= 4; ++rv)
      for (int iter = 0; iter < 500; ++iter) {
        for (int32_t& v : block) v = sample(rng);
        std::fill(a, a + 40 * 32, 77777);
        std::fill(b, b + 40 * 32, 77777);
        enlargeBlock(block, rh, rv, a, 40);
        enlargeBlockPlain(block, rh, rv, b, 40);
        for (int i = 0; i < 40 * 32; ++i) ASSERT_EQ(a[i], b[i]) << rh << "x" << rv << " at " << i;
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

TEST(JpegColor, DecoderRowsEqualThePlainFormula) {
  std::vector<int32_t> y, cb, cr;
  for (int a = -400; a <= 400; a += 7)
    for (int b = -300; b <= 300; b += 11)
      for (int c = -300; c <= 300; c += 13) {
        y.push_back(a);
        cb.push_back(b);
        cr.push_back(c);
      }
  for (int32_t e : {-131072, 131071, -114000, 114000}) {  // the extremes the coefficient limit allows
    y.push_back(e);
    cb.push_back(-e);
    cr.push_back(e);
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

TEST(JpegColor, EncoderRowsEqualThePixelConversion) {
  std::mt19937 rng(2);
  std::vector<uint8_t> rgb(3 * 1000);
  std::vector<Color32> px(1000);
  for (size_t i = 0; i < px.size(); ++i) {
    for (int k = 0; k < 3; ++k) rgb[3 * i + k] = uint8_t(i < 8 ? (i & 1 ? 255 : 0) : rng());
    px[i] = rgba(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2], int(rng() & 255));
  }
  std::vector<int32_t> row[2][3];
  for (auto& r : row)
    for (auto& c : r) c.resize(1000);
  rgbRowToYcc(rgb.data(), 1000, row[0][0].data(), row[0][1].data(), row[0][2].data());
  color32RowToYcc(px.data(), 1000, row[1][0].data(), row[1][1].data(), row[1][2].data());
  for (int i = 0; i < 1000; ++i) {
    int32_t want[3];
    rgbToYcc(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2], want[0], want[1], want[2]);
    for (int k = 0; k < 3; ++k) {
      ASSERT_EQ(row[0][k][i], want[k]) << i;
      ASSERT_EQ(row[1][k][i], want[k]) << i;
    }
  }
}

}  // namespace
}  // namespace kanvo::jpeg
