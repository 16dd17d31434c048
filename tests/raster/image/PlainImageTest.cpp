// The rules every plain image buffer shares through PixelStore, run on each depth (Image32 and
// the display's DibImage, Image8, Image1): the byte layout and the resize rule, coordinates
// outside, sizes that cannot be had, blits clipped against both buffers (within one buffer too);
// then what DibImage, Image8 and Image1 add (Image32's own are in Image32Test). Uniformity is
// asked of tiles, whose reduced images the view and pyramid tests compare.
#include "raster/image/PixelStore.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "raster/image/DibImage.h"
#include "raster/image/Image1.h"
#include "raster/image/Image32.h"
#include "raster/image/Image8.h"
#include "raster/pixel/PixelOps.h"
#include "support/PixelReference.h"
#include "support/RandomImages.h"

namespace kanvo {
namespace {

using test::fillRandomBytes;
using test::pixelsOf;
using test::randomIn;

// What differs between the depths: the layout of pixel (x, y), the resize call, a value with
// ink in it and the blit ops with their per-pixel effect.
template <class Image>
struct Depth;
template <>
struct Depth<Image32> {
  static Color32 at(const Image32& i, int32_t x, int32_t y) {
    const uint8_t* p = i.bits() + size_t(x + i.width() * y) * 4;
    return makeColor(p[0], p[1], p[2], p[3]);
  }
  static bool resize(Image32& i, int32_t w, int32_t h) { return i.resizeBuffer(w, h); }
  static void release(Image32& i) { i.releasePixels(); }
  static constexpr Color32 kInk = 0x01000000u;
  static constexpr int32_t kOps[] = {kOpCopy, kOpBlend};
  static Color32 blit(int32_t op, int w, Color32 d, Color32 s) {
    return op ? test::applied(blendRgb, d, s, w) : s;
  }
};
template <>
struct Depth<DibImage> : Depth<Image32> {};
template <>
struct Depth<Image8> {
  static uint8_t at(const Image8& i, int32_t x, int32_t y) { return i.bits()[x + i.width() * y]; }
  static bool resize(Image8& i, int32_t w, int32_t h) { return i.resize(w, h); }
  static void release(Image8& i) { i.release(); }
  static constexpr uint8_t kInk = 1;
  static constexpr int32_t kOps[] = {kOpCopy, kOpBlend};
  static uint8_t blit(int32_t op, int w, uint8_t d, uint8_t s) {
    if (op) mix8(d, s, w);
    return op ? d : s;
  }
};
template <>
struct Depth<Image1> {
  static int at(const Image1& i, int32_t x, int32_t y) {
    return i.bits()[y * ((i.width() + 7) / 8) + x / 8] >> (x % 8) & 1;
  }
  static bool resize(Image1& i, int32_t w, int32_t h) { return i.resize(w, h); }
  static void release(Image1& i) { i.release(); }
  static constexpr int kInk = 1;
  static constexpr int32_t kOps[] = {kOpCopy, kOpAnd, kOpOr, 3, kOpSubtract, kOpBlend};
  static int blit(int32_t op, int, int d, int s) {
    return op == 0 ? s : op == 1 ? d & s : op == 2 ? d | s : op == 3 ? d ^ s : op == 7 ? d & !s : d;
  }
};

template <class Image>
class PlainImage : public ::testing::Test {};
using PlainImages = ::testing::Types<Image32, DibImage, Image8, Image1>;
TYPED_TEST_SUITE(PlainImage, PlainImages);

TYPED_TEST(PlainImage, LayoutCoordinatesOutsideAndResizeRule) {
  using D = Depth<TypeParam>;
  std::mt19937 rng(5);
  TypeParam image(13, 3);
  fillRandomBytes(image, rng);
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 13; ++x) ASSERT_EQ(image.getPixel(x, y), D::at(image, x, y)) << x << "," << y;
  EXPECT_EQ(image.rowAddress(2), image.bits() + 2 * image.stride());
  EXPECT_TRUE(image.rowAddress(-1) == nullptr && image.rowAddress(3) == nullptr);
  // Coordinates outside (compared as unsigned values) read 0 and change nothing.
  auto before = pixelsOf(image);
  for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {13, 0}, {0, 3}, {INT32_MIN, 1}, {1, INT32_MAX}}) {
    EXPECT_EQ(image.getPixel(x, y), 0) << x << "," << y;
    image.setPixel(x, y, D::kInk);
  }
  EXPECT_EQ(pixelsOf(image), before);
  // The same size keeps the pixels; sizes below 1 count as 1.
  const uint8_t* bits = image.bits();
  EXPECT_TRUE(D::resize(image, 13, 3));
  EXPECT_EQ(image.bits(), bits);
  EXPECT_EQ(pixelsOf(image), before);
  EXPECT_TRUE(D::resize(image, -4, 7) && image.width() == 1 && image.height() == 7);
}

