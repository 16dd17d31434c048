#pragma once
// TiledImage<Bpp>: the pixel store of raster layers, masks and the tools' working images, at
// 32, 8 or 1 bits per pixel. The image is divided into 64 x 64 tiles (Image32, Image8 or
// Image1); a tile is allocated only when something non-zero is written into it, and an absent
// tile reads as all zero, so a large, mostly empty image costs one pointer per tile.
//
// Pixel (x, y) lies in tile (x / 64, y / 64) at tile-local (x & 63, y & 63); the tile at tile
// column tx, tile row ty is entry tx + tilesX * ty of the tile table. Every tile is a full
// 64 x 64 buffer, also in the last tile column and row where part of it lies beyond the
// image; those pixels stay 0 and are never reported.
//
// Pixel formats: 32 bpp Color32 (straight alpha; a tile whose alpha bytes are all 0 counts as
// empty), 8 bpp one byte (0 = nothing), 1 bpp one bit (1 = ink; pixel x of a row is bit
// (x & 7) of byte x / 8, least significant bit first).
//
// Coordinates are compared as unsigned values: negative ones are outside. Writers ignore
// pixels outside, readers return 0. A tile allocation that fails leaves the tile absent and
// skips the pixel (or row slice) that needed it.
//
// Region operations (fills here, blits in TiledBlit.h) run row by row through the row
// protocol: the row is read into the image's own row buffer (tilesX x 64 pixels, indexed by
// the image's x), changed by a span routine, and written back. The row buffer makes them
// non-reentrant for a given image, and an image can never be the source of a blit into itself.
//
// Sizes: width and height are unsigned; resize refuses a side above kMaxSide or a table of
// more than kMaxTiles tiles (and reports a failed allocation) by returning false and leaving
// a valid empty 0 x 0 image.
//
// Shared tiles: shareFrom makes an image that holds the same tiles as another without copying
// them. Every tile counts its owners, and whatever is about to change a tile (the writers here
// and in TiledBlit.h and TiledCopy.h, writableTile, getOrCreateTile) first gives this image a
// copy of its own when the tile has other owners (a copy that cannot be had skips the write,
// as a failed allocation does). A shared tile is therefore never changed, and the last owner
// frees it.
//
// Threads: an image that is being changed belongs to one thread; while nothing changes it, any
// number of threads may read it at once (the flatten and the writers read in bands). Images
// sharing tiles may be used, changed and destroyed on different threads: the owner counts are
// atomic. Only shareFrom adds owners, and it reads the other image, so it runs on that image's
// thread.
#include <cstddef>
#include <cstdint>

#include "raster/image/Rect.h"
#include "raster/span/SpanOps.h"
#include "raster/tiled/TileTraits.h"

namespace kanvo {

template <int Bpp>
class TiledImage {
 public:
  using Traits = TileTraits<Bpp>;
  using Tile = typename Traits::Tile;
  using Value = typename Traits::Value;
  static constexpr int32_t kBitsPerPixel = Bpp;
  static constexpr int32_t kTileRowBytes = Traits::kRowBytes;
  // The largest side: keeps every pixel and tile-square coordinate within signed 32 bits.
  static constexpr uint32_t kMaxSide = 0x7FFFFFC0u;
  // The largest tile table (2^26 entries, 512 MiB of pointers, 2^38 pixels).
  static constexpr uint64_t kMaxTiles = uint64_t(1) << 26;

  TiledImage() = default;  // 0 x 0, no tile table, no row buffer
  ~TiledImage();
  TiledImage(const TiledImage&) = delete;
  TiledImage& operator=(const TiledImage&) = delete;
  TiledImage(TiledImage&& other) noexcept;
  TiledImage& operator=(TiledImage&& other) noexcept;

  uint32_t width() const { return width_; }
  uint32_t height() const { return height_; }
  int32_t tilesX() const { return tilesX_; }
  int32_t tilesY() const { return tilesY_; }
  int32_t tileCount() const { return tileCount_; }
  // How many tiles are allocated.
  int32_t presentTileCount() const { return presentTiles_; }
  // The scratch row buffer (null when tilesX is 0) and its size, tilesX x kTileRowBytes bytes.
  // The region operations use it; other code may use it for the row protocol when no region
  // operation of this image is running.
  uint8_t* rowBuffer() const { return rowBuffer_; }
  size_t rowBufferBytes() const { return size_t(tilesX_) * size_t(kTileRowBytes); }

