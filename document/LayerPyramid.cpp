#include "document/LayerPyramid.h"

#include <algorithm>
#include <cstring>

#include "raster/tiled/TiledCopy.h"

namespace kanvo {

namespace {

// The value a uniform source tile gives its block: the value itself, or 255 / 0 for bits.
template <int SourceBpp>
typename TileTraits<SourceBpp == 1 ? 8 : SourceBpp>::Value uniformValue(const typename TileTraits<SourceBpp>::Tile& tile,
                                                                        bool& uniform) {
  if constexpr (SourceBpp == 1) {
    int bit = 0;
    uniform = tile.isUniform(&bit);
    return bit ? 255 : 0;
  } else {
    typename TileTraits<SourceBpp>::Value v = 0;
    uniform = tile.isUniform(&v);
    return v;
  }
}

// Reduces source tile (tx, ty) into its 32 x 32 block of dst, which holds only 0 pixels
// before. False when a tile of dst could not be had.
template <int SourceBpp, int LevelBpp>
bool reduceTile(const TiledImage<SourceBpp>& src, int32_t tx, int32_t ty, TiledImage<LevelBpp>& dst) {
  using SrcTraits = TileTraits<SourceBpp>;
  using DstTraits = TileTraits<LevelBpp>;
  using Value = typename DstTraits::Value;
  const auto* tile = src.tile(tx, ty);
  if (tile == nullptr) return true;
  const int64_t bx = int64_t(tx) * 32, by = int64_t(ty) * 32;
  const int32_t cols = int32_t(std::min<int64_t>(32, int64_t(dst.width()) - bx));
  const int32_t rows = int32_t(std::min<int64_t>(32, int64_t(dst.height()) - by));
  if (cols <= 0 || rows <= 0) return true;
  const int32_t lx = (tx & 1) * 32, ly = (ty & 1) * 32;
  typename DstTraits::Tile* out = nullptr;
  auto outRow = [&](int32_t j) -> uint8_t* {
    if (out == nullptr) out = dst.getOrCreateTile(tx >> 1, ty >> 1);
    return out == nullptr ? nullptr : out->bits() + size_t(ly + j) * DstTraits::kRowBytes;
  };

  bool uniform = false;
  const Value same = uniformValue<SourceBpp>(*tile, uniform);
  if (uniform) {
    if (same == 0) return true;
    for (int32_t j = 0; j < rows; ++j) {
      uint8_t* row = outRow(j);
      if (row == nullptr) return false;
      for (int32_t i = 0; i < cols; ++i) DstTraits::set(row, lx + i, same);
    }
    return true;
  }
  for (int32_t j = 0; j < rows; ++j) {
    const uint8_t* a = tile->bits() + size_t(2 * j) * SrcTraits::kRowBytes;
    if constexpr (SourceBpp == LevelBpp) {
      // The row's even pixels gathered, then written as one run when any is not 0: the block
      // is empty beforehand, so its 0 pixels are the same written or not.
      Value run[32];
      Value any = 0;
      for (int32_t i = 0; i < cols; ++i) any |= run[i] = SrcTraits::get(a, 2 * i);
      if (any == 0) continue;
      uint8_t* row = outRow(j);
      if (row == nullptr) return false;
      std::memcpy(row + size_t(lx) * sizeof(Value), run, size_t(cols) * sizeof(Value));
      continue;
    }
    uint8_t* row = nullptr;
    for (int32_t i = 0; i < cols; ++i) {
      Value v;
      if constexpr (SourceBpp == 1) {
        const uint8_t* b = a + SrcTraits::kRowBytes;
        const int set = SrcTraits::get(a, 2 * i) + SrcTraits::get(a, 2 * i + 1) + SrcTraits::get(b, 2 * i) +
                        SrcTraits::get(b, 2 * i + 1);
        v = Value(std::min(64 * set, 255));
      } else {
        v = SrcTraits::get(a, 2 * i);
      }
      if (v == 0) continue;
      if (row == nullptr && (row = outRow(j)) == nullptr) return false;
      DstTraits::set(row, lx + i, v);
    }
  }
  return true;
}

// Reduces the source tiles in the tile range [tx0, tx1] x [ty0, ty1] into dst.
template <int SourceBpp, int LevelBpp>
bool reduceTiles(const TiledImage<SourceBpp>& src, int32_t tx0, int32_t ty0, int32_t tx1, int32_t ty1,
                 TiledImage<LevelBpp>& dst) {
  bool complete = true;
  tx1 = std::min(tx1, src.tilesX() - 1);
  ty1 = std::min(ty1, src.tilesY() - 1);
  for (int32_t ty = std::max(ty0, 0); ty <= ty1; ++ty) {
    for (int32_t tx = std::max(tx0, 0); tx <= tx1; ++tx) {
      if (src.tileExists(tx, ty) && !reduceTile(src, tx, ty, dst)) complete = false;
    }
  }
  return complete;
}

}  // namespace

template <int LevelBpp>
bool LayerPyramid<LevelBpp>::prepare(uint32_t width, uint32_t height) {
  for (int32_t k = 1; k <= kPyramidLevels; ++k) {
    if (!levels_[k - 1].resize(pyramidLevelSide(width, k), pyramidLevelSide(height, k))) {
      release();
      return false;
    }
  }
  storeWidth_ = width;
  storeHeight_ = height;
  prepared_ = true;
  return true;
}

template <int LevelBpp>
void LayerPyramid<LevelBpp>::release() {
  for (Level& level : levels_) level = Level();
  storeWidth_ = storeHeight_ = 0;
  prepared_ = false;
}

template <int LevelBpp>
template <int SourceBpp>
bool LayerPyramid<LevelBpp>::rebuild(const TiledImage<SourceBpp>& store) {
  static_assert(SourceBpp == LevelBpp || (SourceBpp == 1 && LevelBpp == 8), "no such reduction");
  if (!isPreparedFor(store.width(), store.height())) {
    if (!prepare(store.width(), store.height())) return false;
  }
  bool complete = true;
  levels_[0].clear();
  if (!reduceTiles(store, 0, 0, store.tilesX() - 1, store.tilesY() - 1, levels_[0])) complete = false;
  for (int32_t k = 2; k <= kPyramidLevels; ++k) {
    const Level& from = levels_[k - 2];
    levels_[k - 1].clear();
    if (!reduceTiles(from, 0, 0, from.tilesX() - 1, from.tilesY() - 1, levels_[k - 1])) complete = false;
  }
  return complete;
}

template <int LevelBpp>
template <int SourceBpp>
bool LayerPyramid<LevelBpp>::update(const TiledImage<SourceBpp>& store, const Rect& rect) {
  static_assert(SourceBpp == LevelBpp || (SourceBpp == 1 && LevelBpp == 8), "no such reduction");
  if (!isPreparedFor(store.width(), store.height())) return rebuild(store);
  // The changed tiles of level k - 1, in tile coordinates of that level.
  int64_t tx0 = std::max<int64_t>(int64_t(rect.x) >> kTileShift, 0);
  int64_t ty0 = std::max<int64_t>(int64_t(rect.y) >> kTileShift, 0);
  int64_t tx1 = std::min<int64_t>((int64_t(rect.x) + rect.width - 1) >> kTileShift, store.tilesX() - 1);
  int64_t ty1 = std::min<int64_t>((int64_t(rect.y) + rect.height - 1) >> kTileShift, store.tilesY() - 1);
  if (rect.width < 1 || rect.height < 1 || tx0 > tx1 || ty0 > ty1) return true;
  bool complete = true;
  for (int32_t k = 1; k <= kPyramidLevels; ++k) {
    Level& dst = levels_[k - 1];
    if (dst.width() == 0 || dst.height() == 0) break;  // every later level is empty too
    // The blocks of level k made from those tiles: 32 pixels per tile.
    const Rect blocks(int32_t(tx0 * 32), int32_t(ty0 * 32), int32_t((tx1 - tx0 + 1) * 32),
                      int32_t((ty1 - ty0 + 1) * 32));
    clearPixels(dst, blocks);
    const bool ok = k == 1 ? reduceTiles(store, int32_t(tx0), int32_t(ty0), int32_t(tx1), int32_t(ty1), dst)
                           : reduceTiles(levels_[k - 2], int32_t(tx0), int32_t(ty0), int32_t(tx1), int32_t(ty1), dst);
    if (!ok) complete = false;
    tx0 >>= 1;
    ty0 >>= 1;
    tx1 >>= 1;
    ty1 >>= 1;
  }
  return complete;
}

template <int LevelBpp>
template <int SourceBpp>
bool LayerPyramid<LevelBpp>::reduceTileRow(const TiledImage<SourceBpp>& store, int32_t ty) {
  static_assert(SourceBpp == LevelBpp || (SourceBpp == 1 && LevelBpp == 8), "no such reduction");
  if (!isPreparedFor(store.width(), store.height()) || ty < 0 || ty >= store.tilesY()) return false;
  bool complete = reduceTiles(store, 0, ty, store.tilesX() - 1, ty, levels_[0]);
  const bool last = ty == store.tilesY() - 1;
  // Tile row ty >> j of level j is made from the store's tile rows (ty >> j) << j and the
  // 2^j - 1 after it: it is complete once the last of them is written.
  for (int32_t k = 2; k <= kPyramidLevels; ++k) {
    if (!last && ((ty + 1) & ((1 << (k - 1)) - 1)) != 0) break;
    const Level& from = levels_[k - 2];
    const int32_t row = ty >> (k - 1);
    if (!reduceTiles(from, 0, row, from.tilesX() - 1, row, levels_[k - 1])) complete = false;
  }
  return complete;
}

template <int LevelBpp>
bool LayerPyramid<LevelBpp>::assign(const LayerPyramid& other) {
  if (&other == this) return true;
  bool complete = true;
  for (int32_t i = 0; i < kPyramidLevels; ++i) {
    if (!levels_[i].assign(other.levels_[i])) complete = false;
  }
  storeWidth_ = other.storeWidth_;
  storeHeight_ = other.storeHeight_;
  prepared_ = other.prepared_ && complete;
  return complete;
}

template <int LevelBpp>
uint64_t LayerPyramid<LevelBpp>::tileBytes() const {
  uint64_t bytes = 0;
  for (const Level& level : levels_) {
    bytes += uint64_t(level.presentTileCount()) * TileTraits<LevelBpp>::kRowBytes * kTileSize;
  }
  return bytes;
}

template class LayerPyramid<32>;
template class LayerPyramid<8>;
template bool LayerPyramid<32>::rebuild<32>(const TiledImage<32>&);
template bool LayerPyramid<8>::rebuild<8>(const TiledImage<8>&);
template bool LayerPyramid<8>::rebuild<1>(const TiledImage<1>&);
template bool LayerPyramid<32>::update<32>(const TiledImage<32>&, const Rect&);
template bool LayerPyramid<8>::update<8>(const TiledImage<8>&, const Rect&);
template bool LayerPyramid<8>::update<1>(const TiledImage<1>&, const Rect&);
template bool LayerPyramid<32>::reduceTileRow<32>(const TiledImage<32>&, int32_t);
template bool LayerPyramid<8>::reduceTileRow<8>(const TiledImage<8>&, int32_t);
template bool LayerPyramid<8>::reduceTileRow<1>(const TiledImage<1>&, int32_t);

}  // namespace kanvo
