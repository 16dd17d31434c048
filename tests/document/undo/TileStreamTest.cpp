// The tile stream: every kind of tile read back exactly at its cost, and each kind of damage found
// and named. (UndoRecordTest reads damaged streams at random through the restore.)
#include "document/undo/TileStream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <tuple>

namespace kanvo {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes words(std::initializer_list<uint32_t> values) {
  Bytes b;
  for (uint32_t w : values)
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(w >> (8 * i)));
  return b;
}

// A soft round dab over a transparent tile at the depth (1 bpp: alpha 128 or more as ink), coloured
// by position: what painting leaves in a tile.
Bytes softDab(int bpp) {
  Bytes t(tileByteCount(bpp), 0);
  for (size_t i = 0; i < 64 * 64; ++i) {
    const int x = int(i % 64), y = int(i / 64);
    const auto a = uint8_t(std::clamp(400 - int(12 * std::hypot(x - 30, y - 34)), 0, 255));
    if (bpp == 32) t[4 * i] = uint8_t(4 * x), t[4 * i + 1] = uint8_t(4 * y), t[4 * i + 3] = a;
    if (bpp == 8) t[i] = a;
    if (bpp == 1 && a >= 128) t[i / 8] |= uint8_t(1 << (x & 7));
  }
  return t;
}

TileStream encode(const Bytes& tile, int bpp, int32_t method) {
  TileStream s;
  TileStreamWriter w(s, bpp, method);
  EXPECT_TRUE(w.addTile(-3, 7, tile.empty() ? nullptr : tile.data()));
  EXPECT_TRUE(w.finish());
  return s;
}

// Every kind of tile comes back exactly, at the cost the undo budget counts: an absent tile 12
// bytes, a uniform one (zero included) 16, any other at most its raw size plus 16 whatever the
// method (an unknown one stores raw). A tile that differs from uniform only in its last or its
// next-to-last pixel, 32 bpp colour under alpha 0 and 1 bpp alternate bits are no uniform tiles.
TEST(TileStream, EveryKindOfTileComesBackAtItsCost) {
  std::mt19937 rng(9);
  for (int bpp : {32, 8, 1}) {
    const size_t n = tileByteCount(bpp);
    Bytes noise(n), same(n), ghost(n, 0), almost(n, 0xFF), nearly(n, 0xFF);
    for (auto& v : noise) v = uint8_t(rng());
    const uint32_t pixel = rng();  // a uniform tile of a pixel whose bytes differ
    for (size_t i = 0; i < n; ++i) same[i] = bpp == 32 ? uint8_t(pixel >> (8 * (i % 4))) : bpp == 8 ? uint8_t(pixel) : 0xFF;
    for (size_t i = 0; i < n; i += 4) ghost[i] = uint8_t(i / 4);
    almost.back() = 0x7F;
    nearly[n - 5] = 0x7F;
    const std::pair<Bytes, size_t> tiles[] = {{{}, 12},
                                              {Bytes(n, 0), 16},
                                              {same, 16},
                                              {noise, 16 + n},
                                              {almost, 16 + n},
                                              {nearly, 16 + n},
                                              {ghost, 16 + n},
                                              {Bytes(n, 0x55), bpp == 1 ? 16 + n : 16},
                                              {softDab(bpp), 16 + n}};
    for (int32_t method : {int32_t(kTileMethodRaw), int32_t(kTileMethodZlib), int32_t(kTileMethodLz4), 17}) {
      for (const auto& [tile, cost] : tiles) {
        SCOPED_TRACE(::testing::Message()
                     << "bpp " << bpp << " method " << method << " tile of " << tile.size());
        const TileStream s = encode(tile, bpp, method);
        EXPECT_LE(s.byteLength(), 4 + cost);
        EXPECT_EQ(s.byteLength() <= 4 + 16, cost <= 16);
        TileStreamReader r(s, bpp);
        TileStreamReader::Entry e;
        Bytes back(n, 0xEE);
        ASSERT_TRUE(r.next(e, back.data()));
        EXPECT_EQ(std::tuple(e.tx, e.ty, e.present), std::tuple(-3, 7, !tile.empty()));
        EXPECT_TRUE(tile.empty() || back == tile);
        EXPECT_FALSE(r.next(e, back.data()));
        EXPECT_TRUE(r.finished());
      }
    }
  }
}

TEST(TileStream, EachDamageIsNamed) {
  const struct {
    Bytes stream;
    int bpp;
    const char* reason;
  } cases[] = {
      {words({1000000, 0, 0, 128}), 8, "tile count larger than the stream"},
      {words({1, 0, 0, 0, 0xFFFFFFFF}), 8, "tile payload longer than the stream"},
      {words({1, 0, 0, 0, 0}), 8, "tile payload longer than the stream"},
      {words({1, 0, 0, 0, 8, 1, 2}), 8, "raw tile of the wrong size"},
      {words({1, 0, 0, 3, 4, 0}), 8, "unknown tile code"},
      {words({1, 0, 0, 255, 256}), 8, "uniform tile value out of range"},
      {words({1, 0, 0, 255, 2}), 1, "uniform tile value out of range"},
      {words({1, 0, 0, 255}), 32, "stream ends inside a tile"},
      {words({1, 0, 0, 128, 128}), 32, "bytes after the last tile"},
      {words({1, 0, 0, 2, 4, 0x11223344}), 32, "LZ4 tile damaged"},
      {words({1, 0, 0, 1, 4, 0x11223344}), 32, "zlib tile damaged"},
      {words({0}), 7, "unknown tile depth"},
      {[] {  // a payload of 1 byte without its padding
         Bytes b = words({1, 0, 0, 2, 1});
         b.push_back(0);
         return b;
       }(),
       8, "tile payload longer than the stream"},
  };
  for (const auto& c : cases) {
    TileStreamReader r(c.stream.data(), c.stream.size(), c.bpp);
    TileStreamReader::Entry e;
    Bytes tile(std::max<size_t>(tileByteCount(c.bpp), 1));
    while (r.next(e, tile.data())) continue;  // up to the damage
    EXPECT_STREQ(r.failure(), c.reason);
  }
  // A compressed payload cut short fails.
  for (int32_t method : {kTileMethodZlib, kTileMethodLz4}) {
    const TileStream s = encode(softDab(32), 32, method);
    Bytes cut(s.data(), s.data() + s.byteLength());
    cut[16] = uint8_t(cut[16] / 2 + 1);
    cut[17] = cut[18] = 0;
    TileStreamReader r(cut.data(), cut.size(), 32);
    TileStreamReader::Entry e;
    Bytes back(16384);
    EXPECT_FALSE(r.next(e, back.data())) << method;
  }
}

}  // namespace
}  // namespace kanvo