  // Lifecycle. resize first frees every tile, so it always leaves the image empty; the same
  // size keeps the table and the row buffer. False when the size is refused or the table or
  // row buffer cannot be had: the image is then 0 x 0.
  bool resize(uint32_t width, uint32_t height);
  // Frees every tile; size, table and row buffer stay.
  void clear();
  // Resized to other's size, then a copy of each of its tiles. Assigning an image to itself
  // changes nothing. False when the size or some tile could not be had (those tiles stay absent).
  bool assign(const TiledImage& other);
  // Resized to other's size, then holds each of other's tiles too (see Shared tiles above):
  // the same pixels as assign at the cost of the table. Sharing with itself changes nothing.
  // False when the size could not be had.
  bool shareFrom(const TiledImage& other);
  // Whether the tile is held by other images too (false outside the grid or when absent).
  bool tileShared(int32_t tx, int32_t ty) const;
  // Clears this image, then copies every tile (tx, ty) of other to (tx + x / 64, ty + y / 64)
  // here; tiles falling outside this grid are skipped. x and y are meant to be multiples of 64.
  // False (nothing done) when other is this image, or when some tile could not be had.
  bool pasteTilesAt(const TiledImage& other, int32_t x, int32_t y);

  // Tile access, in tile coordinates.
  bool tileExists(int32_t tx, int32_t ty) const { return tile(tx, ty) != nullptr; }
  // The tile, for reading; null outside the grid or when absent.
  const Tile* tile(int32_t tx, int32_t ty) const {
    return insideGrid(tx, ty) ? tiles_[size_t(tx) + size_t(tilesX_) * size_t(ty)] : nullptr;
  }
  // The tile, for changing: this image's own (copied first when shared); null outside the
  // grid, when absent or when the copy cannot be had.
  Tile* writableTile(int32_t tx, int32_t ty);
  // The tile for changing, created (all zero) when absent; null outside the grid or when it
  // cannot be had.
  Tile* getOrCreateTile(int32_t tx, int32_t ty);
  // The same for a position the caller has already checked (a pixel inside the image):
  // precondition 0 <= tx < tilesX, 0 <= ty < tilesY.
  Tile* getOrCreateTileUnchecked(int32_t tx, int32_t ty);
  // Destroys the tile (if any); returns whether the position lies inside the grid.
  bool freeTile(int32_t tx, int32_t ty);

  // Pixel access, in pixel coordinates. 32 bpp values are Color32, 8 bpp bytes, 1 bpp 0 or 1.
  Value getPixel(int32_t x, int32_t y) const;
  // A zero value (1 bpp: a zero bit) never creates a tile.
  void setPixel(int32_t x, int32_t y, Value value);

  // Painting forms, forwarding to the tile's operation at (x & 63, y & 63). A zero colour or
  // value never creates a tile.
  void paintPixel(int32_t x, int32_t y, Color32 colour, int opacity)
    requires(Bpp == 32);
  // Never creates a tile: an absent tile stays absent.
  void blendPixelByColourAlpha(int32_t x, int32_t y, Color32 colour, int opacity)
    requires(Bpp == 32);
  // alpha above 254 stores value; otherwise ((255 - alpha) x old + value x alpha) / 255.
  void blendPixel(int32_t x, int32_t y, uint8_t value, int alpha)
    requires(Bpp == 8);
  // mix8 of value into the pixel at weight opacity.
  void mixPixel(int32_t x, int32_t y, uint8_t value, int opacity)
    requires(Bpp == 8);

