#include "raster/tiled/TiledBlit.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace kanvo {

namespace {

// A run of source pixels: the row bytes and the offset (pixels, bits for 1 bpp) of the first.
struct Run {
  const uint8_t* row;
  int32_t offset;
};

// Sources. hasTiles is the row-skip test of the row protocol over the blit's whole source
// range; row() reads that range through the row buffer (indexed by the source's x); run()
// gives the pixels from x on that lie within one source tile, straight from the tile (zeros
// for an absent one).

template <int Bpp>
struct TiledSource {
  const TiledImage<Bpp>& image;
  static constexpr int32_t kRowBytes = TiledImage<Bpp>::kTileRowBytes;
  const void* identity() const { return &image; }
  int32_t width() const { return int32_t(image.width()); }
  int32_t height() const { return int32_t(image.height()); }
  bool hasTiles(int32_t x, int32_t y, int32_t length) const { return image.rowHasTiles(x, y, length); }
  const uint8_t* row(int32_t x, int32_t y, int32_t length) const {
    image.readRow(image.rowBuffer(), x, y, length);
    return image.rowBuffer();
  }
  // n <= 64 pixels from x: straight from the tile when they lie in one, else gathered from the
  // two tiles into `gather` (laid out as the two tile rows side by side; only the bytes the run
  // needs are filled).
  Run run(int32_t x, int32_t y, int32_t n, uint8_t* gather) const {
    const int32_t tx = x >> kTileShift, local = x & kTileMask;
    if (local + n <= kTileSize) return {tileRow(tx, y), local};
    // Only the 32-byte pieces that hold the run: from the one holding pixel x in the first
    // tile, up to the one holding the run's last pixel in the second.
    const int32_t firstByte = int32_t((int64_t(local) * Bpp / 8) & ~int64_t(kPiece - 1));
    const int32_t lastByte = int32_t((int64_t(local + n) * Bpp + 7) / 8) - kRowBytes;  // in the second
    copyPieces(gather + firstByte, tileRow(tx, y) + firstByte, kRowBytes - firstByte);
    copyPieces(gather + kRowBytes, tileRow(tx + 1, y), lastByte);
    return {gather, local};
  }
  // Whole pieces (32 bytes, or the whole row when shorter) covering `bytes` bytes, which the
  // compiler moves in registers (a library call costs more than the copy at this size).
  static constexpr int32_t kPiece = kRowBytes < 32 ? kRowBytes : 32;
  static void copyPieces(uint8_t* to, const uint8_t* from, int32_t bytes) {
    for (int32_t i = 0; i < bytes; i += kPiece) std::memcpy(to + i, from + i, kPiece);
  }
  const uint8_t* tileRow(int32_t tx, int32_t y) const {
    static constexpr uint8_t kZeros[kRowBytes] = {};
    const auto* tile = image.tile(tx, y >> kTileShift);
    return tile ? tile->bits() + size_t(y & kTileMask) * kRowBytes : kZeros;
  }
};

template <class Image>
struct PlainSource {
  const Image& image;
  const void* identity() const { return &image; }
  int32_t width() const { return image.width(); }
  int32_t height() const { return image.height(); }
  bool hasTiles(int32_t, int32_t, int32_t) const { return true; }
  const uint8_t* row(int32_t, int32_t y, int32_t) const { return image.rowAddress(y); }
  Run run(int32_t x, int32_t y, int32_t, uint8_t*) const { return {image.rowAddress(y), x}; }
};

// The absent mask of the unmasked forms.
struct NoMask {
  const void* identity() const { return nullptr; }
  bool hasTiles(int32_t, int32_t, int32_t) const { return true; }
  const uint8_t* row(int32_t, int32_t, int32_t) const { return nullptr; }
  Run run(int32_t, int32_t, int32_t, uint8_t*) const { return {nullptr, 0}; }
};

// Whether the row of source y is processed: a mask row without tiles skips it whatever the op;
// a source row without tiles skips it unless the op changes the destination where the source
// is empty.
template <class Src, class Mask>
bool rowRuns(const Src& src, const Mask& mask, bool skipEmpty, int32_t sx, int32_t y, int32_t w) {
  if (!mask.hasTiles(sx, y, w)) return false;
  return !skipEmpty || src.hasTiles(sx, y, w);
}

// The checks every form makes first; false when the blit must not run.
template <class Src, class Mask>
bool admissible(const void* dst, const Src& src, const Mask& mask, const TiledImage8* maskImage) {
  if (dst == src.identity() || dst == mask.identity()) return false;
  if (maskImage != nullptr &&
      (maskImage->width() != uint32_t(src.width()) || maskImage->height() != uint32_t(src.height())))
    return false;
  return true;
}

// A plain destination: each row through the source's (and mask's) row buffer. Apply is
// called as apply(sourceRow, sx, maskRow, sx, destinationRow, dx, width).
template <class Src, class Mask, class Apply>
bool blitToPlain(Image32& dst, const SpanParams& params, int32_t dx, int32_t dy, const Src& src, const Mask& mask,
                 int32_t sx, int32_t sy, int32_t w, int32_t h, Apply apply) {
  if (!clipBlit(src.width(), src.height(), dst.width(), dst.height(), sx, sy, w, h, dx, dy)) return false;
  const bool skipEmpty = !opChangesWhereSourceEmpty(params.op);
  for (int32_t i = 0; i < h; ++i) {
    const int32_t s = sy + i;
    if (!rowRuns(src, mask, skipEmpty, sx, s, w)) continue;
    const uint8_t* srcRow = src.row(sx, s, w);
    // A mask that is also the source shares its row buffer: the one read serves both.
    const uint8_t* maskRow = mask.identity() == src.identity() ? srcRow : mask.row(sx, s, w);
    apply(srcRow, sx, maskRow, sx, dst.rowAddress(dy + i), dx, w);
  }
  return true;
}

// A tiled destination. The result is that of the row protocol (read the source and
// destination rows, apply the span, write the destination row back, skipping all-zero slices
// over absent tiles), reached tile by tile: every span routine changes each destination pixel
// from that pixel and its own source (and mask) pixel alone, so the span may run on each
// destination tile's row in place, in pieces that each lie within one source tile, taking the
// source pixels straight from the source tiles. An absent destination tile is computed in a
// zeroed scratch row and created only when that row comes out non-zero. The rows skipped are
// those the row protocol skips.
template <int Bpp, class Src, class Mask, class Apply>
bool blitToTiled(TiledImage<Bpp>& dst, const SpanParams& params, int32_t dx, int32_t dy, const Src& src,
                 const Mask& mask, int32_t sx, int32_t sy, int32_t w, int32_t h, Apply apply) {
  if (!clipBlit(src.width(), src.height(), int32_t(dst.width()), int32_t(dst.height()), sx, sy, w, h, dx, dy))
    return false;
  constexpr int32_t kRowBytes = TiledImage<Bpp>::kTileRowBytes;
  const bool skipEmpty = !opChangesWhereSourceEmpty(params.op);
  alignas(16) uint8_t scratch[kRowBytes];
  bool runs[kTileSize];
  // Source and mask runs of a destination run that crosses a source tile boundary are
  // gathered here (two tile rows of the widest depth each).
  alignas(32) uint8_t srcGather[2 * 256];
  alignas(32) uint8_t maskGather[2 * 64];
  const int32_t tx0 = dx >> kTileShift, tx1 = (dx + w - 1) >> kTileShift;
  const int32_t ty0 = dy >> kTileShift, ty1 = (dy + h - 1) >> kTileShift;
  for (int32_t ty = ty0; ty <= ty1; ++ty) {
    const int32_t rowFrom = std::max(dy, ty * kTileSize), rowTo = std::min(dy + h, (ty + 1) * kTileSize);
    bool any = false;
    for (int32_t d = rowFrom; d < rowTo; ++d)
      any |= runs[d - rowFrom] = rowRuns(src, mask, skipEmpty, sx, sy + (d - dy), w);
    if (!any) continue;
    for (int32_t tx = tx0; tx <= tx1; ++tx) {
      const int32_t tileX = tx * kTileSize;
      const int32_t from = std::max(dx, tileX), n = std::min(dx + w, tileX + kTileSize) - from;
      const int32_t srcX = sx + (from - dx), local = from - tileX;
      // A present tile is changed in place (its own copy first when shared); an absent one is
      // created only for a row that comes out non-zero.
      const bool present = dst.tile(tx, ty) != nullptr;
      auto* tile = present ? dst.writableTile(tx, ty) : nullptr;
      if (present && tile == nullptr) continue;
      for (int32_t d = rowFrom; d < rowTo; ++d) {
        if (!runs[d - rowFrom]) continue;
        const int32_t s = sy + (d - dy);
        const Run source = src.run(srcX, s, n, srcGather);
        const Run weight = mask.run(srcX, s, n, maskGather);
        const size_t rowOffset = size_t(d & kTileMask) * kRowBytes;
        if (tile != nullptr) {
          apply(source.row, source.offset, weight.row, weight.offset, tile->bits() + rowOffset, local, n);
          continue;
        }
        std::memset(scratch, 0, sizeof(scratch));
        apply(source.row, source.offset, weight.row, weight.offset, scratch, local, n);
        if (tile_detail::orOfWords(scratch, sizeof(scratch), 0xFFFFFFFFu) == 0) continue;
        tile = dst.getOrCreateTileUnchecked(tx, ty);
        if (tile != nullptr) std::memcpy(tile->bits() + rowOffset, scratch, kRowBytes);
      }
    }
  }
  return true;
}

// The sources by image kind.
template <int Bpp>
TiledSource<Bpp> sourceOf(const TiledImage<Bpp>& image) {
  return {image};
}
inline PlainSource<Image32> sourceOf(const Image32& image) { return {image}; }
inline PlainSource<Image1> sourceOf(const Image1& image) { return {image}; }

// The entry points: refusals first, then the loop of the destination kind with the span.
template <class Dst, class Src, class Mask, class Apply>
bool run(Dst& dst, const SpanParams& params, int32_t dx, int32_t dy, const Src& src, const Mask& mask,
         const TiledImage8* maskImage, int32_t sx, int32_t sy, int32_t w, int32_t h, Apply apply) {
  if (!admissible(&dst, src, mask, maskImage)) return false;
  if constexpr (std::is_same_v<Dst, Image32>)
    return blitToPlain(dst, params, dx, dy, src, mask, sx, sy, w, h, apply);
  else
    return blitToTiled(dst, params, dx, dy, src, mask, sx, sy, w, h, apply);
}

// An unmasked form: span(params, sourceRow, sx, destinationRow, dx, n).
template <class Dst, class Image, class SpanFn>
bool runUnmasked(Dst& dst, const SpanParams& params, int32_t dx, int32_t dy, const Image& src, int32_t sx,
                 int32_t sy, int32_t w, int32_t h, SpanFn span) {
  return run(dst, params, dx, dy, sourceOf(src), NoMask{}, nullptr, sx, sy, w, h,
             [&params, span](const uint8_t* s, int32_t srcX, const uint8_t*, int32_t, uint8_t* d, int32_t dstX,
                             int32_t n) { span(params, s, srcX, d, dstX, n); });
}

// A masked form, from 8 bpp through an 8 bpp mask: span(params, sourceRow, sx, maskRow, mx,
// destinationRow, dx, n).
template <class Dst, class SpanFn>
bool runMasked(Dst& dst, const SpanParams& params, int32_t dx, int32_t dy, const TiledImage8& src,
               const TiledImage8& mask, int32_t sx, int32_t sy, int32_t w, int32_t h, SpanFn span) {
  return run(dst, params, dx, dy, TiledSource<8>{src}, TiledSource<8>{mask}, &mask, sx, sy, w, h,
             [&params, span](const uint8_t* s, int32_t srcX, const uint8_t* m, int32_t maskX, uint8_t* d,
                             int32_t dstX, int32_t n) { span(params, s, srcX, m, maskX, d, dstX, n); });
}

}  // namespace

