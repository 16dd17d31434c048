#include "raster/tiled/TiledBlit.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <type_traits>

#include "raster/tiled/RowCarry.h"

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
  explicit TiledSource(const TiledImage<Bpp>& of) : image(of) {}
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
    const auto* tile = image.tile(tx, y >> kTileShift);
    return tile ? tile->bits() + size_t(y & kTileMask) * kRowBytes : kZeroTile;
  }

  // Whole destination tiles: band(x, rows) gives the pixels of `rows` source rows from y (within
  // one source tile row), columns x .. x + 63, straight from the tile holding x continued by the
  // next one (none when x lies on the tile grid), or from carry where it holds those rows.
  static constexpr bool kBands = Bpp >= 8;
  class BandWalk {
   public:
    BandWalk(const TiledSource& source, int32_t y)
        : source_(source), at_(size_t(y & kTileMask) * kRowBytes), ty_(y >> kTileShift) {}
    JoinedRows band(int32_t x, int32_t rows) const {
      const int32_t tx = x >> kTileShift, local = x & kTileMask;
      return {rowsOf(tx), local == 0 ? nullptr : rowsOf(tx + 1), local, kTileSize, rows, kRowBytes};
    }

    // Whether the tiles band(x, ...) reads are absent (all zero).
    bool absent(int32_t x) const {
      const int32_t tx = x >> kTileShift;
      return source_.image.tile(tx, ty_) == nullptr &&
             ((x & kTileMask) == 0 || source_.image.tile(tx + 1, ty_) == nullptr);
    }

   private:
    const uint8_t* rowsOf(int32_t tx) const {
      if (const uint8_t* kept = source_.carry_.rows(tx, ty_, int32_t(at_ / kRowBytes))) return kept;
      const auto* tile = source_.image.tile(tx, ty_);
      return tile ? tile->bits() + at_ : kZeroTile;
    }
    const TiledSource& source_;
    size_t at_;
    int32_t ty_;
  };

  // The carry (RowCarry.h), for the source tile columns first .. first + columns - 1 and rows
  // from .. 63; false when it cannot be had. keep copies those rows of tile (tx, ty), if present.
  bool prepareCarry(int32_t first, int32_t columns, int32_t from) const {
    return carry_.prepare(first, columns, from);
  }
  void keep(int32_t tx, int32_t ty) const {
    if (const auto* tile = image.tile(tx, ty)) carry_.keep(tx, ty, tile->bits());
  }
  void turnCarry() const { carry_.turn(); }

 private:
  static constexpr uint8_t kZeroTile[kRowBytes * kTileSize] = {};
  mutable RowCarry<kRowBytes> carry_;  // a copy of source rows: reading through it changes nothing
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
  static constexpr bool kBands = false;  // a plain image's rows do not follow each other as a tile's do
};

// The absent mask of the unmasked forms.
struct NoMask {
  const void* identity() const { return nullptr; }
  bool hasTiles(int32_t, int32_t, int32_t) const { return true; }
  const uint8_t* row(int32_t, int32_t, int32_t) const { return nullptr; }
  Run run(int32_t, int32_t, int32_t, uint8_t*) const { return {nullptr, 0}; }
  static constexpr bool kBands = true;
  struct BandWalk {
    BandWalk(const NoMask&, int32_t) {}
    JoinedRows band(int32_t, int32_t rows) const { return {nullptr, nullptr, 0, kTileSize, rows, 0}; }
  };
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

// The joined form of a span (blendSpan32Joined), or null.
using JoinedSpan = void (*)(const SpanParams&, const JoinedRows&, uint8_t*);

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

// The destination tile at (tx, ty) for changing rows of it: present tiles in place (their own
// copy first when shared; null when that cannot be had, and the tile is then left alone).
// Absent tiles are created only for rows that come out non-zero: rows() gives a zeroed scratch
// to compute them in, and keep() creates the tile and copies them when they hold anything.
template <int Bpp>
class DestinationTile {
 public:
  static constexpr int32_t kRowBytes = TiledImage<Bpp>::kTileRowBytes;
  DestinationTile(TiledImage<Bpp>& image, int32_t tx, int32_t ty, uint8_t* scratch)
      : image_(image), tx_(tx), ty_(ty), scratch_(scratch), present_(image.tile(tx, ty) != nullptr) {
    if (present_) tile_ = image.writableTile(tx, ty);
  }
  bool skipped() const { return present_ && tile_ == nullptr; }
  // Where count rows from row (tile-local) are computed.
  uint8_t* rows(int32_t row, int32_t count) {
    if (tile_ != nullptr) return tile_->bits() + size_t(row) * kRowBytes;
    std::memset(scratch_, 0, size_t(count) * kRowBytes);
    return scratch_;
  }
  void keep(int32_t row, int32_t count) {
    if (tile_ != nullptr) return;  // changed in place
    const size_t bytes = size_t(count) * kRowBytes;
    if (tile_detail::orOfWords(scratch_, bytes, 0xFFFFFFFFu) == 0) return;
    tile_ = image_.getOrCreateTileUnchecked(tx_, ty_);
    if (tile_ != nullptr) std::memcpy(tile_->bits() + size_t(row) * kRowBytes, scratch_, bytes);
  }

