// The tile stream: random sequences of every kind of tile read back exactly, with the code each
// should get; what tiles cost; damaged streams refused without reading outside the buffer.
#include "document/undo/TileStream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <random>
#include <string>
#include <tuple>

#include "support/PaintedTiles.h"

namespace kanvo {
namespace {

using Bytes = std::vector<uint8_t>;
constexpr int32_t kMethods[] = {kTileMethodRaw, kTileMethodZlib, kTileMethodLz4};

struct Tile {
  int32_t tx, ty;
  Bytes bytes;   // empty: absent
  int32_t code;  // the code it has (read) or should get (written; -1 for compressed or uniform)
  auto key() const { return std::tie(tx, ty, bytes); }
};

Bytes words(std::initializer_list<uint32_t> values) {
  Bytes b;
  for (uint32_t w : values)
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(w >> (8 * i)));
  return b;
}
Bytes streamBytes(const TileStream& s) {
  return Bytes(s.data(), s.data() + s.byteLength());
}

// One tile of every kind the stream distinguishes at a depth (coordinates to be given), with the
// code each should get, and tiles of painted content.
std::vector<Tile> tileKinds(int bpp, int32_t method, std::mt19937& rng) {
  const size_t n = tileByteCount(bpp);
  const int32_t compressed = method == kTileMethodRaw ? kTileMethodRaw : method;
  Bytes random(n), same(n, bpp == 8 ? 0x9A : 0xFF), ghost(n, 0);
  for (auto& b : random) b = uint8_t(rng());
  if (bpp == 32)
    for (size_t i = 0; i < n; i += 4) std::memcpy(&same[i], "\x11\x22\x33\x44", 4);
  Bytes almost = same;
  almost.back() ^= 0x80;                                        // only the very last pixel differs
  for (size_t i = 0; i < n; i += 4) ghost[i] = uint8_t(i / 4);  // 32 bpp: colour under alpha 0
  std::vector<Tile> tiles = {
      {0, 0, random, kTileMethodRaw},  // does not shrink: raw whatever the method
      {0, 0, {}, kTileCodeAbsent},
      {0, 0, Bytes(n, 0), kTileCodeUniform},  // present but empty stays present
      {0, 0, same, kTileCodeUniform},
      {0, 0, almost, compressed},
      {0, 0, Bytes(n, 0x55), bpp == 1 ? compressed : kTileCodeUniform},  // 1 bpp: alternate bits
      {0, 0, ghost, bpp == 32 ? compressed : -1}};
  const auto picture = test::paintedPicture(256, 6, rng());
  for (int t = 0; t < 16; ++t) {
    Bytes painted = test::tileOf(picture, 256, t % 4, t / 4, bpp);
    tiles.push_back({0, 0, painted, painted.empty() ? kTileCodeAbsent : -1});
  }
  return tiles;
}

TileStream encode(const std::vector<Tile>& tiles, int bpp, int32_t method) {
  TileStream s;
  TileStreamWriter w(s, bpp, method);
  for (const Tile& t : tiles) EXPECT_TRUE(w.addTile(t.tx, t.ty, t.bytes.empty() ? nullptr : t.bytes.data()));
  EXPECT_TRUE(w.finish());
  return s;
}

// Reads the whole stream from a buffer of exactly its size (so that overreads are caught); true
// when it is sound. A tile that failed is zeroed, never left half decoded.
bool decodeAll(const Bytes& stream, int bpp, std::vector<Tile>* out = nullptr) {
  TileStreamReader r(stream.data(), stream.size(), bpp);
  TileStreamReader::Entry e;
  Bytes tile(tileByteCount(bpp) ? tileByteCount(bpp) : 1, 0xEE);
  while (r.next(e, tile.data())) {
    if (out) out->push_back({e.tx, e.ty, e.present ? tile : Bytes(), e.code});
    std::fill(tile.begin(), tile.end(), 0xEE);
  }
  if (r.failed()) {
    EXPECT_TRUE(std::all_of(tile.begin(), tile.end(), [](uint8_t b) { return b == 0; }) ||
                std::all_of(tile.begin(), tile.end(), [](uint8_t b) { return b == 0xEE; }));
  }
  return r.finished();
}

TEST(TileStream, RandomSequencesOfEveryKindComeBackExactly) {
  std::mt19937 rng(12345);
  for (int bpp : {32, 8, 1}) {
    for (int32_t method : kMethods) {
      SCOPED_TRACE("bpp " + std::to_string(bpp) + " method " + std::to_string(method));
      const std::vector<Tile> kinds = tileKinds(bpp, method, rng);
      int compressedTiles = 0;
      for (int round = 0; round < 8; ++round) {
        // Every kind once, then random picks, at random places.
        std::vector<Tile> tiles = round == 0 ? kinds : std::vector<Tile>(rng() % 40);
        for (Tile& t : tiles) {
          if (round > 0) t = kinds[rng() % kinds.size()];
          t.tx = int32_t(rng() % 1000) - 500;
          t.ty = int32_t(rng() % 1000) - 500;
        }
        const TileStream s = encode(tiles, bpp, method);
        EXPECT_EQ(s.tileCount(), tiles.size());
        ASSERT_TRUE(verifyTileStream(s.data(), s.byteLength(), bpp));
        std::vector<Tile> back;
        ASSERT_TRUE(decodeAll(streamBytes(s), bpp, &back));
        ASSERT_EQ(back.size(), tiles.size());
        for (size_t i = 0; i < tiles.size(); ++i) {
          ASSERT_TRUE(back[i].key() == tiles[i].key()) << i;
          if (tiles[i].code >= 0) {
            EXPECT_EQ(back[i].code, tiles[i].code) << i;
          }
          if (back[i].code == kTileMethodZlib || back[i].code == kTileMethodLz4) {
            EXPECT_EQ(back[i].code, method);
            ++compressedTiles;
          }
        }
      }
      if (method != kTileMethodRaw) {
        EXPECT_GT(compressedTiles, 3);
      }
    }
  }
}

// What tiles cost (the undo budget counts stream bytes): an absent tile 12 bytes, a uniform one
// 16, any other at most its raw size plus 16, whatever the method (an unknown one stores raw).
TEST(TileStream, TileCosts) {
  std::mt19937 rng(9);
  for (int bpp : {32, 8, 1}) {
    const size_t n = tileByteCount(bpp);
    Bytes noise(n);
    for (auto& v : noise) v = uint8_t(rng());
    EXPECT_EQ(encode({{3, -1, {}, 0}}, bpp, kTileMethodLz4).byteLength(), 4u + 12);
    EXPECT_EQ(encode({{3, -1, Bytes(n, 0xFF), 0}}, bpp, kTileMethodLz4).byteLength(), 4u + 16);
    for (int32_t method : {int32_t(kTileMethodZlib), int32_t(kTileMethodLz4), int32_t(17)}) {
      const TileStream s = encode({{0, 0, noise, 0}}, bpp, method);
      EXPECT_EQ(s.byteLength(), 4 + 16 + n);
      std::vector<Tile> back;
      ASSERT_TRUE(decodeAll(streamBytes(s), bpp, &back));
      EXPECT_EQ(back[0].bytes, noise);
    }
  }
}

TEST(TileStream, DamagedStreamsAreRefusedSafely) {
  std::mt19937 rng(3);
  for (int32_t method : kMethods) {
    for (int bpp : {32, 8, 1}) {
      const Bytes good = streamBytes(encode(tileKinds(bpp, method, rng), bpp, method));
      ASSERT_TRUE(decodeAll(good, bpp));
      // Every truncation is found (every cut in the first words, then a few hundred spread out).
      const size_t step = std::max<size_t>(1, good.size() / 300);
      for (size_t cut = 1; cut < good.size(); cut += (cut < 64 ? 1 : step))
        ASSERT_FALSE(decodeAll(Bytes(good.begin(), good.begin() + long(cut)), bpp)) << cut;
      Bytes longer = good;  // trailing bytes are damage too
      longer.insert(longer.end(), {0, 0, 0, 0});
      EXPECT_FALSE(decodeAll(longer, bpp));
      // Random damage, aimed at the words as often as at payload bytes: reading stays inside the
      // buffers whatever it finds.
      for (int round = 0; round < 300; ++round) {
        Bytes bad = good;
        for (int f = 0, flips = 1 + int(rng() % 3); f < flips; ++f) {
          size_t at = rng() % bad.size();
          if (rng() % 2) at = std::min(bad.size() - 1, at & ~size_t(3));
          bad[at] ^= uint8_t(1u << (rng() % 8));
        }
        decodeAll(bad, bpp);
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
  };
  for (const auto& c : cases) {
    const char* reason = nullptr;
    EXPECT_FALSE(verifyTileStream(c.stream.data(), c.stream.size(), c.bpp, &reason));
    EXPECT_STREQ(reason, c.reason);
  }
  EXPECT_TRUE(verifyTileStream(nullptr, 0, 32));  // no stream: no tiles

  // A stream read at the wrong depth never passes.
  const auto picture = test::paintedPicture(128, 4, 8);
  for (int32_t method : kMethods) {
    Bytes tile = test::tileOf(picture, 128, 0, 0, 32);
    if (tile.empty()) tile.assign(16384, 1), tile[5] = 9;
    const TileStream s = encode({{0, 0, tile, 0}}, 32, method);
    EXPECT_FALSE(verifyTileStream(s.data(), s.byteLength(), 8)) << method;
    EXPECT_FALSE(verifyTileStream(s.data(), s.byteLength(), 1)) << method;
  }
}

TEST(TileStream, MisuseIsRefused) {
  TileStream s;
  {
    TileStreamWriter w(s, 8);
    Bytes t(4096, 3);
    EXPECT_TRUE(w.addTile(0, 0, t.data()));
    EXPECT_TRUE(w.finish());
    EXPECT_FALSE(w.addTile(1, 0, t.data()));  // finished
  }
  TileStreamReader r(s, 8);  // a present tile needs a buffer
  TileStreamReader::Entry e;
  EXPECT_FALSE(r.next(e, nullptr));
  EXPECT_STREQ(r.failure(), "no tile buffer given");

  TileStream bad;
  TileStreamWriter w(bad, 24);
  EXPECT_FALSE(w.isValid());
  EXPECT_FALSE(w.addAbsent(0, 0));
  EXPECT_FALSE(w.finish());
  EXPECT_TRUE(bad.empty());
}

TEST(TileStream, TileRangeWidensOutward) {
  const std::pair<Rect, std::array<int32_t, 4>> cases[] = {
      {Rect(0, 0, 1, 1), {0, 0, 1, 1}},
      {Rect(63, 64, 2, 64), {0, 1, 2, 2}},
      {Rect(-1, -65, 1, 1), {-1, -2, 0, -1}},
      {Rect(-128, -64, 128, 64), {-2, -1, 0, 0}},
      {Rect(0, 0, 32760, 32760), {0, 0, 512, 512}},
      {Rect(), {0, 0, 0, 0}},
      {Rect(5, 5, -3, 4), {0, 0, 0, 0}},
      {Rect(INT32_MAX - 10, 0, 10, 1),
       {(INT32_MAX - 10) / 64, 0, int32_t((int64_t(INT32_MAX) + 63) / 64), 1}}};
  for (const auto& [pixels, want] : cases) {
    const TileRange t = tileRangeOf(pixels);
    EXPECT_EQ((std::array{t.x0, t.y0, t.x1, t.y1}), want);
  }
}

}  // namespace
}  // namespace kanvo