  // Row protocol. The tile columns concerned run from max(x / 64, 0) to max((x + length) / 64,
  // 0), both clamped to [0, tilesX - 1], in tile row y / 64; y must lie inside the image.
  // buffer is indexed by this image's x: tile column t occupies bytes
  // [t x kTileRowBytes, (t + 1) x kTileRowBytes), so it holds at least rowBufferBytes() bytes.
  //
  // readRow copies those tile rows into buffer, zeros for absent tiles (and for every slice
  // when y is outside); true when at least one tile was present.
  bool readRow(uint8_t* buffer, int32_t x, int32_t y, int32_t length) const;
  // writeRow copies each slice into its tile, creating the tile, except that an all-zero slice
  // over an absent tile is skipped; true when anything was written.
  bool writeRow(const uint8_t* buffer, int32_t x, int32_t y, int32_t length);
  // writeBand writes count whole rows from y on, all within one tile row and inside the image,
  // row r from rows + r x stride, laid out as the row buffer is (every tile column, from x =
  // 0): the tiles and pixels of writeRow(row, 0, y + r, width) for each row in turn, but a tile
  // it creates is cleared only around the band. False (nothing written) when the rows are not
  // so placed; otherwise whether anything was written.
  bool writeBand(const uint8_t* rows, size_t stride, int32_t y, int32_t count);
  // Whether any of those tile columns holds a tile.
  bool rowHasTiles(int32_t x, int32_t y, int32_t length) const;

  // Frees every present tile that is empty; true when any was freed.
  bool dropEmptyTiles();
  // The same for the tiles from (floor(x / 64), floor(y / 64)) through
  // (ceil((x + width) / 64), ceil((y + height) / 64)) inclusive, clipped to the grid.
  bool dropEmptyTiles(const Rect& rect);
  // The union of the 64 x 64 squares of the present tiles; all-zero when there is none.
  Rect tileBounds() const;
  // The smallest rectangle holding every non-zero pixel (32 bpp: non-zero 32-bit value).
  // All-zero when no tile is present; (0, 0, 1, 1) when tiles are present but all zero.
  Rect usedBounds() const;
  // True as soon as a pixel of the image (absent tiles included) has alpha below 255.
  bool hasTransparency() const
    requires(Bpp == 32);

  // Fills the rectangle, clipped to the image, row by row with this depth's fill span
  // (fillSpan32, fillSpan8, fillSpan1) and params. False when nothing remains after clipping.
  bool fillRect(const SpanParams& params, int32_t x, int32_t y, int32_t width, int32_t height);

 private:
  bool insideGrid(int32_t tx, int32_t ty) const {
    return uint32_t(tx) < uint32_t(tilesX_) && uint32_t(ty) < uint32_t(tilesY_);
  }
  bool insideImage(int32_t x, int32_t y) const { return uint32_t(x) < width_ && uint32_t(y) < height_; }
  // The tile-table slot of the pixel (x, y), which must lie inside the image.
  Tile*& slotOf(int32_t x, int32_t y) const {
    return tiles_[size_t(x >> kTileShift) + size_t(tilesX_) * size_t(y >> kTileShift)];
  }
  // The tile in slot, made this image's own for changing (see writableTile); null when absent.
  Tile* own(Tile*& slot);
  // The tile holding the inside pixel (x, y), created when absent; null when it cannot be had.
  Tile* tileForPixel(int32_t x, int32_t y);
  // The tile a pixel write at (x, y) changes: null outside the image, and where the tile is
  // absent and the value written zero (an absent tile already reads as zero); otherwise the
  // tile, created when absent (null when it cannot be had).
  Tile* tileToPaint(int32_t x, int32_t y, bool nonZero);
  // The tile columns of the row protocol; false when there are none.
  bool columnRange(int32_t x, int32_t y, int32_t length, int32_t& first, int32_t& last) const;
  void destroyTile(Tile*& slot);
  void releaseAll();
  void swap(TiledImage& other) noexcept;

  uint32_t width_ = 0;
  uint32_t height_ = 0;
  uint8_t* rowBuffer_ = nullptr;  // owned, tilesX x kTileRowBytes bytes, zero-filled when allocated
  Tile** tiles_ = nullptr;        // owned table of tileCount tile pointers (each holding one owner count), row-major
  int32_t tilesX_ = 0;
  int32_t tilesY_ = 0;
  int32_t tileCount_ = 0;
  int32_t presentTiles_ = 0;
};

using TiledImage32 = TiledImage<32>;
using TiledImage8 = TiledImage<8>;
using TiledImage1 = TiledImage<1>;

extern template class TiledImage<32>;
extern template class TiledImage<8>;
extern template class TiledImage<1>;

}  // namespace kanvo