 private:
  TiledImage<Bpp>& image_;
  int32_t tx_, ty_;
  uint8_t* scratch_;
  bool present_;
  typename TiledImage<Bpp>::Tile* tile_ = nullptr;
};

// A tiled destination. The result is that of the row protocol (read the source and
// destination rows, apply the span, write the destination row back, skipping all-zero slices
// over absent tiles), reached tile by tile: every span routine changes each destination pixel
// from that pixel and its own source (and mask) pixel alone, so the span may run on each
// destination tile's rows in place, taking the source pixels straight from the source tiles.
// A destination tile the blit covers in its whole width takes each band of consecutive rows
// that run (and read one source tile row) at once, band after band, through the joined span
// where the form has one, else through the span; the tiles it covers in part take each row on
// its own, in pieces that each lie within one source tile. The rows skipped are those the row
// protocol skips.
template <int Bpp, class Src, class Mask, class Apply>
bool blitToTiled(TiledImage<Bpp>& dst, const SpanParams& params, int32_t dx, int32_t dy, const Src& src,
                 const Mask& mask, int32_t sx, int32_t sy, int32_t w, int32_t h, Apply apply,
                 JoinedSpan joined) {
  if (!clipBlit(src.width(), src.height(), int32_t(dst.width()), int32_t(dst.height()), sx, sy, w, h, dx, dy))
    return false;
  constexpr int32_t kRowBytes = TiledImage<Bpp>::kTileRowBytes;
  const bool skipEmpty = !opChangesWhereSourceEmpty(params.op);
  alignas(32) uint8_t scratch[size_t(kRowBytes) * kTileSize];
  bool runs[kTileSize];
  // Source and mask runs of a destination run that crosses a source tile boundary are
  // gathered here (two tile rows of the widest depth each).
  alignas(32) uint8_t srcGather[2 * 256];
  alignas(32) uint8_t maskGather[2 * 64];
  const int32_t tx0 = dx >> kTileShift, tx1 = (dx + w - 1) >> kTileShift;
  const int32_t ty0 = dy >> kTileShift, ty1 = (dy + h - 1) >> kTileShift;
  // The tile columns covered in their whole width: whole0 .. whole1 - 1.
  constexpr bool kBands = Src::kBands && Mask::kBands;
  // The over of 32 bpp pixels leaves the destination as it is where the source is transparent:
  // whole tiles over absent source tiles are passed by.
  const bool overKeepsEmpty = std::is_same_v<Src, TiledSource<32>> && params.op == kOpOver;
  // A band of whole destination tile rows (stride kRowBytes) from the source rows a and the
  // mask rows b: through the joined span, or through the span one run at a time (the whole band
  // at once where a lies on the tile grid, as the tile holds its rows one after another).
  const auto band = [&](const JoinedRows& a, const JoinedRows& b, uint8_t* out) {
    if (joined != nullptr) return joined(params, a, out);
    if (a.shift == 0) return apply(a.left, 0, b.left, 0, out, 0, a.rows * kTileSize);
    const int32_t split = kTileSize - a.shift;
    for (int32_t r = 0; r < a.rows; ++r) {
      uint8_t* to = out + size_t(r) * kRowBytes;
      apply(a.left + r * a.stride, a.shift, b.left + r * b.stride, a.shift, to, 0, split);
      apply(a.right + r * a.stride, 0, b.right + r * b.stride, 0, to, split, a.shift);
    }
  };
  const int32_t whole0 = kBands ? (dx + kTileMask) >> kTileShift : 0;
  const int32_t whole1 = kBands ? (dx + w) >> kTileShift : 0;
  // The source x of the whole tile tx's first pixel.
  const auto sourceX = [&](int32_t tx) { return sx + (tx * kTileSize - dx); };
  // Each destination tile row past the first begins at this row of a source tile. Unless that is
  // the first, the whole tiles read each new source tile in address order, keeping its lower
  // rows for the next destination tile row (RowCarry.h).
  const int32_t carryFrom = (sy - dy) & kTileMask;
  bool carrying = false;
  if constexpr (kBands) {
    const int32_t first = sourceX(whole0) >> kTileShift, last = (sourceX(whole1 - 1) + kTileMask) >> kTileShift;
    carrying = ty0 < ty1 && whole0 < whole1 && carryFrom > 0 &&
               src.prepareCarry(first, last - first + 1, carryFrom);
  }
  for (int32_t ty = ty0; ty <= ty1; ++ty) {
    if constexpr (kBands)
      if (carrying) src.turnCarry();
    const int32_t rowFrom = std::max(dy, ty * kTileSize), rowTo = std::min(dy + h, (ty + 1) * kTileSize);
    bool any = false;
    for (int32_t d = rowFrom; d < rowTo; ++d)
      any |= runs[d - rowFrom] = rowRuns(src, mask, skipEmpty, sx, sy + (d - dy), w);
    if (!any) continue;
    // The bands: runs of consecutive rows that run and read one source tile row.
    int32_t bandFrom[kTileSize], bandRows[kTileSize], bandCount = 0;
    for (int32_t d = rowFrom; whole0 < whole1 && d < rowTo;) {
      if (!runs[d - rowFrom]) {
        ++d;
        continue;
      }
      const int32_t bandEnd = std::min(rowTo, d + (kTileSize - ((sy + (d - dy)) & kTileMask)));
      int32_t end = d + 1;
      while (end < bandEnd && runs[end - rowFrom]) ++end;
      bandFrom[bandCount] = d;
      bandRows[bandCount++] = end - d;
      d = end;
    }
    // Each whole destination tile takes its bands one after another.
    if constexpr (kBands) {
      // The next source tile column to keep, and the tile row the next destination tile row begins in.
      int32_t keepX = sourceX(whole0) >> kTileShift;
      const int32_t keepY = (sy + (rowTo - dy)) >> kTileShift;
      for (int32_t tx = whole0; tx < whole1; ++tx) {
        const int32_t srcX = sourceX(tx);
        std::optional<DestinationTile<Bpp>> target;
        for (int32_t b = 0; b < bandCount; ++b) {
          const int32_t s = sy + (bandFrom[b] - dy), rows = bandRows[b], row = bandFrom[b] & kTileMask;
          const typename Src::BandWalk sources(src, s);
          if (overKeepsEmpty && sources.absent(srcX)) continue;
          if (!target) target.emplace(dst, tx, ty, scratch);
          if (target->skipped()) break;
          band(sources.band(srcX, rows), typename Mask::BandWalk(mask, s).band(srcX, rows), target->rows(row, rows));
          target->keep(row, rows);
        }
        if (carrying && ty < ty1)
          for (const int32_t last = (srcX + kTileMask) >> kTileShift; keepX <= last; ++keepX) src.keep(keepX, keepY);
      }
    }
    for (int32_t tx = tx0; tx <= tx1; ++tx) {
      if (tx >= whole0 && tx < whole1) continue;
      const int32_t tileX = tx * kTileSize;
      const int32_t from = std::max(dx, tileX), n = std::min(dx + w, tileX + kTileSize) - from;
      const int32_t srcX = sx + (from - dx), local = from - tileX;
      DestinationTile<Bpp> target(dst, tx, ty, scratch);
      if (target.skipped()) continue;
      for (int32_t d = rowFrom; d < rowTo; ++d) {
        if (!runs[d - rowFrom]) continue;
        const int32_t s = sy + (d - dy);
        const Run source = src.run(srcX, s, n, srcGather);
        const Run weight = mask.run(srcX, s, n, maskGather);
        apply(source.row, source.offset, weight.row, weight.offset, target.rows(d & kTileMask, 1), local, n);
        target.keep(d & kTileMask, 1);
      }
    }
  }
  return true;
}

// The sources by image kind.
template <int Bpp>
TiledSource<Bpp> sourceOf(const TiledImage<Bpp>& image) {
  return TiledSource<Bpp>(image);
}
inline PlainSource<Image32> sourceOf(const Image32& image) { return {image}; }
inline PlainSource<Image1> sourceOf(const Image1& image) { return {image}; }

// The entry points: refusals first, then the loop of the destination kind with the span.
template <class Dst, class Src, class Mask, class Apply>
bool run(Dst& dst, const SpanParams& params, int32_t dx, int32_t dy, const Src& src, const Mask& mask,
         const TiledImage8* maskImage, int32_t sx, int32_t sy, int32_t w, int32_t h, Apply apply,
         JoinedSpan joined = nullptr) {
  if (!admissible(&dst, src, mask, maskImage)) return false;
  if constexpr (std::is_same_v<Dst, Image32>)
    return blitToPlain(dst, params, dx, dy, src, mask, sx, sy, w, h, apply);
  else
    return blitToTiled(dst, params, dx, dy, src, mask, sx, sy, w, h, apply, joined);
}

// An unmasked form: span(params, sourceRow, sx, destinationRow, dx, n); joined, its joined form.
template <class Dst, class Image, class SpanFn>
bool runUnmasked(Dst& dst, const SpanParams& params, int32_t dx, int32_t dy, const Image& src, int32_t sx,
                 int32_t sy, int32_t w, int32_t h, SpanFn span, JoinedSpan joined = nullptr) {
  return run(
      dst, params, dx, dy, sourceOf(src), NoMask{}, nullptr, sx, sy, w, h,
      [&params, span](const uint8_t* s, int32_t srcX, const uint8_t*, int32_t, uint8_t* d, int32_t dstX, int32_t n) {
        span(params, s, srcX, d, dstX, n);
      },
      joined);
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
  return runUnmasked(dst, params, dx, dy, src, sx, sy, width, height, blendSpan32, blendSpan32Joined);
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