bool blit(TiledImage32& dst, const SpanParams& params, int32_t dx, int32_t dy, const TiledImage32& src, int32_t sx,
          int32_t sy, int32_t width, int32_t height) {
  return runUnmasked(dst, params, dx, dy, src, sx, sy, width, height, blendSpan32);
}

bool blit(TiledImage32& dst, const SpanParams& params, int32_t dx, int32_t dy, const Image32& src, int32_t sx,
          int32_t sy, int32_t width, int32_t height) {
  return runUnmasked(dst, params, dx, dy, src, sx, sy, width, height, blendSpan32);
}

bool blit(TiledImage32& dst, const SpanParams& params, int32_t dx, int32_t dy, const TiledImage8& coverage,
          int32_t sx, int32_t sy, int32_t width, int32_t height) {
  return runUnmasked(dst, params, dx, dy, coverage, sx, sy, width, height, coverageSpan32);
}

bool blitMasked(TiledImage32& dst, const SpanParams& params, int32_t dx, int32_t dy, const TiledImage8& coverage,
                const TiledImage8& mask, int32_t sx, int32_t sy, int32_t width, int32_t height) {
  return runMasked(dst, params, dx, dy, coverage, mask, sx, sy, width, height, maskedCoverageSpan32);
}

bool blit(Image32& dst, const SpanParams& params, int32_t dx, int32_t dy, const TiledImage32& src, int32_t sx,
          int32_t sy, int32_t width, int32_t height) {
  return runUnmasked(dst, params, dx, dy, src, sx, sy, width, height, blendSpan32);
}

