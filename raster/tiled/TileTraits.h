#pragma once
// What distinguishes the three depths of a tiled image: the tile buffer type, the pixel value
// type, the bytes of one 64-pixel tile row, the fill span and what counts as an empty tile or
// a used pixel. TiledImage<Bpp> is written once against these traits.
//
// Tiles are 64 x 64 plain buffers (Image32, Image8 or Image1) whose rows are exactly
// kRowBytes bytes apart, so a tile row maps one to one onto a 64-pixel slice of a row buffer.
#include <cstdint>
#include <cstring>

#include "raster/pixel/Color32.h"
#include "raster/image/Image1.h"
#include "raster/image/Image32.h"
#include "raster/image/Image8.h"
#include "raster/span/SpanOps.h"

namespace kanvo {

constexpr int32_t kTileSize = 64;   // pixels per tile side
constexpr int32_t kTileShift = 6;   // log2(kTileSize)
constexpr int32_t kTileMask = 63;   // tile-local coordinate mask

namespace tile_detail {

inline uint32_t loadWord(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

// OR of every 32-bit word of `bytes` (a multiple of 4) masked with `mask`; zero means none of
// the masked bits is set anywhere.
inline uint32_t orOfWords(const uint8_t* bytes, size_t count, uint32_t mask) {
  uint32_t acc = 0;
  for (size_t i = 0; i < count; i += 4) acc |= loadWord(bytes + i);
  return acc & mask;
}

}  // namespace tile_detail

template <int Bpp>
struct TileTraits;

// What every depth decides alike, from that depth's kRowBytes, kUsedBits (the bits of each
// 32-bit word of a tile that hold pixels that count) and get().
template <class Depth>
struct TileTraitsCommon {
  // A tile is empty when none of the counted bits is set anywhere.
  template <class Tile>
  static bool isEmpty(const Tile& tile) {
    return tile_detail::orOfWords(tile.bits(), size_t(Depth::kRowBytes) * kTileSize, Depth::kUsedBits) == 0;
  }
  // A pixel is used when its value is not 0.
  static bool used(const uint8_t* row, int32_t lx) { return Depth::get(row, lx) != 0; }
};

// 32 bpp: one Color32 per pixel; a tile is empty when every alpha byte is 0.
template <>
struct TileTraits<32> : TileTraitsCommon<TileTraits<32>> {
  using Tile = Image32;
  using Value = Color32;
  static constexpr int32_t kRowBytes = 256;
  static constexpr uint32_t kUsedBits = 0xFF000000u;

  // Pixel lx of a tile row (or of a row buffer, lx counted from its start).
  static Value get(const uint8_t* row, int32_t lx) { return tile_detail::loadWord(row + 4 * size_t(lx)); }
  static void set(uint8_t* row, int32_t lx, Value v) { std::memcpy(row + 4 * size_t(lx), &v, 4); }
  static void fillSpan(const SpanParams& p, uint8_t* row, int32_t x, int32_t count) { fillSpan32(p, row, x, count); }
};

// 8 bpp: one byte per pixel; a tile is empty when every byte is 0.
template <>
struct TileTraits<8> : TileTraitsCommon<TileTraits<8>> {
  using Tile = Image8;
  using Value = uint8_t;
  static constexpr int32_t kRowBytes = 64;
  static constexpr uint32_t kUsedBits = 0xFFFFFFFFu;

  static Value get(const uint8_t* row, int32_t lx) { return row[lx]; }
  static void set(uint8_t* row, int32_t lx, Value v) { row[lx] = v; }
  static void fillSpan(const SpanParams& p, uint8_t* row, int32_t x, int32_t count) { fillSpan8(p, row, x, count); }
};

// 1 bpp: pixel x is bit (x & 7) of byte x / 8, least significant bit first; values 0 and 1.
// A tile is empty when every bit is 0.
template <>
struct TileTraits<1> : TileTraitsCommon<TileTraits<1>> {
  using Tile = Image1;
  using Value = uint8_t;
  static constexpr int32_t kRowBytes = 8;
  static constexpr uint32_t kUsedBits = 0xFFFFFFFFu;

  static Value get(const uint8_t* row, int32_t lx) { return uint8_t((row[lx >> 3] >> (lx & 7)) & 1); }
  static void set(uint8_t* row, int32_t lx, Value v) {
    const uint8_t bit = uint8_t(1u << (lx & 7));
    row[lx >> 3] = v ? uint8_t(row[lx >> 3] | bit) : uint8_t(row[lx >> 3] & ~bit);
  }
  static void fillSpan(const SpanParams& p, uint8_t* row, int32_t x, int32_t count) { fillSpan1(p, row, x, count); }
};

}  // namespace kanvo
