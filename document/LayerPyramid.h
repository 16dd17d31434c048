#pragma once
// The six reduced copies of a pixel store that zoomed-out display draws from.
//
// Level k (1 ... 6) of a w x h store is (w >> k) x (h >> k), each rounded down to an even
// number. Level k is made from level k - 1 (level 0 being the store itself) tile by tile:
// a 64 x 64 tile of level k - 1 whose pixels all hold one value fills the matching 32 x 32
// block of level k with that value; any other tile is decimated: level k pixel (i, j) takes
// the pixel (2i, 2j) of level k - 1 (no averaging), written only when not 0. A 1 bpp store is
// reduced to 8 bpp levels: a uniform tile gives 255 or 0, other tiles 64 x the number of set
// pixels among (2i, 2j), (2i + 1, 2j), (2i, 2j + 1), (2i + 1, 2j + 1), at most 255; its later
// levels are decimated like any 8 bpp level.
//
// LayerPyramid<32> reduces 32 bpp stores, LayerPyramid<8> 8 bpp and 1 bpp stores. The levels
// are owned; a pyramid without levels (0 x 0) is "not prepared".
#include <cstdint>

#include "raster/image/Rect.h"
#include "raster/tiled/TiledImage.h"

namespace kanvo {

constexpr int32_t kPyramidLevels = 6;

// The side of level k for a store side: (side >> k) rounded down to even.
constexpr uint32_t pyramidLevelSide(uint32_t side, int32_t k) { return (side >> k) & ~1u; }

template <int LevelBpp>
class LayerPyramid {
  static_assert(LevelBpp == 32 || LevelBpp == 8, "levels are 32 or 8 bpp");

 public:
  using Level = TiledImage<LevelBpp>;

  LayerPyramid() = default;
  LayerPyramid(const LayerPyramid&) = delete;
  LayerPyramid& operator=(const LayerPyramid&) = delete;

  // Level k, 1 ... 6 (other values are clamped into that range).
  Level& level(int32_t k) { return levels_[clampLevel(k) - 1]; }
  const Level& level(int32_t k) const { return levels_[clampLevel(k) - 1]; }
  // The store size the levels were sized for.
  uint32_t storeWidth() const { return storeWidth_; }
  uint32_t storeHeight() const { return storeHeight_; }
  bool isPreparedFor(uint32_t width, uint32_t height) const {
    return prepared_ && storeWidth_ == width && storeHeight_ == height;
  }

  // Sizes (and so empties) every level for a width x height store. False when a level's
  // tile table cannot be had: the pyramid is then released.
  bool prepare(uint32_t width, uint32_t height);
  // Every level back to 0 x 0.
  void release();

  // Rebuilds all six levels from the store (32 bpp for LayerPyramid<32>; 8 or 1 bpp for
  // LayerPyramid<8>), preparing the levels first when the store's size differs. False when
  // memory ran out (the levels then miss tiles).
  template <int SourceBpp>
  bool rebuild(const TiledImage<SourceBpp>& store);
  // Brings the levels up to date after a change of the store inside rect (store
  // coordinates): the rectangle is widened to whole tiles and every level block that depends
  // on it is recomputed; the result equals a full rebuild.
  template <int SourceBpp>
  bool update(const TiledImage<SourceBpp>& store, const Rect& rect);

  // For a store written from the top a tile row at a time into levels freshly prepared for its
  // size (empty): reduces tile row ty, just written, into level 1, and each later level's tile
  // row that this completes (all of the store rows under it written; the store's last tile row
  // completes them all). Once every tile row has been passed, in order, the levels equal a
  // rebuild. False when the levels are not prepared for the store or memory ran out.
  template <int SourceBpp>
  bool reduceTileRow(const TiledImage<SourceBpp>& store, int32_t ty);

  // A copy of other's levels. False when memory ran out.
  bool assign(const LayerPyramid& other);
  // Bytes held by the levels' tiles.
  uint64_t tileBytes() const;

 private:
  static int32_t clampLevel(int32_t k) { return k < 1 ? 1 : (k > kPyramidLevels ? kPyramidLevels : k); }

  Level levels_[kPyramidLevels];
  uint32_t storeWidth_ = 0, storeHeight_ = 0;
  bool prepared_ = false;
};

extern template class LayerPyramid<32>;
extern template class LayerPyramid<8>;

}  // namespace kanvo