TYPED_TEST(PlainImage, SizesThatCannotBeHadLeaveASafeEmptyBuffer) {
  using D = Depth<TypeParam>;
  std::vector<std::pair<int32_t, int32_t>> sizes = {
      {INT32_MAX, INT32_MAX}, {1 << 28, 1 << 10}, {1 << 20, 1 << 18}};
  if constexpr (std::is_same_v<TypeParam, Image32>)
    sizes.insert(sizes.end(), {{1 << 30, 1}, {1 << 29, 9}, {INT32_MAX, 1}});
  for (auto [w, h] : sizes) {
    TypeParam image(8, 8), other(4, 4);
    image.fill(D::kInk);
    other.fill(D::kInk);
    EXPECT_FALSE(D::resize(image, w, h)) << w << "x" << h;
    EXPECT_TRUE(!image.hasPixels() && image.rowAddress(0) == nullptr && image.byteCount() == 0);
    // Every operation is a harmless no-op.
    image.setPixel(0, 0, D::kInk);
    image.fill(D::kInk);
    EXPECT_EQ(image.getPixel(0, 0), 0);
    SpanParams params;
    EXPECT_FALSE(image.blit(params, 0, 0, other, 0, 0, 4, 4));
    EXPECT_FALSE(other.blit(params, 0, 0, image, 0, 0, 4, 4));
    EXPECT_FALSE(image.copyFrom(other));
    EXPECT_FALSE(other.copyFrom(image));
    EXPECT_FALSE(other.assign(image));
    EXPECT_TRUE(other.isUniform() && !image.isUniform());
    // The buffer can be used again.
    EXPECT_TRUE(D::resize(image, 2, 2));
    EXPECT_TRUE(image.assign(other));
    EXPECT_EQ(pixelsOf(image), pixelsOf(other));
  }
  TypeParam released(3, 3);
  D::release(released);
  EXPECT_FALSE(released.hasPixels());
  EXPECT_TRUE(D::resize(released, 0, 0));  // a 1 x 1 buffer again, not "same size, no pixels"
  EXPECT_TRUE(released.hasPixels());
}

TYPED_TEST(PlainImage, BlitMatchesPerPixelReference) {
  using D = Depth<TypeParam>;
  std::mt19937 rng(23);
  for (int iter = 0; iter < 1200; ++iter) {
    const bool self = iter % 5 == 0;
    TypeParam src(randomIn(rng, 1, 40), randomIn(rng, 1, 24)),
        other(randomIn(rng, 1, 40), randomIn(rng, 1, 24));
    TypeParam& dst = self ? src : other;
    fillRandomBytes(src, rng);
    fillRandomBytes(other, rng);
    SpanParams params;
    params.op = D::kOps[size_t(iter / 2) % std::size(D::kOps)];
    params.opacity = uint8_t(randomIn(rng, 0, 255));
    // Corners in [-40, 40] and sizes in [-3, 60]: blits reach past either image or are empty.
    const int32_t dx = randomIn(rng, -40, 40), dy = randomIn(rng, -40, 40), sx = randomIn(rng, -40, 40),
                  sy = randomIn(rng, -40, 40), w = randomIn(rng, -3, 60), h = randomIn(rng, -3, 60);
    const auto s = pixelsOf(src);
    auto expected = pixelsOf(dst);
    for (int32_t Y = 0; Y < dst.height(); ++Y)
      for (int32_t X = 0; X < dst.width(); ++X) {
        const int32_t i = X - dx, j = Y - dy, u = sx + i, v = sy + j;
        if (i < 0 || j < 0 || i >= w || j >= h || u < 0 || v < 0 || u >= src.width() || v >= src.height())
          continue;
        auto& d = expected[size_t(Y * dst.width() + X)];
        d = D::blit(params.op, params.opacity, d, s[size_t(v * src.width() + u)]);
      }
    int32_t csx = sx, csy = sy, cw = w, ch = h, cdx = dx, cdy = dy;
    const bool overlaps =
        clipBlit(src.width(), src.height(), dst.width(), dst.height(), csx, csy, cw, ch, cdx, cdy);
    ASSERT_EQ(dst.blit(params, dx, dy, src, sx, sy, w, h), overlaps) << iter;
    ASSERT_EQ(pixelsOf(dst), expected) << iter << " op " << params.op;
  }
  // copyFrom is the whole source at (dx, dy); assign resizes and copies.
  TypeParam src(9, 4), dst(5, 5), copy;
  fillRandomBytes(src, rng);
  fillRandomBytes(dst, rng);
  EXPECT_TRUE(dst.copyFrom(src, 3, -1));
  EXPECT_EQ(dst.getPixel(4, 2), src.getPixel(1, 3));
  EXPECT_TRUE(copy.assign(src));
  EXPECT_EQ(pixelsOf(copy), pixelsOf(src));
  EXPECT_TRUE(copy.assign(copy));
  EXPECT_EQ(pixelsOf(copy), pixelsOf(src));
}

