// The 8-bit destination spans (blend, masked, fill) against plain per-byte references.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "raster/span/SpanOps.h"
#include "support/SpanRows.h"

namespace kanvo {
namespace {

using test::rowMatches;

// d moved towards v at weight k / 255; k = 0 and k = 255 are exact.
int mix(int d, int v, int k) {
  return k == 0 ? d : k == 255 ? v : ((255 - k) * d + v * k) / 255;
}

int refBlend8(int op, int d, int s, int w, int key, int v) {
  if (op == 0) return s;
  if (op == 1) return d & s;
  if (op == 2) return d | s;
  if (op == 4 || (op == 5 && s != key)) return mix(d, s, w);
  if (op == 6) return std::min(d + s * w / 255, 255);
  if (op == 7 || op == 11) return std::max(d - (op == 7 ? s : 255 - s) * w / 255, 0);
  if (op == 9) return (d + s * w / 255) % 256;
  if (op == 15 && s != 0)
    return s == 255 && w == 255 ? v : ((255 - s * w / 255) * d + v * (s * w / 255)) / 255;
  return d;
}

TEST(BlendSpan8, EveryOpMatchesReference) {
  test::RowMaker make(41);
  for (int op : {0, 1, 2, 4, 5, 6, 7, 9, 11, 15, 3, 8, 23})
    for (int w : test::kOpacities) {
      const auto src = make.bytes(300), dst = make.bytes(300);
      SpanParams p;
      p.op = op;
      p.opacity = uint8_t(w);
      p.key = src[10] | 0x100u;  // only the low byte is the key
      p.paint = uint32_t(make.byte()) | 0x3300u;
      std::vector<uint8_t> got = dst;
      blendSpan8(p, src.data(), 4, got.data(), 2, 290);
      ASSERT_TRUE(rowMatches(got, dst, 2, 290,
                             [&](int i) {
                               return refBlend8(op, dst[size_t(2 + i)], src[size_t(4 + i)], w, src[10],
                                                p.paint & 255);
                             }))
          << "op " << op << " opacity " << w;
    }
}

int refMasked8(int op, int d, int s, int m, int w, int v) {
  if (op == 0 || op == 4 || op == 23) return mix(d, s, m * w / 255);
  if (op != 15 || w == 0 || s == 0 || m == 0) return d;
  int k = s;
  if (w < 255) k = k * w / 255;
  if (m < 255) k = k * m / 255;
  return s == 255 && k == 255 ? v : ((255 - k) * d + v * k) / 255;
}

TEST(MaskedSpan8, EveryOpMatchesReference) {
  test::RowMaker make(43);
  for (int op : {0, 4, 23, 15, 6, 12})
    for (int w : test::kOpacities) {
      const auto src = make.bytes(100), mask = make.bytes(100), dst = make.bytes(100);
      SpanParams p;
      p.op = op;
      p.opacity = uint8_t(w);
      p.paint = uint32_t(make.byte());
      std::vector<uint8_t> got = dst;
      maskedSpan8(p, src.data(), 1, mask.data(), 3, got.data(), 0, 97);
      ASSERT_TRUE(rowMatches(got, dst, 0, 97,
                             [&](int i) {
                               return refMasked8(op, dst[size_t(i)], src[size_t(i + 1)], mask[size_t(i + 3)],
                                                 w, int(p.paint));
                             }))
          << "op " << op << " opacity " << w;
    }
}

TEST(FillSpan8, EveryOpMatchesReference) {
  test::RowMaker make(47);
  for (int op : {0, 1, 2, 3, 7, 4, 6})
    for (int w : test::kOpacities) {
      const auto dst = make.bytes(50);
      SpanParams p;
      p.op = op;
      p.opacity = uint8_t(w);
      p.key = uint32_t(make.byte()) | 0xAB00u;
      const int v = int(p.key & 255);
      std::vector<uint8_t> got = dst;
      fillSpan8(p, got.data(), 5, 40);
      ASSERT_TRUE(rowMatches(got, dst, 5, 40,
                             [&](int i) {
                               const int d = dst[size_t(5 + i)];
                               if (op >= 1 && op <= 3) return (v * w + d * (255 - w)) / 255;
                               return op == 0            ? v
                                      : op == 7 && v > d ? ((255 - w) * d + v * w) / 255
                                                         : d;  // 7: lighten
                             }))
          << op << " " << w;
    }
}

}  // namespace
}  // namespace kanvo