bool blit(Image32& dst, const SpanParams& params, int32_t dx, int32_t dy, const TiledImage8& coverage, int32_t sx,
          int32_t sy, int32_t width, int32_t height) {
  return runUnmasked(dst, params, dx, dy, coverage, sx, sy, width, height, coverageSpan32);
}

bool blit(Image32& dst, const SpanParams& params, int32_t dx, int32_t dy, const TiledImage1& bits, int32_t sx,
          int32_t sy, int32_t width, int32_t height) {
  return runUnmasked(dst, params, dx, dy, bits, sx, sy, width, height, bitSpan32);
}

bool blit(TiledImage8& dst, const SpanParams& params, int32_t dx, int32_t dy, const TiledImage8& src, int32_t sx,
          int32_t sy, int32_t width, int32_t height) {
  return runUnmasked(dst, params, dx, dy, src, sx, sy, width, height, blendSpan8);
}

bool blitMasked(TiledImage8& dst, const SpanParams& params, int32_t dx, int32_t dy, const TiledImage8& src,
                const TiledImage8& mask, int32_t sx, int32_t sy, int32_t width, int32_t height) {
  return runMasked(dst, params, dx, dy, src, mask, sx, sy, width, height, maskedSpan8);
}

bool copyFrom(TiledImage8& dst, const TiledImage8& src) {
  SpanParams params;
  params.op = kOpCopy;
  params.opacity = 255;
  return blit(dst, params, 0, 0, src, 0, 0, int32_t(src.width()), int32_t(src.height()));
}

bool blit(TiledImage1& dst, const SpanParams& params, int32_t dx, int32_t dy, const TiledImage1& src, int32_t sx,
          int32_t sy, int32_t width, int32_t height) {
  return runUnmasked(dst, params, dx, dy, src, sx, sy, width, height, blitSpan1);
}

bool blit(TiledImage1& dst, const SpanParams& params, int32_t dx, int32_t dy, const Image1& src, int32_t sx,
          int32_t sy, int32_t width, int32_t height) {
  return runUnmasked(dst, params, dx, dy, src, sx, sy, width, height, blitSpan1);
}

bool blit(TiledImage1& dst, const SpanParams& params, int32_t dx, int32_t dy, const TiledImage8& src, int32_t sx,
          int32_t sy, int32_t width, int32_t height) {
  return runUnmasked(dst, params, dx, dy, src, sx, sy, width, height, thresholdSpan);
}

bool blitMasked(TiledImage1& dst, const SpanParams& params, int32_t dx, int32_t dy, const TiledImage8& src,
                const TiledImage8& mask, int32_t sx, int32_t sy, int32_t width, int32_t height) {
  return runMasked(dst, params, dx, dy, src, mask, sx, sy, width, height, maskedThresholdSpan);
}

}  // namespace kanvo
