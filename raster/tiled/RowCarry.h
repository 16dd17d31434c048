#pragma once
// RowCarry: the lower rows of a row of source tiles, kept by a blit from one destination tile
// row to the next.
//
// A blit whose source lies shifted up or down against the tile grid fills each destination
// tile from the lower rows of one source tile row and the upper rows of the next. Read straight
// from the tiles, every destination tile starts two reads far from where the previous one
// stopped, and at full size the processor's prefetching serves such broken streams far worse
// than reads in address order. With a carry, the blit reads each new source tile in address
// order: the upper rows for the destination tile at hand, then at once its lower rows into a
// slot here, which the next destination tile row reads instead of the tile. Only a copy of the
// same bytes: the result does not change.
//
// The copies bypass the cache where the processor has streaming stores: a slot's old contents
// were read a whole tile row ago and have left the cache, so an ordinary store would first
// fetch them back for nothing.
//
// Slots are numbered by source tile column, from `first`; each holds rows from .. 63 of one
// tile and the tile row it came from. Two sets: keep fills one while rows reads the other, and
// turn swaps them (at the start of each destination tile row).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "raster/tiled/TileTraits.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace kanvo {

template <int32_t RowBytes>
class RowCarry {
 public:
  // Slots for the tile columns first .. first + columns - 1, each holding rows from .. 63
  // (0 < from < 64). False when the memory cannot be had: the blit then reads the tiles.
  bool prepare(int32_t first, int32_t columns, int32_t from) {
    first_ = first;
    columns_ = size_t(columns);
    from_ = from;
    slotBytes_ = size_t(kTileSize - from) * RowBytes;
    bytes_.reset(new (std::nothrow) uint8_t[2 * columns_ * slotBytes_]);
    tags_.reset(new (std::nothrow) int32_t[2 * columns_]);
    if (bytes_ == nullptr || tags_ == nullptr) {
      columns_ = 0;  // no slots: rows finds nothing
      return false;
    }
    for (size_t i = 0; i < 2 * columns_; ++i) tags_[i] = -1;
    return true;
  }
  // Rows row .. 63 of tile (tx, ty), laid out as in the tile, or null when not held.
  const uint8_t* rows(int32_t tx, int32_t ty, int32_t row) const {
    const size_t slot = size_t(uint32_t(tx - first_));
    if (slot >= columns_ || row < from_ || tags_[read_ * columns_ + slot] != ty) return nullptr;
    return bytes_.get() + (read_ * columns_ + slot) * slotBytes_ + size_t(row - from_) * RowBytes;
  }
  // Copies rows from .. 63 of tile (tx, ty), whose pixels begin at bits, into its slot of the
  // set being filled (a column outside the slots is ignored).
  void keep(int32_t tx, int32_t ty, const uint8_t* bits) {
    const size_t slot = size_t(uint32_t(tx - first_)), set = 1 - read_;
    if (slot >= columns_) return;
    stream(bytes_.get() + (set * columns_ + slot) * slotBytes_, bits + size_t(from_) * RowBytes);
    tags_[set * columns_ + slot] = ty;
  }
  void turn() { read_ = 1 - read_; }

  ~RowCarry() {
#ifdef __SSE2__
    if (bytes_ != nullptr) _mm_sfence();  // the streamed stores reach memory before it is handed back
#endif
  }

 private:
  // slotBytes_ bytes from `from` to `to` (a slot: slotBytes_ is a multiple of 16, and so is the
  // slot's offset in a buffer aligned as new aligns it).
  void stream(uint8_t* to, const uint8_t* from) const {
#ifdef __SSE2__
    static_assert(__STDCPP_DEFAULT_NEW_ALIGNMENT__ >= 16 && RowBytes % 16 == 0);
    auto* out = reinterpret_cast<__m128i*>(to);
    for (size_t i = 0; i < slotBytes_ / 16; ++i)
      _mm_stream_si128(out + i, _mm_loadu_si128(reinterpret_cast<const __m128i*>(from) + i));
#else
    std::memcpy(to, from, slotBytes_);
#endif
  }

  std::unique_ptr<uint8_t[]> bytes_;
  std::unique_ptr<int32_t[]> tags_;  // the tile row each slot holds, -1 for none
  size_t columns_ = 0, slotBytes_ = 0, read_ = 0;
  int32_t first_ = 0, from_ = 0;
};

}  // namespace kanvo
