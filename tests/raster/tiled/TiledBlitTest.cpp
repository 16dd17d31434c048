// Region operations of tiled images against the same operation on plain buffers holding the
// same pixels: random contents with absent, all-zero and full tiles, random rectangles that
// cross tile borders, start outside and run beyond both images, every op code of each span
// routine (and one it ignores).
#include "raster/tiled/TiledBlit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "raster/image/Rect.h"
#include "raster/span/SpanOps.h"
#include "support/TiledImages.h"

namespace kanvo {
namespace {

using test::FlatOf;

struct Coords {
  int32_t dx, dy, sx, sy, w, h;
};

std::string describe(const SpanParams& p, const Coords& c) {
  std::ostringstream out;
  out << "op " << p.op << " opacity " << int(p.opacity) << " key " << std::hex << p.key << " paint " << p.paint
      << std::dec << " dst (" << c.dx << ", " << c.dy << ") src (" << c.sx << ", " << c.sy << ") size " << c.w
      << " x " << c.h;
  return out.str();
}

int32_t randomPosition(std::mt19937& rng, int32_t size) {
  switch (rng() % 10) {
    case 0: return -int32_t(rng() % 150);
    case 1: return size + int32_t(rng() % 40) - 20;
    case 2: return (rng() & 1) ? INT32_MIN + int32_t(rng() % 100) : INT32_MAX - int32_t(rng() % 100);
    default: return int32_t(rng() % uint32_t(size + 1));
  }
}

int32_t randomExtent(std::mt19937& rng, int32_t size) {
  switch (rng() % 10) {
    case 0: return -int32_t(rng() % 3);
    case 1: return INT32_MAX - int32_t(rng() % 100);
    default: return int32_t(rng() % uint32_t(size + 100));
  }
}

Coords randomCoords(std::mt19937& rng, int32_t srcW, int32_t srcH, int32_t dstW, int32_t dstH) {
  Coords c;
  c.dx = randomPosition(rng, dstW);
  c.dy = randomPosition(rng, dstH);
  c.sx = randomPosition(rng, srcW);
  c.sy = randomPosition(rng, srcH);
  c.w = randomExtent(rng, std::max(srcW, dstW));
  c.h = randomExtent(rng, std::max(srcH, dstH));
  return c;
}

const Color32* testPalette() {
  static const std::vector<Color32> palette = [] {
    std::vector<Color32> p(256);
    for (int i = 0; i < 256; ++i) p[i] = makeColor(i, 255 - i, (i * 7) & 255, 255 - (i & 15));
    return p;
  }();
  return palette.data();
}

SpanParams randomParams(std::mt19937& rng, int32_t op) {
  static constexpr int kOpacities[] = {0, 1, 127, 128, 254, 255, 255};
  SpanParams p;
  p.op = op;
  p.opacity = uint8_t(rng() % 3 == 0 ? rng() : uint32_t(kOpacities[rng() % 7]));
  p.key = test::randomValue<32>(rng);
  if (rng() % 4 == 0) p.key = 0xFFFFFFFFu;
  p.paint = rng() % 5 == 0 ? 0 : test::randomValue<32>(rng);
  p.palette = testPalette();
  return p;
}

bool changesWhereSourceEmpty(int32_t op) { return op == 0 || op == 11 || op == 18 || op == 21; }

// Whether the tile row of y has a tile in columns max(x / 64, 0) .. min((x + w) / 64, tilesX - 1),
// from a presence map taken before the operation.
bool anyTile(const std::vector<bool>& present, int32_t tilesX, int32_t x, int32_t y, int32_t w) {
  const int32_t first = std::min(std::max(x / 64, 0), tilesX - 1);
  const int32_t last = std::min(std::max(int32_t((int64_t(x) + w) / 64), 0), tilesX - 1);
  for (int32_t t = first; t <= last; ++t)
    if (present[size_t(y / 64) * size_t(tilesX) + size_t(t)]) return true;
  return false;
}

void randomSize(std::mt19937& rng, int32_t& w, int32_t& h) {
  w = 1 + int32_t(rng() % 220);
  h = 1 + int32_t(rng() % 170);
}

// A random tiled image of either side of a blit, with its plain copy and tile presence.
template <int Bpp>
struct TiledSide {
  TiledImage<Bpp> image;
  typename FlatOf<Bpp>::Image flat;
  std::vector<bool> present;
  TiledSide(std::mt19937& rng, int32_t w, int32_t h) {
    EXPECT_TRUE(image.resize(uint32_t(w), uint32_t(h)));
    test::fillRandomTiles(image, rng);
    test::copyToFlat(image, flat);
    present = test::presence(image);
  }
};

// The tiled or plain source of a blit, with its plain copy.
template <class Source>
struct SourceSide;

template <int Bpp>
struct SourceSide<TiledImage<Bpp>> : TiledSide<Bpp> {
  using TiledSide<Bpp>::TiledSide;
  using TiledSide<Bpp>::image;
  using TiledSide<Bpp>::present;
  bool rowSkipped(int32_t op, int32_t x, int32_t y, int32_t w) const {
    return !changesWhereSourceEmpty(op) && !anyTile(present, image.tilesX(), x, y, w);
  }
};

template <class Flat>
struct PlainSourceSide {
  Flat image;
  const Flat& flat = image;
  PlainSourceSide(std::mt19937& rng, int32_t w, int32_t h) : image(w, h) {
    uint8_t* bits = image.bits();
    for (uint64_t i = 0; i < image.byteCount(); ++i) bits[i] = rng() % 4 == 0 ? 0 : uint8_t(rng());
  }
  bool rowSkipped(int32_t, int32_t, int32_t, int32_t) const { return false; }
};
template <>
struct SourceSide<Image32> : PlainSourceSide<Image32> {
  using PlainSourceSide::PlainSourceSide;
};
template <>
struct SourceSide<Image1> : PlainSourceSide<Image1> {
  using PlainSourceSide::PlainSourceSide;
};

// The destination side: a tiled image or a plain Image32.
template <class Dest>
struct DestSide;

template <int Bpp>
struct DestSide<TiledImage<Bpp>> : TiledSide<Bpp> {
  using TiledSide<Bpp>::TiledSide;
  using TiledSide<Bpp>::image;
  using TiledSide<Bpp>::flat;
  using TiledSide<Bpp>::present;
  int32_t width() const { return int32_t(image.width()); }
  int32_t height() const { return int32_t(image.height()); }
  ::testing::AssertionResult matches() const {
    auto same = test::samePixels(image, flat);
    if (!same) return same;
    return test::noZeroTilesCreated(image, present);
  }
};

template <>
struct DestSide<Image32> {
  Image32 image;
  Image32 flat;
  DestSide(std::mt19937& rng, int32_t w, int32_t h) : image(w, h), flat(w, h) {
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) image.setPixel(x, y, test::randomValue<32>(rng));
    flat.assign(image);
  }
  int32_t width() const { return image.width(); }
  int32_t height() const { return image.height(); }
  ::testing::AssertionResult matches() const {
    for (int32_t y = 0; y < image.height(); ++y)
      for (int32_t x = 0; x < image.width(); ++x)
        if (image.getPixel(x, y) != flat.getPixel(x, y))
          return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") differs";
    return ::testing::AssertionSuccess();
  }
};

template <class T>
constexpr bool kIsTiled = false;
template <int Bpp>
constexpr bool kIsTiled<TiledImage<Bpp>> = true;

// Row y of a source read as the row protocol reads it: a tiled image through readRow into
// `buffer` (indexed by its x), a plain one in place.
template <int Bpp>
const uint8_t* protocolRow(const TiledImage<Bpp>& image, std::vector<uint8_t>& buffer, int32_t x, int32_t y,
                           int32_t w) {
  buffer.assign(image.rowBufferBytes(), 0xEE);
  image.readRow(buffer.data(), x, y, w);
  return buffer.data();
}
template <class Flat>
const uint8_t* protocolRow(const Flat& image, std::vector<uint8_t>&, int32_t, int32_t y, int32_t) {
  return image.rowAddress(y);
}

// Runs `rounds` random blits per op through blit (blitMasked when Masked) and compares with `span` applied to the
// plain copies row by row (honouring the row skip rules). With a mask when Masked. A tiled
// destination is also compared, pixels and tiles, with the plain row protocol route: read the
// source and destination rows, apply the span, write the destination row back.
template <class Dest, class Source, bool Masked, class Span>
void compareBlits(uint32_t seed, std::initializer_list<int32_t> ops, Span span, int rounds = 14) {
  std::mt19937 rng(seed);
  for (int32_t op : ops) {
    for (int round = 0; round < rounds; ++round) {
      int32_t sw, sh, dw, dh;
      randomSize(rng, sw, sh);
      randomSize(rng, dw, dh);
      if (round % 4 == 0) sw = dw, sh = dh;
      DestSide<Dest> dst(rng, dw, dh);
      SourceSide<Source> src(rng, sw, sh);
      SourceSide<TiledImage8> mask(rng, Masked ? sw : 1, Masked ? sh : 1);
      const SpanParams p = randomParams(rng, op);
      const Coords c = randomCoords(rng, sw, sh, dw, dh);
      Dest viaRows;
      if constexpr (kIsTiled<Dest>) {
        ASSERT_TRUE(viaRows.assign(dst.image));
      }
      bool got;
      if constexpr (Masked)
        got = blitMasked(dst.image, p, c.dx, c.dy, src.image, mask.image, c.sx, c.sy, c.w, c.h);
      else
        got = blit(dst.image, p, c.dx, c.dy, src.image, c.sx, c.sy, c.w, c.h);

      Coords k = c;
      const bool clipped = clipBlit(sw, sh, dw, dh, k.sx, k.sy, k.w, k.h, k.dx, k.dy);
      ASSERT_EQ(got, clipped) << describe(p, c);
      std::vector<uint8_t> srcRow, maskRow, dstRow;
      for (int32_t i = 0; clipped && i < k.h; ++i) {
        const int32_t s = k.sy + i, d = k.dy + i;
        if (src.rowSkipped(op, k.sx, s, k.w)) continue;
        if constexpr (Masked) {
          if (!anyTile(mask.present, mask.image.tilesX(), k.sx, s, k.w)) continue;
          span(p, src.flat.rowAddress(s), k.sx, mask.flat.rowAddress(s), k.sx, dst.flat.rowAddress(d), k.dx, k.w);
        } else {
          span(p, src.flat.rowAddress(s), k.sx, dst.flat.rowAddress(d), k.dx, k.w);
        }
        if constexpr (kIsTiled<Dest>) {
          const uint8_t* from = protocolRow(src.image, srcRow, k.sx, s, k.w);
          dstRow.assign(viaRows.rowBufferBytes(), 0xEE);
          viaRows.readRow(dstRow.data(), k.dx, d, k.w);
          if constexpr (Masked)
            span(p, from, k.sx, protocolRow(mask.image, maskRow, k.sx, s, k.w), k.sx, dstRow.data(), k.dx, k.w);
          else
            span(p, from, k.sx, dstRow.data(), k.dx, k.w);
          viaRows.writeRow(dstRow.data(), k.dx, d, k.w);
        }
      }
      ASSERT_TRUE(dst.matches()) << describe(p, c);
      if constexpr (kIsTiled<Dest>) {
        ASSERT_EQ(test::presence(dst.image), test::presence(viaRows)) << describe(p, c);
        ASSERT_TRUE(test::samePixels(viaRows, dst.flat)) << describe(p, c);
      }
    }
  }
}

constexpr std::initializer_list<int32_t> kBlend32Ops = {0, 1, 2, 4, 5, 6, 8, 12, 13, 14, 22, 23, 11};
constexpr std::initializer_list<int32_t> kCoverageOps = {4, 12, 13, 14, 17, 18, 20, 21, 22, 23, 0};
constexpr std::initializer_list<int32_t> kBitColourOps = {0, 2, 3, 12, 13, 14, 22, 23, 4};
constexpr std::initializer_list<int32_t> kBlend8Ops = {0, 1, 2, 4, 5, 6, 7, 9, 11, 15, 3};
constexpr std::initializer_list<int32_t> kMasked8Ops = {0, 4, 15, 23, 11, 18};
constexpr std::initializer_list<int32_t> kBit1Ops = {0, 1, 2, 3, 7, 4, 11};
constexpr std::initializer_list<int32_t> kThresholdOps = {0, 2, 7, 11, 3};
constexpr std::initializer_list<int32_t> kMaskedThresholdOps = {2, 7, 0, 11};

TEST(TiledBlit, Tiled32FromTiled32) {
  compareBlits<TiledImage32, TiledImage32, false>(1, kBlend32Ops, blendSpan32);
}
TEST(TiledBlit, Tiled32FromImage32) {
  compareBlits<TiledImage32, Image32, false>(2, kBlend32Ops, blendSpan32);
}
TEST(TiledBlit, Image32FromTiled32) {
  compareBlits<Image32, TiledImage32, false>(3, kBlend32Ops, blendSpan32);
}
TEST(TiledBlit, Image32FromCoverage) {
  compareBlits<Image32, TiledImage8, false>(4, kCoverageOps, coverageSpan32);
}
TEST(TiledBlit, Image32FromBits) {
  compareBlits<Image32, TiledImage1, false>(5, kBitColourOps, bitSpan32);
}
TEST(TiledBlit, Tiled32FromCoverage) {
  compareBlits<TiledImage32, TiledImage8, false>(6, kCoverageOps, coverageSpan32);
}
TEST(TiledBlit, Tiled32FromCoverageMasked) {
  compareBlits<TiledImage32, TiledImage8, true>(7, {12, 23, 0, 4}, maskedCoverageSpan32);
}
TEST(TiledBlit, Tiled8FromTiled8) {
  compareBlits<TiledImage8, TiledImage8, false>(8, kBlend8Ops, blendSpan8);
}
TEST(TiledBlit, Tiled8FromTiled8Masked) {
  compareBlits<TiledImage8, TiledImage8, true>(9, kMasked8Ops, maskedSpan8);
}
TEST(TiledBlit, Tiled1FromTiled1) {
  compareBlits<TiledImage1, TiledImage1, false>(10, kBit1Ops, blitSpan1);
}
TEST(TiledBlit, Tiled1FromImage1) {
  compareBlits<TiledImage1, Image1, false>(11, kBit1Ops, blitSpan1);
}
TEST(TiledBlit, Tiled1FromThreshold) {
  compareBlits<TiledImage1, TiledImage8, false>(12, kThresholdOps, thresholdSpan);
}
TEST(TiledBlit, Tiled1FromThresholdMasked) {
  compareBlits<TiledImage1, TiledImage8, true>(13, kMaskedThresholdOps, maskedThresholdSpan);
}

// The same-depth blits equal the plain buffers' own blit wherever the source rows hold tiles;
// rows without source tiles are left alone by the ops that skip them.
template <int Bpp>
void compareWithPlainBlit(uint32_t seed, std::initializer_list<int32_t> ops) {
  std::mt19937 rng(seed);
  for (int32_t op : ops) {
    for (int round = 0; round < 10; ++round) {
      int32_t sw, sh, dw, dh;
      randomSize(rng, sw, sh);
      randomSize(rng, dw, dh);
      DestSide<TiledImage<Bpp>> dst(rng, dw, dh);
      SourceSide<TiledImage<Bpp>> src(rng, sw, sh);
      const SpanParams p = randomParams(rng, op);
      const Coords c = randomCoords(rng, sw, sh, dw, dh);
      const bool got = blit(dst.image, p, c.dx, c.dy, src.image, c.sx, c.sy, c.w, c.h);
      typename FlatOf<Bpp>::Image before(dw, dh);
      before.assign(dst.flat);
      EXPECT_EQ(got, dst.flat.blit(p, c.dx, c.dy, src.flat, c.sx, c.sy, c.w, c.h)) << describe(p, c);
      Coords k = c;
      if (clipBlit(sw, sh, dw, dh, k.sx, k.sy, k.w, k.h, k.dx, k.dy)) {
        for (int32_t i = 0; i < k.h; ++i)
          if (src.rowSkipped(op, k.sx, k.sy + i, k.w))
            std::copy_n(before.rowAddress(k.dy + i), before.stride(), dst.flat.rowAddress(k.dy + i));
      }
      ASSERT_TRUE(dst.matches()) << describe(p, c);
    }
  }
}

TEST(TiledBlit, SameDepthMatchesPlainBlit) {
  compareWithPlainBlit<32>(21, kBlend32Ops);
  compareWithPlainBlit<8>(22, kBlend8Ops);
  compareWithPlainBlit<1>(23, kBit1Ops);
}

// ---- fills ----

template <int Bpp, class Reference>
void compareFills(uint32_t seed, std::initializer_list<int32_t> ops, Reference reference) {
  std::mt19937 rng(seed);
  for (int32_t op : ops) {
    for (int round = 0; round < 16; ++round) {
      int32_t w, h;
      randomSize(rng, w, h);
      DestSide<TiledImage<Bpp>> dst(rng, w, h);
      SpanParams p = randomParams(rng, op);
      if (rng() % 3 == 0) p.key = 0;  // filling zero over absent tiles
      const Coords c = randomCoords(rng, w, h, w, h);
      // The plain route: read each row, fill it, write it back.
      TiledImage<Bpp> viaRows;
      ASSERT_TRUE(viaRows.assign(dst.image));
      Rect r(c.dx, c.dy, c.w, c.h);
      if (clipToSize(r, w, h)) {
        for (int32_t y = r.y; y < r.y + r.height; ++y) {
          viaRows.readRow(viaRows.rowBuffer(), r.x, y, r.width);
          TileTraits<Bpp>::fillSpan(p, viaRows.rowBuffer(), r.x, r.width);
          viaRows.writeRow(viaRows.rowBuffer(), r.x, y, r.width);
        }
      }
      const bool got = dst.image.fillRect(p, c.dx, c.dy, c.w, c.h);
      ASSERT_EQ(got, reference(dst.flat, p, c.dx, c.dy, c.w, c.h)) << describe(p, c);
      ASSERT_TRUE(dst.matches()) << describe(p, c);
      ASSERT_EQ(test::presence(dst.image), test::presence(viaRows)) << describe(p, c);
      ASSERT_TRUE(test::samePixels(viaRows, dst.flat)) << describe(p, c);
    }
  }
}

template <class Flat, class Span>
bool fillRows(Flat& flat, const SpanParams& p, int32_t x, int32_t y, int32_t w, int32_t h, Span span) {
  Rect r(x, y, w, h);
  if (!clipToSize(r, flat.width(), flat.height())) return false;
  for (int32_t i = 0; i < r.height; ++i) span(p, flat.rowAddress(r.y + i), r.x, r.width);
  return true;
}

TEST(TiledFill, ThirtyTwoBit) {
  compareFills<32>(31, {0, 1, 3, 4}, [](Image32& f, const SpanParams& p, int32_t x, int32_t y, int32_t w, int32_t h) {
    return f.fillRect(x, y, w, h, p.key, p.opacity, p.op);
  });
}
TEST(TiledFill, EightBit) {
  compareFills<8>(32, {0, 1, 2, 3, 7, 9}, [](Image8& f, const SpanParams& p, int32_t x, int32_t y, int32_t w, int32_t h) {
    return fillRows(f, p, x, y, w, h, fillSpan8);
  });
}
TEST(TiledFill, OneBit) {
  compareFills<1>(33, {0, 3, 4, 5, 6, 1}, [](Image1& f, const SpanParams& p, int32_t x, int32_t y, int32_t w, int32_t h) {
    if (p.op == 0) return f.fillRect(x, y, w, h, int(p.key & 1));
    return fillRows(f, p, x, y, w, h, fillSpan1);
  });
}

TEST(TiledFill, ZeroFillAllocatesNothing) {
  TiledImage32 image;
  ASSERT_TRUE(image.resize(500, 300));
  SpanParams p;
  p.key = 0;
  EXPECT_TRUE(image.fillRect(p, -10, -10, 1000, 1000));
  EXPECT_EQ(image.presentTileCount(), 0);
  p.key = 0x01000000u;
  EXPECT_TRUE(image.fillRect(p, 60, 60, 10, 10));  // touches tiles (0..1, 0..1)
  EXPECT_EQ(image.presentTileCount(), 4);
  EXPECT_FALSE(image.fillRect(p, 500, 0, 10, 10));
  EXPECT_FALSE(image.fillRect(p, 0, 0, 0, 10));
}

// ---- refusals and skips ----

TEST(TiledBlit, RefusesSelfAndMismatchedMask) {
  TiledImage8 a, mask;
  ASSERT_TRUE(a.resize(100, 100));
  ASSERT_TRUE(mask.resize(100, 100));
  a.setPixel(5, 5, 200);
  mask.setPixel(5, 5, 255);
  SpanParams p;
  EXPECT_FALSE(blit(a, p, 1, 1, a, 0, 0, 50, 50));
  EXPECT_FALSE(blitMasked(a, p, 1, 1, a, mask, 0, 0, 50, 50));
  EXPECT_FALSE(blitMasked(mask, p, 1, 1, a, mask, 0, 0, 50, 50));
  EXPECT_EQ(a.getPixel(6, 6), 0);
  TiledImage8 other, smallMask;
  ASSERT_TRUE(other.resize(100, 100));
  ASSERT_TRUE(smallMask.resize(99, 100));
  EXPECT_FALSE(blitMasked(other, p, 0, 0, a, smallMask, 0, 0, 100, 100));
  EXPECT_EQ(other.presentTileCount(), 0);
  // A mask that is also the source is fine.
  EXPECT_TRUE(blitMasked(other, p, 0, 0, a, a, 0, 0, 100, 100));
  EXPECT_EQ(other.getPixel(5, 5), 200 * 200 / 255);  // mix8 at weight mask x opacity / 255
  TiledImage32 c;
  ASSERT_TRUE(c.resize(10, 10));
  EXPECT_FALSE(blit(c, p, 0, 0, c, 0, 0, 10, 10));
}

TEST(TiledBlit, EmptySourceRowsSkipUnlessOpChangesThem) {
  TiledImage8 src, dst;
  ASSERT_TRUE(src.resize(128, 64));
  ASSERT_TRUE(dst.resize(128, 64));
  SpanParams fill;
  fill.key = 100;
  ASSERT_TRUE(dst.fillRect(fill, 0, 0, 128, 64));
  SpanParams p;
  p.op = kOpAnd;  // AND with an empty source would clear, but the rows are skipped
  EXPECT_TRUE(blit(dst, p, 0, 0, src, 0, 0, 128, 64));
  EXPECT_EQ(dst.getPixel(10, 10), 100);
  p.op = kOpSubtractInverse;  // 11 changes the destination where the source is empty
  EXPECT_TRUE(blit(dst, p, 0, 0, src, 0, 0, 128, 64));
  EXPECT_EQ(dst.getPixel(10, 10), 0);
  EXPECT_TRUE(dst.dropEmptyTiles());
  EXPECT_EQ(dst.presentTileCount(), 0);
  // Copy of an empty source over an empty destination allocates nothing.
  ASSERT_TRUE(copyFrom(dst, src));
  EXPECT_EQ(dst.presentTileCount(), 0);
  src.setPixel(127, 63, 9);
  ASSERT_TRUE(copyFrom(dst, src));
  EXPECT_EQ(dst.presentTileCount(), 1);
  EXPECT_EQ(dst.getPixel(127, 63), 9);
}

TEST(TiledBlit, SourceRangeReachesTheTileColumnAfterItsEnd) {
  // The tile columns of a row run from sx / 64 to (sx + width) / 64: a blit of columns 0..63
  // also looks at tile column 1, so a tile there keeps the row from being skipped.
  TiledImage8 src, dst;
  ASSERT_TRUE(src.resize(128, 64));
  ASSERT_TRUE(dst.resize(128, 64));
  SpanParams fill;
  fill.key = 100;
  ASSERT_TRUE(dst.fillRect(fill, 0, 0, 128, 64));
  src.setPixel(100, 0, 1);
  SpanParams p;
  p.op = kOpAnd;
  EXPECT_TRUE(blit(dst, p, 0, 0, src, 0, 0, 63, 64));  // columns 0..0: skipped
  EXPECT_EQ(dst.getPixel(0, 0), 100);
  EXPECT_TRUE(blit(dst, p, 0, 0, src, 0, 0, 64, 64));  // columns 0..1: applied, AND with 0
  EXPECT_EQ(dst.getPixel(0, 0), 0);
  EXPECT_EQ(dst.getPixel(64, 0), 100);
}

}  // namespace
}  // namespace kanvo
