#include "raster/tiled/TiledCopy.h"

#include <algorithm>
#include <cstring>

#include "raster/span/SpanOps.h"

namespace kanvo {

namespace {

template <int Bpp>
bool sliceIsZero(const uint8_t* slice) {
  return tile_detail::orOfWords(slice, TileTraits<Bpp>::kRowBytes, 0xFFFFFFFFu) == 0;
}

// Copies count pixels from position sx of one row buffer to position dx of another.
template <int Bpp>
void copyRowPixels(const uint8_t* from, int32_t sx, uint8_t* to, int32_t dx, int32_t count) {
  if constexpr (Bpp == 1) {
    SpanParams copy;
    copy.op = kOpCopy;
    blitSpan1(copy, from, sx, to, dx, count);
  } else {
    constexpr size_t kBytes = Bpp / 8;
    std::memmove(to + size_t(dx) * kBytes, from + size_t(sx) * kBytes, size_t(count) * kBytes);
  }
}

// a + b and a - b, saturated to the 64-bit range.
int64_t addSat(int64_t a, int64_t b) {
  int64_t r;
  return __builtin_add_overflow(a, b, &r) ? (b > 0 ? INT64_MAX : INT64_MIN) : r;
}
int64_t subSat(int64_t a, int64_t b) {
  int64_t r;
  return __builtin_sub_overflow(a, b, &r) ? (b < 0 ? INT64_MAX : INT64_MIN) : r;
}

}  // namespace

template <int Bpp>
bool writeRowChecked(TiledImage<Bpp>& image, const uint8_t* buffer, int32_t x, int32_t y, int32_t length) {
  using Tile = typename TiledImage<Bpp>::Tile;
  constexpr int32_t kRowBytes = TileTraits<Bpp>::kRowBytes;
  if (buffer == nullptr || uint32_t(y) >= image.height() || length < 1 || image.tilesX() == 0) return false;
  const int64_t first = std::max<int64_t>(int64_t(x) >> kTileShift, 0);
  const int64_t last = std::min<int64_t>((int64_t(x) + length - 1) >> kTileShift, image.tilesX() - 1);
  const int32_t ty = y >> kTileShift;
  const size_t rowOffset = size_t(y & kTileMask) * kRowBytes;
  bool complete = true;
  for (int64_t tx = first; tx <= last; ++tx) {
    const uint8_t* slice = buffer + size_t(tx) * kRowBytes;
    if (image.tile(int32_t(tx), ty) == nullptr && sliceIsZero<Bpp>(slice)) continue;
    Tile* tile = image.getOrCreateTile(int32_t(tx), ty);
    if (tile == nullptr) {
      complete = false;
      continue;
    }
    std::memcpy(tile->bits() + rowOffset, slice, kRowBytes);
  }
  return complete;
}

template <int Bpp>
bool copyPixels(const TiledImage<Bpp>& src, int64_t sx, int64_t sy, int64_t width, int64_t height,
                TiledImage<Bpp>& dst, int64_t dx, int64_t dy) {
  if (static_cast<const void*>(&src) == static_cast<const void*>(&dst)) return false;
  // Clip against the source, then against the destination, moving both origins together.
  // Sums saturate, so any 64-bit arguments are safe; what lies beyond 2^62 is outside anyway.
  int64_t x0 = std::max<int64_t>(sx, 0), y0 = std::max<int64_t>(sy, 0);
  int64_t x1 = std::min<int64_t>(addSat(sx, width), src.width()), y1 = std::min<int64_t>(addSat(sy, height), src.height());
  const int64_t shiftX = subSat(dx, sx), shiftY = subSat(dy, sy);
  x0 = std::max<int64_t>(x0, subSat(0, shiftX));
  y0 = std::max<int64_t>(y0, subSat(0, shiftY));
  x1 = std::min<int64_t>(x1, subSat(int64_t(dst.width()), shiftX));
  y1 = std::min<int64_t>(y1, subSat(int64_t(dst.height()), shiftY));
  if (x0 >= x1 || y0 >= y1) return true;
  const int32_t count = int32_t(x1 - x0);
  const int32_t fromX = int32_t(x0), toX = int32_t(x0 + shiftX);
  uint8_t* srcRow = src.rowBuffer();
  uint8_t* dstRow = dst.rowBuffer();
  bool complete = true;
  for (int64_t y = y0; y < y1; ++y) {
    const int32_t fromY = int32_t(y), toY = int32_t(y + shiftY);
    const bool sourceHas = src.rowHasTiles(fromX, fromY, count);
    if (!sourceHas && !dst.rowHasTiles(toX, toY, count)) continue;
    src.readRow(srcRow, fromX, fromY, count);
    dst.readRow(dstRow, toX, toY, count);
    copyRowPixels<Bpp>(srcRow, fromX, dstRow, toX, count);
    if (!writeRowChecked(dst, dstRow, toX, toY, count)) complete = false;
  }
  if (!complete) return false;
  return true;
}

template <int Bpp>
void clearPixels(TiledImage<Bpp>& image, const Rect& rect) {
  using Tile = typename TiledImage<Bpp>::Tile;
  constexpr int32_t kRowBytes = TileTraits<Bpp>::kRowBytes;
  const int64_t x0 = std::max<int64_t>(rect.x, 0), y0 = std::max<int64_t>(rect.y, 0);
  const int64_t x1 = std::min<int64_t>(int64_t(rect.x) + rect.width, image.width());
  const int64_t y1 = std::min<int64_t>(int64_t(rect.y) + rect.height, image.height());
  if (x0 >= x1 || y0 >= y1 || image.presentTileCount() == 0) return;
  for (int64_t ty = y0 >> kTileShift; ty <= (y1 - 1) >> kTileShift; ++ty) {
    for (int64_t tx = x0 >> kTileShift; tx <= (x1 - 1) >> kTileShift; ++tx) {
      if (image.tile(int32_t(tx), int32_t(ty)) == nullptr) continue;
      const int64_t left = tx << kTileShift, top = ty << kTileShift;
      const int32_t lx0 = int32_t(std::max(x0, left) - left), lx1 = int32_t(std::min(x1, left + kTileSize) - left);
      const int32_t ly0 = int32_t(std::max(y0, top) - top), ly1 = int32_t(std::min(y1, top + kTileSize) - top);
      // Pixels beyond the image's edge are always 0, so reaching the edge counts as whole.
      const bool wholeX = lx0 == 0 && (lx1 == kTileSize || left + lx1 >= int64_t(image.width()));
      const bool wholeY = ly0 == 0 && (ly1 == kTileSize || top + ly1 >= int64_t(image.height()));
      if (wholeX && wholeY) {
        image.freeTile(int32_t(tx), int32_t(ty));
        continue;
      }
      Tile* tile = image.writableTile(int32_t(tx), int32_t(ty));
      if (tile == nullptr) continue;
      SpanParams zero;
      zero.op = kOpCopy;
      zero.key = 0;
      for (int32_t ly = ly0; ly < ly1; ++ly) {
        TileTraits<Bpp>::fillSpan(zero, tile->bits() + size_t(ly) * kRowBytes, lx0, lx1 - lx0);
      }
      if (tile_detail::orOfWords(tile->bits(), size_t(kRowBytes) * kTileSize, 0xFFFFFFFFu) == 0) {
        image.freeTile(int32_t(tx), int32_t(ty));
      }
    }
  }
}

template <int Bpp>
void dropZeroTiles(TiledImage<Bpp>& image) {
  constexpr int32_t kRowBytes = TileTraits<Bpp>::kRowBytes;
  for (int32_t ty = 0; ty < image.tilesY() && image.presentTileCount() > 0; ++ty) {
    for (int32_t tx = 0; tx < image.tilesX(); ++tx) {
      const auto* tile = image.tile(tx, ty);
      if (tile != nullptr && tile_detail::orOfWords(tile->bits(), size_t(kRowBytes) * kTileSize, 0xFFFFFFFFu) == 0) {
        image.freeTile(tx, ty);
      }
    }
  }
}

#define KANVO_TILED_COPY(B)                                                                                   \
  template bool writeRowChecked<B>(TiledImage<B>&, const uint8_t*, int32_t, int32_t, int32_t);                \
  template bool copyPixels<B>(const TiledImage<B>&, int64_t, int64_t, int64_t, int64_t, TiledImage<B>&, int64_t, \
                              int64_t);                                                                       \
  template void clearPixels<B>(TiledImage<B>&, const Rect&);                                                  \
  template void dropZeroTiles<B>(TiledImage<B>&);
KANVO_TILED_COPY(32)
KANVO_TILED_COPY(8)
KANVO_TILED_COPY(1)
#undef KANVO_TILED_COPY

}  // namespace kanvo
