#include "raster/tiled/TiledImage.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "raster/image/PixelStore.h"

namespace kanvo {

namespace {

// Floor and ceiling of v / 64 for any 64-bit v.
int64_t floorTile(int64_t v) { return v >> kTileShift; }
int64_t ceilTile(int64_t v) { return -((-v) >> kTileShift); }

// Every tile of a table is one of these: the buffer and the count of the images holding it.
template <class Tile>
struct SharedTile final : Tile {
  SharedTile() : Tile(kTileSize, kTileSize) {}
  std::atomic<int32_t> owners{1};
};

template <class Tile>
SharedTile<Tile>& sharedOf(Tile* tile) {
  return *static_cast<SharedTile<Tile>*>(tile);
}

// A new tile of one owner, all zero (or a copy of from; left as allocated when the caller
// writes it whole), or null when the memory cannot be had.
enum class Fill { kZero, kNone };
template <class Tile>
Tile* newTile(const Tile* from = nullptr, Fill fill = Fill::kZero) {
  auto* tile = new (std::nothrow) SharedTile<Tile>;
  if (tile == nullptr) return nullptr;
  if (!tile->hasPixels()) {
    delete tile;
    return nullptr;
  }
  if (from != nullptr)
    std::memcpy(tile->bits(), from->bits(), size_t(tile->byteCount()));
  else if (fill == Fill::kZero)
    std::memset(tile->bits(), 0, size_t(tile->byteCount()));
  return tile;
}

// Gives up one owner's hold; the last owner frees the tile. The release ordering makes this
// owner's reads of the tile happen before whatever another owner, then alone, writes into it.
template <class Tile>
void releaseTile(Tile* tile) {
  if (sharedOf(tile).owners.fetch_sub(1, std::memory_order_acq_rel) == 1) delete &sharedOf(tile);
}

}  // namespace

template <int Bpp>
TiledImage<Bpp>::~TiledImage() {
  releaseAll();
}

template <int Bpp>
TiledImage<Bpp>::TiledImage(TiledImage&& other) noexcept {
  swap(other);
}

template <int Bpp>
TiledImage<Bpp>& TiledImage<Bpp>::operator=(TiledImage&& other) noexcept {
  if (&other != this) {
    releaseAll();
    swap(other);
  }
  return *this;
}

template <int Bpp>
void TiledImage<Bpp>::swap(TiledImage& o) noexcept {
  std::swap(width_, o.width_);
  std::swap(height_, o.height_);
  std::swap(rowBuffer_, o.rowBuffer_);
  std::swap(tiles_, o.tiles_);
  std::swap(tilesX_, o.tilesX_);
  std::swap(tilesY_, o.tilesY_);
  std::swap(tileCount_, o.tileCount_);
  std::swap(presentTiles_, o.presentTiles_);
}

template <int Bpp>
void TiledImage<Bpp>::releaseAll() {
  clear();
  std::free(tiles_);
  std::free(rowBuffer_);
  tiles_ = nullptr;
  rowBuffer_ = nullptr;
  width_ = height_ = 0;
  tilesX_ = tilesY_ = tileCount_ = 0;
}

template <int Bpp>
void TiledImage<Bpp>::destroyTile(Tile*& slot) {
  if (slot == nullptr) return;
  releaseTile(slot);
  slot = nullptr;
  --presentTiles_;
}

template <int Bpp>
bool TiledImage<Bpp>::resize(uint32_t width, uint32_t height) {
  clear();
  if (width == width_ && height == height_) return true;
  releaseAll();
  if (width > kMaxSide || height > kMaxSide) return false;
  const uint64_t tx = (uint64_t(width) + kTileMask) >> kTileShift;
  const uint64_t ty = (uint64_t(height) + kTileMask) >> kTileShift;
  const uint64_t count = tx * ty;  // below 2^50: no overflow
  const uint64_t rowBytes = tx * uint64_t(kTileRowBytes);
  if (count > kMaxTiles || rowBytes > kMaxImageBytes) return false;
  Tile** table = nullptr;
  uint8_t* buffer = nullptr;
  if (count > 0) {
    // calloc hands out zeroed (null) entries without touching every page up front.
    table = static_cast<Tile**>(std::calloc(size_t(count), sizeof(Tile*)));
    if (table == nullptr) return false;
  }
  if (rowBytes > 0) {
    buffer = static_cast<uint8_t*>(std::calloc(size_t(rowBytes), 1));
    if (buffer == nullptr) {
      std::free(table);
      return false;
    }
  }
  width_ = width;
  height_ = height;
  tilesX_ = int32_t(tx);
  tilesY_ = int32_t(ty);
  tileCount_ = int32_t(count);
  tiles_ = table;
  rowBuffer_ = buffer;
  return true;
}

template <int Bpp>
void TiledImage<Bpp>::clear() {
  for (int32_t i = 0; i < tileCount_ && presentTiles_ > 0; ++i) destroyTile(tiles_[i]);
}

template <int Bpp>
bool TiledImage<Bpp>::assign(const TiledImage& other) {
  if (&other == this) return true;
  if (!resize(other.width_, other.height_)) return false;
  bool complete = true;
  for (int32_t i = 0; i < tileCount_; ++i) {
    const Tile* from = other.tiles_[i];
    if (from == nullptr) continue;
    Tile* to = newTile(from);
    if (to == nullptr) {
      complete = false;
      continue;
    }
    tiles_[i] = to;
    ++presentTiles_;
  }
  return complete;
}

template <int Bpp>
bool TiledImage<Bpp>::shareFrom(const TiledImage& other) {
  if (&other == this) return true;
  if (!resize(other.width_, other.height_)) return false;
  for (int32_t i = 0; i < tileCount_ && presentTiles_ < other.presentTiles_; ++i) {
    Tile* tile = other.tiles_[i];
    if (tile == nullptr) continue;
    sharedOf(tile).owners.fetch_add(1, std::memory_order_relaxed);
    tiles_[i] = tile;
    ++presentTiles_;
  }
  return true;
}

template <int Bpp>
bool TiledImage<Bpp>::tileShared(int32_t tx, int32_t ty) const {
  const Tile* t = tile(tx, ty);
  return t != nullptr && sharedOf(const_cast<Tile*>(t)).owners.load(std::memory_order_acquire) > 1;
}

template <int Bpp>
typename TiledImage<Bpp>::Tile* TiledImage<Bpp>::own(Tile*& slot) {
  if (slot == nullptr || sharedOf(slot).owners.load(std::memory_order_acquire) == 1) return slot;
  Tile* copy = newTile<Tile>(slot);
  if (copy == nullptr) return nullptr;
  releaseTile(slot);
  slot = copy;
  return copy;
}

template <int Bpp>
typename TiledImage<Bpp>::Tile* TiledImage<Bpp>::writableTile(int32_t tx, int32_t ty) {
  return insideGrid(tx, ty) ? own(tiles_[size_t(tx) + size_t(tilesX_) * size_t(ty)]) : nullptr;
}

template <int Bpp>
bool TiledImage<Bpp>::pasteTilesAt(const TiledImage& other, int32_t x, int32_t y) {
  if (&other == this) return false;
  clear();
  const int32_t offsetX = x / kTileSize, offsetY = y / kTileSize;
  bool complete = true;
  for (int32_t ty = 0; ty < other.tilesY_; ++ty) {
    for (int32_t tx = 0; tx < other.tilesX_; ++tx) {
      const Tile* from = other.tile(tx, ty);
      if (from == nullptr) continue;
      const int64_t toX = int64_t(tx) + offsetX, toY = int64_t(ty) + offsetY;
      if (toX < 0 || toY < 0 || toX >= tilesX_ || toY >= tilesY_) continue;
      Tile* to = getOrCreateTileUnchecked(int32_t(toX), int32_t(toY));
      if (to == nullptr) {
        complete = false;
        continue;
      }
      std::memcpy(to->bits(), from->bits(), size_t(from->byteCount()));
    }
  }
  return complete;
}

template <int Bpp>
typename TiledImage<Bpp>::Tile* TiledImage<Bpp>::getOrCreateTile(int32_t tx, int32_t ty) {
  return insideGrid(tx, ty) ? getOrCreateTileUnchecked(tx, ty) : nullptr;
}

template <int Bpp>
typename TiledImage<Bpp>::Tile* TiledImage<Bpp>::getOrCreateTileUnchecked(int32_t tx, int32_t ty) {
  assert(insideGrid(tx, ty));
  Tile*& slot = tiles_[size_t(tx) + size_t(tilesX_) * size_t(ty)];
  if (slot == nullptr) {
    slot = newTile<Tile>();
    if (slot != nullptr) ++presentTiles_;
    return slot;
  }
  return own(slot);
}

template <int Bpp>
bool TiledImage<Bpp>::freeTile(int32_t tx, int32_t ty) {
  if (!insideGrid(tx, ty)) return false;
  destroyTile(tiles_[size_t(tx) + size_t(tilesX_) * size_t(ty)]);
  return true;
}

template <int Bpp>
typename TiledImage<Bpp>::Tile* TiledImage<Bpp>::tileForPixel(int32_t x, int32_t y) {
  return getOrCreateTileUnchecked(x >> kTileShift, y >> kTileShift);
}

template <int Bpp>
typename TiledImage<Bpp>::Tile* TiledImage<Bpp>::tileToPaint(int32_t x, int32_t y, bool nonZero) {
  if (!insideImage(x, y)) return nullptr;
  Tile*& slot = slotOf(x, y);
  return slot != nullptr || !nonZero ? own(slot) : tileForPixel(x, y);
}

// ---- pixels ----

template <int Bpp>
typename TiledImage<Bpp>::Value TiledImage<Bpp>::getPixel(int32_t x, int32_t y) const {
  if (!insideImage(x, y)) return 0;
  const Tile* t = slotOf(x, y);
  if (t == nullptr) return 0;
  return Traits::get(t->bits() + size_t(y & kTileMask) * kTileRowBytes, x & kTileMask);
}

template <int Bpp>
void TiledImage<Bpp>::setPixel(int32_t x, int32_t y, Value value) {
  if (Bpp == 1) value = value ? 1 : 0;
  if (Tile* t = tileToPaint(x, y, value != 0))
    Traits::set(t->bits() + size_t(y & kTileMask) * kTileRowBytes, x & kTileMask, value);
}

template <int Bpp>
void TiledImage<Bpp>::paintPixel(int32_t x, int32_t y, Color32 colour, int opacity)
  requires(Bpp == 32)
{
  // The guard repeats the constraint for compilers that instantiate every member of an
  // explicitly instantiated class (clang 14), where the call would not compile.
  if constexpr (Bpp == 32)
    if (Tile* t = tileToPaint(x, y, colour != 0)) t->paintPixel(x & kTileMask, y & kTileMask, colour, opacity);
}

template <int Bpp>
void TiledImage<Bpp>::blendPixelByColourAlpha(int32_t x, int32_t y, Color32 colour, int opacity)
  requires(Bpp == 32)
{
  if (!insideImage(x, y)) return;
  if constexpr (Bpp == 32)
    if (Tile* t = own(slotOf(x, y))) t->blendPixelByColourAlpha(x & kTileMask, y & kTileMask, colour, opacity);
}

template <int Bpp>
void TiledImage<Bpp>::blendPixel(int32_t x, int32_t y, uint8_t value, int alpha)
  requires(Bpp == 8)
{
  if constexpr (Bpp == 8)
    if (Tile* t = tileToPaint(x, y, value != 0)) t->blendPixel(x & kTileMask, y & kTileMask, value, alpha);
}

template <int Bpp>
void TiledImage<Bpp>::mixPixel(int32_t x, int32_t y, uint8_t value, int opacity)
  requires(Bpp == 8)
{
  if constexpr (Bpp == 8)
    if (Tile* t = tileToPaint(x, y, value != 0)) t->mixPixel(x & kTileMask, y & kTileMask, value, opacity);
}

// ---- row protocol ----

template <int Bpp>
bool TiledImage<Bpp>::columnRange(int32_t x, int32_t y, int32_t length, int32_t& first, int32_t& last) const {
  (void)y;
  if (tilesX_ == 0) return false;
  // Truncating division, as for the pixel coordinates of a row.
  const int64_t from = std::max<int64_t>(int64_t(x) / kTileSize, 0);
  const int64_t to = std::max<int64_t>((int64_t(x) + length) / kTileSize, 0);
  first = int32_t(std::min<int64_t>(from, tilesX_ - 1));
  last = int32_t(std::min<int64_t>(to, tilesX_ - 1));
  return first <= last;
}

template <int Bpp>
bool TiledImage<Bpp>::readRow(uint8_t* buffer, int32_t x, int32_t y, int32_t length) const {
  int32_t first, last;
  if (buffer == nullptr || !columnRange(x, y, length, first, last)) return false;
  uint8_t* out = buffer + size_t(first) * kTileRowBytes;
  const size_t bytes = size_t(last - first + 1) * kTileRowBytes;
  if (uint32_t(y) >= height_) {
    std::memset(out, 0, bytes);
    return false;
  }
  Tile* const* slot = tiles_ + size_t(tilesX_) * size_t(y >> kTileShift) + first;
  const size_t rowOffset = size_t(y & kTileMask) * kTileRowBytes;
  bool any = false;
  for (int32_t t = first; t <= last; ++t, ++slot, out += kTileRowBytes) {
    if (*slot != nullptr) {
      std::memcpy(out, (*slot)->bits() + rowOffset, kTileRowBytes);
      any = true;
    } else {
      std::memset(out, 0, kTileRowBytes);
    }
  }
  return any;
}

template <int Bpp>
bool TiledImage<Bpp>::writeRow(const uint8_t* buffer, int32_t x, int32_t y, int32_t length) {
  int32_t first, last;
  if (buffer == nullptr || uint32_t(y) >= height_ || !columnRange(x, y, length, first, last)) return false;
  const size_t rowOffset = size_t(y & kTileMask) * kTileRowBytes;
  const int32_t ty = y >> kTileShift;
  const uint8_t* in = buffer + size_t(first) * kTileRowBytes;
  bool wrote = false;
  for (int32_t t = first; t <= last; ++t, in += kTileRowBytes) {
    Tile*& slot = tiles_[size_t(t) + size_t(tilesX_) * size_t(ty)];
    if (slot == nullptr && tile_detail::orOfWords(in, kTileRowBytes, 0xFFFFFFFFu) == 0) continue;
    Tile* tile = getOrCreateTileUnchecked(t, ty);
    if (tile == nullptr) continue;
    std::memcpy(tile->bits() + rowOffset, in, kTileRowBytes);
    wrote = true;
  }
  return wrote;
}

template <int Bpp>
bool TiledImage<Bpp>::writeBand(const uint8_t* rows, size_t stride, int32_t y, int32_t count) {
  const int32_t first = y & kTileMask, ty = y >> kTileShift;
  if (rows == nullptr || uint32_t(y) >= height_ || count < 1 || first + count > kTileSize ||
      uint64_t(y) + uint64_t(count) > height_)
    return false;
  const size_t at = size_t(first) * kTileRowBytes, bytes = size_t(count) * kTileRowBytes;
  bool wrote = false;
  for (int32_t t = 0; t < tilesX_; ++t) {
    const uint8_t* in = rows + size_t(t) * kTileRowBytes;
    Tile*& slot = tiles_[size_t(t) + size_t(tilesX_) * size_t(ty)];
    Tile* tile = nullptr;
    if (slot != nullptr) {
      tile = own(slot);
    } else {
      bool any = false;
      for (int32_t r = 0; r < count && !any; ++r)
        any = tile_detail::orOfWords(in + size_t(r) * stride, kTileRowBytes, 0xFFFFFFFFu) != 0;
      if (!any) continue;
      tile = slot = newTile<Tile>(nullptr, Fill::kNone);
      if (tile == nullptr) continue;
      ++presentTiles_;
      std::memset(tile->bits(), 0, at);  // the rows around the band, which it does not write
      std::memset(tile->bits() + at + bytes, 0, size_t(tile->byteCount()) - at - bytes);
    }
    if (tile == nullptr) continue;
    for (int32_t r = 0; r < count; ++r)
      std::memcpy(tile->bits() + at + size_t(r) * kTileRowBytes, in + size_t(r) * stride, kTileRowBytes);
    wrote = true;
  }
  return wrote;
}

template <int Bpp>
bool TiledImage<Bpp>::rowHasTiles(int32_t x, int32_t y, int32_t length) const {
  int32_t first, last;
  if (uint32_t(y) >= height_ || !columnRange(x, y, length, first, last)) return false;
  Tile* const* slot = tiles_ + size_t(tilesX_) * size_t(y >> kTileShift);
  for (int32_t t = first; t <= last; ++t)
    if (slot[t] != nullptr) return true;
  return false;
}

// ---- compaction and bounds ----

template <int Bpp>
bool TiledImage<Bpp>::dropEmptyTiles() {
  bool dropped = false;
  for (int32_t i = 0; i < tileCount_; ++i) {
    if (tiles_[i] != nullptr && Traits::isEmpty(*tiles_[i])) {
      destroyTile(tiles_[i]);
      dropped = true;
    }
  }
  return dropped;
}

template <int Bpp>
bool TiledImage<Bpp>::dropEmptyTiles(const Rect& rect) {
  if (tileCount_ == 0) return false;
  const int64_t tx0 = std::max<int64_t>(floorTile(rect.x), 0);
  const int64_t ty0 = std::max<int64_t>(floorTile(rect.y), 0);
  const int64_t tx1 = std::min<int64_t>(ceilTile(int64_t(rect.x) + rect.width), tilesX_ - 1);
  const int64_t ty1 = std::min<int64_t>(ceilTile(int64_t(rect.y) + rect.height), tilesY_ - 1);
  bool dropped = false;
  for (int64_t ty = ty0; ty <= ty1; ++ty) {
    for (int64_t tx = tx0; tx <= tx1; ++tx) {
      Tile*& slot = tiles_[size_t(tx) + size_t(tilesX_) * size_t(ty)];
      if (slot != nullptr && Traits::isEmpty(*slot)) {
        destroyTile(slot);
        dropped = true;
      }
    }
  }
  return dropped;
}

template <int Bpp>
Rect TiledImage<Bpp>::tileBounds() const {
  int32_t minX = INT32_MAX, minY = INT32_MAX, maxX = -1, maxY = -1;
  for (int32_t ty = 0; ty < tilesY_ && presentTiles_ > 0; ++ty) {
    Tile* const* row = tiles_ + size_t(tilesX_) * size_t(ty);
    for (int32_t tx = 0; tx < tilesX_; ++tx) {
      if (row[tx] == nullptr) continue;
      minX = std::min(minX, tx);
      maxX = std::max(maxX, tx);
      minY = std::min(minY, ty);
      maxY = ty;
    }
  }
  if (maxX < 0) return Rect();
  return Rect(minX * kTileSize, minY * kTileSize, (maxX - minX + 1) * kTileSize, (maxY - minY + 1) * kTileSize);
}

template <int Bpp>
Rect TiledImage<Bpp>::usedBounds() const {
  if (presentTiles_ == 0) return Rect();
  int64_t left = INT64_MAX, top = INT64_MAX, right = -1, bottom = -1;
  for (int32_t ty = 0; ty < tilesY_; ++ty) {
    const int64_t y0 = int64_t(ty) * kTileSize;
    const int32_t rows = int32_t(std::min<int64_t>(kTileSize, int64_t(height_) - y0));
    for (int32_t tx = 0; tx < tilesX_; ++tx) {
      const Tile* t = tiles_[size_t(tx) + size_t(tilesX_) * size_t(ty)];
      if (t == nullptr) continue;
      const int64_t x0 = int64_t(tx) * kTileSize;
      const int32_t cols = int32_t(std::min<int64_t>(kTileSize, int64_t(width_) - x0));
      for (int32_t ly = 0; ly < rows; ++ly) {
        const uint8_t* row = t->bits() + size_t(ly) * kTileRowBytes;
        if (tile_detail::orOfWords(row, kTileRowBytes, 0xFFFFFFFFu) == 0) continue;
        int32_t a = 0;
        while (a < cols && !Traits::used(row, a)) ++a;
        if (a == cols) continue;  // only padding bits beyond the image are set
        int32_t b = cols - 1;
        while (!Traits::used(row, b)) --b;
        left = std::min(left, x0 + a);
        right = std::max(right, x0 + b);
        top = std::min(top, y0 + ly);
        bottom = std::max(bottom, y0 + ly);
      }
    }
  }
  if (right < 0) return Rect(0, 0, 1, 1);
  return Rect(int32_t(left), int32_t(top), int32_t(right - left + 1), int32_t(bottom - top + 1));
}

template <int Bpp>
bool TiledImage<Bpp>::hasTransparency() const
  requires(Bpp == 32)
{
  for (int32_t ty = 0; ty < tilesY_; ++ty) {
    const int32_t rows = int32_t(std::min<int64_t>(kTileSize, int64_t(height_) - int64_t(ty) * kTileSize));
    for (int32_t tx = 0; tx < tilesX_; ++tx) {
      const Tile* t = tiles_[size_t(tx) + size_t(tilesX_) * size_t(ty)];
      if (t == nullptr) return true;
      const int32_t cols = int32_t(std::min<int64_t>(kTileSize, int64_t(width_) - int64_t(tx) * kTileSize));
      for (int32_t ly = 0; ly < rows; ++ly) {
        const uint8_t* row = t->bits() + size_t(ly) * kTileRowBytes;
        uint32_t all = 0xFFFFFFFFu;
        for (int32_t lx = 0; lx < cols; ++lx) all &= tile_detail::loadWord(row + 4 * size_t(lx));
        if ((all >> 24) != 0xFF) return true;
      }
    }
  }
  return false;
}

// ---- fill ----

template <int Bpp>
bool TiledImage<Bpp>::fillRect(const SpanParams& params, int32_t x, int32_t y, int32_t width, int32_t height) {
  Rect r(x, y, width, height);
  if (!clipToSize(r, int32_t(width_), int32_t(height_))) return false;
  // The span runs on each tile's rows in place, tile by tile, rather than row by row through
  // the row buffer. The bytes are the same as reading each row, filling it and writing it back,
  // because a fill changes each pixel on its own: the rows of a tile filled across its whole
  // width are one contiguous run, and every row of an absent tile starts as zeros and so
  // comes out alike (it is kept, creating the tile, only when not all zero).
  const int32_t tx0 = r.x >> kTileShift, tx1 = (r.x + r.width - 1) >> kTileShift;
  const int32_t ty0 = r.y >> kTileShift, ty1 = (r.y + r.height - 1) >> kTileShift;
  alignas(16) uint8_t scratch[kTileRowBytes];
  for (int32_t ty = ty0; ty <= ty1; ++ty) {
    const int32_t rowFrom = std::max(r.y, ty * kTileSize) & kTileMask;
    const int32_t rows = std::min(r.y + r.height, (ty + 1) * kTileSize) - std::max(r.y, ty * kTileSize);
    for (int32_t tx = tx0; tx <= tx1; ++tx) {
      const int32_t tileX = tx * kTileSize;
      const int32_t from = std::max(r.x, tileX) - tileX;
      const int32_t count = std::min(r.x + r.width, tileX + kTileSize) - tileX - from;
      Tile*& slot = tiles_[size_t(tx) + size_t(tilesX_) * size_t(ty)];
      if (slot != nullptr) {
        Tile* tile = own(slot);
        if (tile == nullptr) continue;
        uint8_t* first = tile->bits() + size_t(rowFrom) * kTileRowBytes;
        if (count == kTileSize) {
          Traits::fillSpan(params, first, 0, kTileSize * rows);
        } else {
          for (int32_t i = 0; i < rows; ++i) Traits::fillSpan(params, first + size_t(i) * kTileRowBytes, from, count);
        }
        continue;
      }
      std::memset(scratch, 0, sizeof(scratch));
      Traits::fillSpan(params, scratch, from, count);
      if (tile_detail::orOfWords(scratch, sizeof(scratch), 0xFFFFFFFFu) == 0) continue;
      Tile* tile = getOrCreateTileUnchecked(tx, ty);
      if (tile == nullptr) continue;
      for (int32_t i = 0; i < rows; ++i)
        std::memcpy(tile->bits() + size_t(rowFrom + i) * kTileRowBytes, scratch, kTileRowBytes);
    }
  }
  return true;
}

template class TiledImage<32>;
template class TiledImage<8>;
template class TiledImage<1>;

}  // namespace kanvo
