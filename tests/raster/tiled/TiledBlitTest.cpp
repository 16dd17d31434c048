// Region operations of tiled images against the span routine applied row by row to plain
// buffers holding the same pixels: random contents with absent, all-zero and full tiles,
// random rectangles that cross tile borders, start outside and run beyond both images, every
// op code of each span routine (and one it ignores).
#include "raster/tiled/TiledBlit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <random>
#include <type_traits>
#include <vector>

#include "raster/image/Rect.h"
#include "raster/span/SpanFast32.h"
#include "raster/span/SpanOps.h"
#include "support/SpanRows.h"
#include "support/TiledImages.h"

namespace kanvo {
namespace {

using test::FlatOf;

struct Coords {
  int32_t dx, dy, sx, sy, w, h;
};

// A position or extent, sometimes outside the image, sometimes at the ends of the 32-bit range.
int32_t randomPosition(std::mt19937& rng, int32_t size) {
  const uint32_t kind = rng() % 10;
  if (kind == 0) return -int32_t(rng() % 150);
  if (kind == 1) return size + int32_t(rng() % 40) - 20;
  if (kind == 2) return rng() & 1 ? INT32_MIN + int32_t(rng() % 100) : INT32_MAX - int32_t(rng() % 100);
  return int32_t(rng() % uint32_t(size + 1));
}
int32_t randomExtent(std::mt19937& rng, int32_t size) {
  const uint32_t kind = rng() % 10;
  return kind == 0   ? -int32_t(rng() % 3)
         : kind == 1 ? INT32_MAX - int32_t(rng() % 100)
                     : int32_t(rng() % uint32_t(size + 100));
}

SpanParams randomParams(std::mt19937& rng, int32_t op, const Color32* palette) {
  static constexpr int kOpacities[] = {0, 1, 127, 128, 254, 255, 255};
  SpanParams p;
  p.op = op;
  p.opacity = uint8_t(rng() % 3 == 0 ? rng() : uint32_t(kOpacities[rng() % 7]));
  p.key = rng() % 4 == 0 ? 0xFFFFFFFFu : test::randomValue<32>(rng);
  p.paint = rng() % 5 == 0 ? 0 : test::randomValue<32>(rng);
  p.palette = palette;
  return p;
}

// Whether the tile row of y has a tile in columns max(x / 64, 0) .. min((x + w) / 64, tilesX - 1),
// from a presence map taken before the operation.
bool anyTile(const std::vector<bool>& present, int32_t tilesX, int32_t x, int32_t y, int32_t w) {
  const int32_t first = std::min(std::max(x / 64, 0), tilesX - 1);
  const int32_t last = std::min(std::max(int32_t((int64_t(x) + w) / 64), 0), tilesX - 1);
  for (int32_t t = first; t <= last; ++t)
    if (present[size_t(y / 64) * size_t(tilesX) + size_t(t)]) return true;
  return false;
}

// One side of a blit: a random plain buffer (never skipped) or a random tiled image with its
// tile presence, and a plain copy of it.
template <class Image>
struct Side {
  Image image, flat;
  Side(std::mt19937& rng, int32_t w, int32_t h) : image(w, h) {
    if constexpr (std::is_same_v<Image, Image32>) {  // rich in alpha 0 and 255
      for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) image.setPixel(x, y, test::randomValue<32>(rng));
    } else {
      test::fillRandomBytes(image, rng);
    }
    flat.assign(image);
  }
  bool rowSkipped(int32_t, int32_t, int32_t, int32_t) const { return false; }
  ::testing::AssertionResult matches() const {
    if (test::pixelsOf(image) == test::pixelsOf(flat)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixels differ";
  }
};
template <int Bpp>
struct Side<TiledImage<Bpp>> {
  TiledImage<Bpp> image;
  typename FlatOf<Bpp>::Image flat;
  std::vector<bool> present;
  Side(std::mt19937& rng, int32_t w, int32_t h) {
    EXPECT_TRUE(image.resize(uint32_t(w), uint32_t(h)));
    test::fillRandomTiles(image, rng);
    test::copyToFlat(image, flat);
    present = test::presence(image);
  }
  // Rows of a tiled source without tiles are skipped unless the op changes them.
  bool rowSkipped(int32_t op, int32_t x, int32_t y, int32_t w) const {
    return !opChangesWhereSourceEmpty(op) && !anyTile(present, image.tilesX(), x, y, w);
  }
  ::testing::AssertionResult matches() const {
    auto same = test::samePixels(image, flat);
    return same ? test::noZeroTilesCreated(image, present) : same;
  }
};

// Runs `rounds` random blits per op through blit (blitMasked when Masked) and compares with
// `span` applied row by row to the plain copies, honouring the row skip rules.
template <class Dest, class Source, bool Masked, class Span>
void compareBlits(uint32_t seed, std::initializer_list<int32_t> ops, Span span) {
  std::mt19937 rng(seed);
  std::vector<Color32> palette(256);
  for (Color32& c : palette) c = test::randomValue<32>(rng);
  // The rounds with whole images walk the destination's tile-grid phases that take different
  // paths (0, 1, 63 and 29 pixels past the source's, on each axis, left or right of the origin).
  constexpr int32_t kPhases[] = {0, 1, 63, 29}, kWhole = 136;
  int32_t phase = 0;
  for (int32_t op : ops) {
    for (int round = 0; round < 14; ++round) {
      int32_t sw = 1 + int32_t(rng() % 220), sh = 1 + int32_t(rng() % 170);
      int32_t dw = 1 + int32_t(rng() % 220), dh = 1 + int32_t(rng() % 170);
      if (round % 4 == 0) sw = dw, sh = dh;
      if (round % 2 == 1) sw = sh = dw = dh = kWhole;
      Side<Dest> dst(rng, dw, dh);
      Side<Source> src(rng, sw, sh);
      Side<TiledImage8> mask(rng, Masked ? sw : 1, Masked ? sh : 1);
      const SpanParams p = randomParams(rng, op, palette.data());
      Coords c = {randomPosition(rng, dw),
                  randomPosition(rng, dh),
                  randomPosition(rng, sw),
                  randomPosition(rng, sh),
                  randomExtent(rng, std::max(sw, dw)),
                  randomExtent(rng, std::max(sh, dh))};
      if (round % 2 == 1) {
        const int32_t sx = int32_t(rng() % 64), sy = int32_t(rng() % 64);
        const int32_t px = kPhases[phase % 4], py = kPhases[phase / 4 % 4];
        phase++;
        c = {sx + px - 64 * int32_t(rng() % 2), sy + py - 64 * int32_t(rng() % 2), sx, sy, kWhole, kWhole};
      }
      SCOPED_TRACE(::testing::Message()
                   << "op " << op << " opacity " << int(p.opacity) << " dst (" << c.dx << ", " << c.dy
                   << ") src (" << c.sx << ", " << c.sy << ") size " << c.w << " x " << c.h);
      bool got;
      if constexpr (Masked)
        got = blitMasked(dst.image, p, c.dx, c.dy, src.image, mask.image, c.sx, c.sy, c.w, c.h);
      else
        got = blit(dst.image, p, c.dx, c.dy, src.image, c.sx, c.sy, c.w, c.h);
      Coords k = c;
      const bool clipped = clipBlit(sw, sh, dw, dh, k.sx, k.sy, k.w, k.h, k.dx, k.dy);
      ASSERT_EQ(got, clipped);
      for (int32_t i = 0; clipped && i < k.h; ++i) {
        const int32_t s = k.sy + i, d = k.dy + i;
        if (src.rowSkipped(op, k.sx, s, k.w)) continue;
        if constexpr (Masked) {
          if (!anyTile(mask.present, mask.image.tilesX(), k.sx, s, k.w)) continue;
          span(p, src.flat.rowAddress(s), k.sx, mask.flat.rowAddress(s), k.sx, dst.flat.rowAddress(d), k.dx,
               k.w);
        } else {
          span(p, src.flat.rowAddress(s), k.sx, dst.flat.rowAddress(d), k.dx, k.w);
        }
      }
      ASSERT_TRUE(dst.matches());
    }
  }
}

constexpr std::initializer_list<int32_t> kBlend32Ops = {0, 1, 2, 4, 5, 6, 8, 12, 13, 14, 22, 23, 11};
constexpr std::initializer_list<int32_t> kCoverageOps = {4, 12, 13, 14, 17, 18, 20, 21, 22, 23, 0};
constexpr std::initializer_list<int32_t> kBit1Ops = {0, 1, 2, 3, 7, 4, 11};

TEST(TiledBlit, ThirtyTwoBitDestinations) {
  compareBlits<TiledImage32, TiledImage32, false>(1, kBlend32Ops, blendSpan32);
  compareBlits<TiledImage32, Image32, false>(2, kBlend32Ops, blendSpan32);
  compareBlits<Image32, TiledImage32, false>(3, kBlend32Ops, blendSpan32);
}
TEST(TiledBlit, ThirtyTwoBitFromCoverageAndBits) {
  compareBlits<Image32, TiledImage8, false>(4, kCoverageOps, coverageSpan32);
  compareBlits<Image32, TiledImage1, false>(5, {0, 2, 3, 12, 13, 14, 22, 23, 4}, bitSpan32);
  compareBlits<TiledImage32, TiledImage8, false>(6, kCoverageOps, coverageSpan32);
  compareBlits<TiledImage32, TiledImage8, true>(7, {12, 23, 0, 4}, maskedCoverageSpan32);
}
TEST(TiledBlit, EightBitDestinations) {
  compareBlits<TiledImage8, TiledImage8, false>(8, {0, 1, 2, 4, 5, 6, 7, 9, 11, 15, 3}, blendSpan8);
  compareBlits<TiledImage8, TiledImage8, true>(9, {0, 4, 15, 23, 11, 18}, maskedSpan8);
}
TEST(TiledBlit, OneBitDestinations) {
  compareBlits<TiledImage1, TiledImage1, false>(10, kBit1Ops, blitSpan1);
  compareBlits<TiledImage1, Image1, false>(11, kBit1Ops, blitSpan1);
  compareBlits<TiledImage1, TiledImage8, false>(12, {0, 2, 7, 11, 3}, thresholdSpan);
  compareBlits<TiledImage1, TiledImage8, true>(13, {2, 7, 0, 11}, maskedThresholdSpan);
}

// Rows joined from two at every shift, through blendSpan32Joined and each fast form, against
// blendSpan32 on each row's two parts.
TEST(TiledBlit, JoinedRowsMatchTheSpanOnBothParts) {
  test::RowMaker make(21);
  constexpr int32_t kRows = 3, kStride = 4 * 64 + 12;
  for (int32_t count : {64, 40})
    for (int32_t shift = 0; shift < count; ++shift)
      for (int op : {kOpOver, kOpReplaceColour, kOpMultiply}) {
        const auto left = test::toBytes(make.pixels(kRows * kStride / 4));
        const auto right = test::toBytes(make.pixels(kRows * kStride / 4));
        const auto dst = test::toBytes(make.pixels(kRows * kStride / 4));
        const SpanParams p = {op, uint8_t(test::kOpacities[make.rng()() % 9])};
        auto expected = dst;
        for (size_t at = 0; at < size_t(kRows * kStride); at += kStride) {
          blendSpan32(p, left.data() + at, shift, expected.data() + at, 0, count - shift);
          blendSpan32(p, right.data() + at, 0, expected.data() + at, count - shift, shift);
        }
        const JoinedRows rows = {left.data(), right.data(), shift, count, kRows, kStride};
        const auto onDst = [&dst](auto apply) {
          auto got = dst;
          apply(got.data());
          return got;
        };
        ASSERT_EQ(onDst([&](uint8_t* d) { blendSpan32Joined(p, rows, d); }), expected)
            << op << " shift " << shift << " count " << count;
        if (op == kOpMultiply || p.opacity == 0 || count % span_detail::kJoinedMultiple != 0) continue;
        for (const auto& form : span_detail::fastRowForms()) {
          const auto fast = op == kOpOver ? form.overRows : form.replaceColourRows;
          ASSERT_EQ(onDst([&](uint8_t* d) { fast(rows, d, p.opacity); }), expected) << op << " shift " << shift;
        }
      }
}

TEST(TiledBlit, RefusesSelfAndMismatchedMask) {
  TiledImage8 a, mask, other, smallMask;
  for (auto* i : {&a, &mask, &other}) ASSERT_TRUE(i->resize(100, 100));
  ASSERT_TRUE(smallMask.resize(99, 100));
  a.setPixel(5, 5, 200);
  mask.setPixel(5, 5, 255);
  SpanParams p;
  EXPECT_FALSE(blit(a, p, 1, 1, a, 0, 0, 50, 50));
  EXPECT_FALSE(blitMasked(a, p, 1, 1, a, mask, 0, 0, 50, 50));
  EXPECT_FALSE(blitMasked(mask, p, 1, 1, a, mask, 0, 0, 50, 50));
  EXPECT_EQ(a.getPixel(6, 6), 0);
  EXPECT_FALSE(blitMasked(other, p, 0, 0, a, smallMask, 0, 0, 100, 100));
  EXPECT_EQ(other.presentTileCount(), 0);
  EXPECT_TRUE(blitMasked(other, p, 0, 0, a, a, 0, 0, 100, 100));  // a mask that is also the source
  EXPECT_EQ(other.getPixel(5, 5), 200 * 200 / 255);               // mix8 at weight mask x opacity / 255
  TiledImage32 c;
  ASSERT_TRUE(c.resize(10, 10));
  EXPECT_FALSE(blit(c, p, 0, 0, c, 0, 0, 10, 10));
}

}  // namespace
}  // namespace kanvo