bool aligned64(const void* p) { return reinterpret_cast<uintptr_t>(p) % 64 == 0; }

// The display's buffer keeps presentable rows in 64-byte aligned memory, allocated through
// Image32's virtual slots whatever the caller holds.
TEST(DibImage, AlignedPixelsThroughTheVirtualSlots) {
  DibImage dib;
  EXPECT_TRUE(dib.width() == 8 && dib.height() == 8 && dib.stride() == 32 && aligned64(dib.bits()));
  std::unique_ptr<Image32> image = std::make_unique<DibImage>(3, 2);
  Image32& drawing = *image;
  for (int32_t size : {1, 7, 33, 100}) {
    ASSERT_TRUE(drawing.resizeBuffer(size, size + 1));
    EXPECT_TRUE(aligned64(drawing.bits())) << size;
  }
  Image32 source(9, 4);
  source.fill(0xFFABCDEFu);
  EXPECT_TRUE(drawing.assign(source));  // resizes through DibImage::resizeBuffer
  EXPECT_TRUE(aligned64(drawing.bits()) && drawing.width() == 9 && drawing.isUniform());
  drawing.releasePixels();
  EXPECT_TRUE(drawing.resizeBuffer(2, 2));
  EXPECT_TRUE(aligned64(drawing.bits()));
}  // destroyed through the base pointer

// The alpha-weighted 2 x 2 means, pixels outside counting as 0.
TEST(Downsample, MeansOfTwoByTwoCountPixelsOutsideAsZero) {
  std::mt19937 rng(8);
  Image32 image(3, 3);
  fillRandomBytes(image, rng);
  for (int32_t y = -1; y <= image.height(); ++y)
    for (int32_t x = -1; x <= image.width(); ++x)
      ASSERT_EQ(image.downsample2x2(x, y),
                meanRgba2x2(image.getPixel(x, y), image.getPixel(x + 1, y), image.getPixel(x, y + 1),
                            image.getPixel(x + 1, y + 1)));
  EXPECT_EQ(image.downsample2x2(INT32_MAX, INT32_MAX), 0u);
}

// Any non-zero value sets a bit; comparisons and uniformity ignore the padding bits past the
// width.
TEST(Image1, BitsAndPadding) {
  Image1 image(16, 1);
  image.fill(0);
  image.setPixel(10, 0, 5);
  EXPECT_TRUE(image.bits()[0] == 0 && image.bits()[1] == 0x04);
  Image1 a(13, 3), b, empty;
  std::mt19937 rng(47);
  fillRandomBytes(a, rng);
  EXPECT_TRUE(b.assign(a) && a.equals(b));
  b.bits()[1] ^= 0xE0;  // bits 13..15 of rows 0 and 2
  b.bits()[5] ^= 0x80;
  EXPECT_TRUE(a.equals(b));
  b.setPixel(12, 2, !b.getPixel(12, 2));
  Image1 c(16, 1), d(16, 1);  // whole bytes: compared at once
  c.fill(0);
  d.fill(0);
  d.setPixel(15, 0, 1);
  empty.release();
  EXPECT_FALSE(a.equals(b) || a.equals(Image1(13, 2)) || c.equals(d) || empty.equals(Image1(1, 1)));
  for (int bit : {0, 1}) {
    a.fill(bit);
    a.bits()[5] ^= 0x80;
    int first = -1;
    EXPECT_TRUE(a.isUniform(&first) && first == bit);
  }
}

}  // namespace
}  // namespace kanvo
