#include "document/undo/TileStream.h"

#include <gtest/gtest.h>
#include <lz4.h>
#include <zlib.h>

#include <cstring>
#include <random>

#include "support/PaintedTiles.h"

using kanvo::kTileCodeAbsent;
using kanvo::kTileCodeUniform;
using kanvo::kTileMethodLz4;
using kanvo::kTileMethodRaw;
using kanvo::kTileMethodZlib;
using kanvo::Rect;
using kanvo::tileByteCount;
using kanvo::TileStream;
using kanvo::TileStreamReader;
using kanvo::TileStreamWriter;

namespace {

using Bytes = std::vector<uint8_t>;

struct Tile {
  int32_t tx, ty;
  Bytes bytes;  // empty: absent
  int32_t code;  // the code it has (read) or should get (written; -1 for either)
};

uint32_t word(const Bytes& b, size_t at) {
  return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

Bytes streamBytes(const TileStream& s) { return Bytes(s.data(), s.data() + s.byteLength()); }

// One tile of every kind the stream distinguishes, at one depth, with the code each should get.
std::vector<Tile> tileZoo(int bpp, int32_t method, uint32_t seed) {
  const size_t n = tileByteCount(bpp);
  std::mt19937 rng(seed);
  std::vector<Tile> tiles;
  const int32_t compressed = method == kTileMethodZlib || method == kTileMethodLz4 ? method : kTileMethodRaw;

  Bytes random(n);
  for (auto& b : random) b = uint8_t(rng());
  tiles.push_back({0, 0, random, kTileMethodRaw});  // does not shrink: raw whatever the method
  tiles.push_back({1, 0, {}, kTileCodeAbsent});
  tiles.push_back({2, 0, Bytes(n, 0), kTileCodeUniform});  // present but empty stays present

  Bytes same(n);
  if (bpp == 32) {
    for (size_t i = 0; i < n; i += 4) std::memcpy(&same[i], "\x11\x22\x33\x44", 4);
  } else {
    std::fill(same.begin(), same.end(), bpp == 8 ? 0x9A : 0xFF);
  }
  tiles.push_back({-3, 7, same, kTileCodeUniform});

  Bytes almost = same;
  almost.back() ^= 0x80;  // only the very last pixel differs
  tiles.push_back({4, -1, almost, compressed});

  Bytes pattern(n, 0x55);  // 1 bpp: alternate bits, not one value; 8 and 32 bpp: uniform
  tiles.push_back({5, 5, pattern, bpp == 1 ? compressed : kTileCodeUniform});

  if (bpp == 32) {  // alpha 0 everywhere but colour bytes differ: must come back exactly
    Bytes ghost(n, 0);
    for (size_t i = 0; i < n; i += 4) ghost[i] = uint8_t(i / 4);
    tiles.push_back({6, 6, ghost, compressed});
  }

  auto picture = kanvo::test::paintedPicture(256, 6, seed);
  int painted = 0;
  for (int ty = 0; ty < 4; ++ty)
    for (int tx = 0; tx < 4; ++tx) {
      Bytes t = kanvo::test::tileOf(picture, 256, tx, ty, bpp);
      int32_t code = t.empty() ? kTileCodeAbsent : -1;  // -1: compressed or uniform, see below
      if (!t.empty()) ++painted;
      tiles.push_back({10 + tx, 10 + ty, t, code});
    }
  EXPECT_GT(painted, 4);
  return tiles;
}

TileStream encode(const std::vector<Tile>& tiles, int bpp, int32_t method) {
  TileStream s;
  TileStreamWriter w(s, bpp, method);
  for (const Tile& t : tiles) EXPECT_TRUE(w.addTile(t.tx, t.ty, t.bytes.empty() ? nullptr : t.bytes.data()));
  EXPECT_TRUE(w.finish());
  return s;
}

// Reads the whole stream; true when it is sound.
bool decodeAll(const Bytes& stream, int bpp, std::vector<Tile>* out = nullptr) {
  Bytes exact(stream);  // a buffer of exactly the stream's size, so that overreads are caught
  TileStreamReader r(exact.data(), exact.size(), bpp);
  TileStreamReader::Entry e;
  Bytes tile(tileByteCount(bpp) ? tileByteCount(bpp) : 1, 0xEE);
  while (r.next(e, tile.data())) {
    if (out) out->push_back({e.tx, e.ty, e.present ? tile : Bytes(), e.code});
    std::fill(tile.begin(), tile.end(), 0xEE);
  }
  if (r.failed()) {
    // A tile that failed is zeroed, never left half decoded.
    bool zero = std::all_of(tile.begin(), tile.end(), [](uint8_t b) { return b == 0; });
    bool untouched = std::all_of(tile.begin(), tile.end(), [](uint8_t b) { return b == 0xEE; });
    EXPECT_TRUE(zero || untouched);
  }
  return r.finished();
}

}  // namespace

TEST(TileStream, RoundTripsEveryKindAtEveryDepthAndMethod) {
  for (int bpp : {32, 8, 1}) {
    for (int32_t method : {kTileMethodRaw, kTileMethodZlib, kTileMethodLz4}) {
      SCOPED_TRACE("bpp " + std::to_string(bpp) + " method " + std::to_string(method));
      auto tiles = tileZoo(bpp, method, uint32_t(bpp * 10 + method));
      TileStream s = encode(tiles, bpp, method);
      EXPECT_EQ(s.tileCount(), tiles.size());
      std::vector<Tile> back;
      ASSERT_TRUE(decodeAll(streamBytes(s), bpp, &back));
      ASSERT_EQ(back.size(), tiles.size());
      int compressedTiles = 0;
      for (size_t i = 0; i < tiles.size(); ++i) {
        EXPECT_EQ(back[i].tx, tiles[i].tx) << i;
        EXPECT_EQ(back[i].ty, tiles[i].ty) << i;
        EXPECT_EQ(back[i].bytes, tiles[i].bytes) << i;
        if (tiles[i].code >= 0) {
          EXPECT_EQ(back[i].code, tiles[i].code) << i;
        }
        if (back[i].code == kTileMethodZlib || back[i].code == kTileMethodLz4) {
          EXPECT_EQ(back[i].code, method);
          ++compressedTiles;
        }
      }
      if (method != kTileMethodRaw) {
        EXPECT_GT(compressedTiles, 3);
      }
    }
  }
}

TEST(TileStream, LayoutIsExact) {
  // An absent and a uniform tile: 12 and 16 bytes after the count.
  TileStream s;
  {
    TileStreamWriter w(s, 32);
    Bytes same(16384);
    for (size_t i = 0; i < same.size(); i += 4) std::memcpy(&same[i], "\x03\x02\x01\x04", 4);
    w.addAbsent(3, -1);
    w.addTile(0, 0, same.data());
    w.finish();
  }
  Bytes want = {2, 0, 0, 0, 3, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 128, 0, 0, 0,
                0, 0, 0, 0, 0, 0, 0, 0, 255,  0,    0,    0,    3,   2, 1, 4};
  EXPECT_EQ(streamBytes(s), want);

  for (int bpp : {8, 1}) {
    TileStream u;
    TileStreamWriter w(u, bpp);
    Bytes ones(tileByteCount(bpp), bpp == 8 ? 200 : 0xFF);
    w.addTile(1, 2, ones.data());
    w.finish();
    EXPECT_EQ(streamBytes(u), (Bytes{1, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 255, 0, 0, 0, uint8_t(bpp == 8 ? 200 : 1), 0, 0, 0}));
  }

  // Raw, zlib and LZ4 payloads: a length word, the payload as zlib and LZ4 themselves read it,
  // zero bytes up to a multiple of 4.
  auto picture = kanvo::test::paintedPicture(128, 3, 5);
  for (int bpp : {32, 8, 1}) {
    for (int32_t method : {kTileMethodRaw, kTileMethodZlib, kTileMethodLz4}) {
      Bytes tile;
      for (int t = 0; t < 4 && tile.empty(); ++t) tile = kanvo::test::tileOf(picture, 128, t % 2, t / 2, bpp);
      ASSERT_FALSE(tile.empty());
      TileStream one;
      TileStreamWriter w(one, bpp, method);
      w.addTile(7, 8, tile.data());
      w.finish();
      Bytes b = streamBytes(one);
      ASSERT_GE(b.size(), 20u);
      EXPECT_EQ(word(b, 0), 1u);
      EXPECT_EQ(word(b, 4), 7u);
      EXPECT_EQ(word(b, 8), 8u);
      EXPECT_EQ(word(b, 12), uint32_t(method));
      uint32_t len = word(b, 16);
      ASSERT_EQ(b.size(), 20 + ((len + 3) & ~3u));
      for (size_t i = 20 + len; i < b.size(); ++i) EXPECT_EQ(b[i], 0);
      Bytes back(tile.size());
      if (method == kTileMethodRaw) {
        EXPECT_EQ(len, tile.size());
        back.assign(b.begin() + 20, b.begin() + 20 + len);
      } else if (method == kTileMethodZlib) {
        uLongf n = uLongf(back.size());
        ASSERT_EQ(uncompress(back.data(), &n, b.data() + 20, len), Z_OK);
        EXPECT_EQ(n, tile.size());
      } else {
        EXPECT_EQ(LZ4_decompress_safe(reinterpret_cast<const char*>(b.data() + 20), reinterpret_cast<char*>(back.data()),
                                      int(len), int(back.size())),
                  int(tile.size()));
      }
      EXPECT_EQ(back, tile) << bpp << " " << method;
    }
  }

  // A tile that does not shrink costs its raw size plus 16 bytes; an unknown method stores raw.
  Bytes noise(16384);
  std::mt19937 rng(9);
  for (auto& v : noise) v = uint8_t(rng());
  for (int32_t method : {int32_t(kTileMethodZlib), int32_t(kTileMethodLz4), int32_t(17)}) {
    TileStream r;
    TileStreamWriter w(r, 32, method);
    w.addTile(0, 0, noise.data());
    w.finish();
    EXPECT_EQ(r.byteLength(), 4u + 16 + 16384);
    EXPECT_EQ(word(streamBytes(r), 12), uint32_t(kTileMethodRaw));
  }
}

TEST(TileStream, PropertyRandomSequences) {
  std::mt19937 rng(12345);
  auto picture = kanvo::test::paintedPicture(512, 12, 77);
  for (int round = 0; round < 60; ++round) {
    int bpp = (int[]){32, 8, 1}[rng() % 3];
    int32_t method = int32_t(rng() % 3);
    std::vector<Tile> tiles;
    int n = int(rng() % 40);
    for (int i = 0; i < n; ++i) {
      Bytes t;
      switch (rng() % 4) {
        case 0: break;  // absent
        case 1: t.assign(tileByteCount(bpp), bpp == 1 ? (rng() % 2 ? 0xFF : 0) : uint8_t(rng())); break;
        case 2: t = kanvo::test::tileOf(picture, 512, int(rng() % 8), int(rng() % 8), bpp); break;
        default:
          t.resize(tileByteCount(bpp));
          for (auto& b : t) b = uint8_t(rng() % 3 == 0 ? rng() : 0);
      }
      tiles.push_back({int32_t(rng() % 1000) - 500, int32_t(rng() % 1000) - 500, t, -1});
    }
    TileStream s = encode(tiles, bpp, method);
    std::vector<Tile> back;
    ASSERT_TRUE(decodeAll(streamBytes(s), bpp, &back)) << round;
    ASSERT_EQ(back.size(), tiles.size());
    for (size_t i = 0; i < tiles.size(); ++i) {
      ASSERT_EQ(back[i].tx, tiles[i].tx);
      ASSERT_EQ(back[i].ty, tiles[i].ty);
      ASSERT_EQ(back[i].bytes, tiles[i].bytes) << round << " " << i;
    }
    ASSERT_TRUE(kanvo::verifyTileStream(s.data(), s.byteLength(), bpp));
  }
}

TEST(TileStream, DamagedStreamsAreRejectedSafely) {
  for (int32_t method : {kTileMethodRaw, kTileMethodZlib, kTileMethodLz4}) {
    for (int bpp : {32, 8, 1}) {
      Bytes good = streamBytes(encode(tileZoo(bpp, method, 3), bpp, method));
      ASSERT_TRUE(decodeAll(good, bpp));
      // Every truncation is found (every cut in the first words, then a few hundred spread out).
      size_t step = std::max<size_t>(1, good.size() / 300);
      for (size_t cut = 1; cut < good.size(); cut += (cut < 64 ? 1 : step))
        ASSERT_FALSE(decodeAll(Bytes(good.begin(), good.begin() + long(cut)), bpp)) << cut;
      // Trailing bytes are damage too.
      Bytes longer = good;
      longer.insert(longer.end(), {0, 0, 0, 0});
      EXPECT_FALSE(decodeAll(longer, bpp));
      // Random damage: reading stays inside the buffers whatever it finds.
      std::mt19937 rng(uint32_t(method * 100 + bpp));
      for (int round = 0; round < 300; ++round) {
        Bytes bad = good;
        int flips = 1 + int(rng() % 3);
        for (int f = 0; f < flips; ++f) {
          size_t at = rng() % bad.size();
          // Aim at the words (counts, codes, lengths) as often as at payload bytes.
          if (rng() % 2) at = std::min(bad.size() - 1, at & ~size_t(3));
          bad[at] ^= uint8_t(1u << (rng() % 8));
        }
        decodeAll(bad, bpp);
      }
    }
  }
}

TEST(TileStream, SpecificDamageAndMisuse) {
  auto make = [](std::initializer_list<uint32_t> words) {
    Bytes b;
    for (uint32_t w : words)
      for (int i = 0; i < 4; ++i) b.push_back(uint8_t(w >> (8 * i)));
    return b;
  };
  auto why = [](const Bytes& b, int bpp) {
    const char* reason = nullptr;
    EXPECT_FALSE(kanvo::verifyTileStream(b.data(), b.size(), bpp, &reason));
    return std::string(reason ? reason : "");
  };
  EXPECT_EQ(why(make({1000000, 0, 0, 128}), 8), "tile count larger than the stream");
  EXPECT_EQ(why(make({1, 0, 0, 0, 0xFFFFFFFF}), 8), "tile payload longer than the stream");
  EXPECT_EQ(why(make({1, 0, 0, 0, 0}), 8), "tile payload longer than the stream");
  Bytes rawShort = make({1, 0, 0, 0, 8, 1, 2});
  EXPECT_EQ(why(rawShort, 8), "raw tile of the wrong size");
  EXPECT_EQ(why(make({1, 0, 0, 3, 4, 0}), 8), "unknown tile code");
  EXPECT_EQ(why(make({1, 0, 0, 255, 256}), 8), "uniform tile value out of range");
  EXPECT_EQ(why(make({1, 0, 0, 255, 2}), 1), "uniform tile value out of range");
  EXPECT_EQ(why(make({1, 0, 0, 255}), 32), "stream ends inside a tile");
  EXPECT_EQ(why(make({1, 0, 0, 128, 128}), 32), "bytes after the last tile");
  EXPECT_EQ(why(make({1, 0, 0, 2, 4, 0x11223344}), 32), "LZ4 tile damaged");
  EXPECT_EQ(why(make({1, 0, 0, 1, 4, 0x11223344}), 32), "zlib tile damaged");
  EXPECT_TRUE(kanvo::verifyTileStream(nullptr, 0, 32));  // no stream: no tiles
  EXPECT_EQ(why(make({0}), 7), "unknown tile depth");

  // A stream read at the wrong depth never passes.
  auto picture = kanvo::test::paintedPicture(128, 4, 8);
  for (int32_t method : {kTileMethodRaw, kTileMethodZlib, kTileMethodLz4}) {
    Bytes tile = kanvo::test::tileOf(picture, 128, 0, 0, 32);
    if (tile.empty()) tile.assign(16384, 1), tile[5] = 9;
    TileStream s;
    TileStreamWriter w(s, 32, method);
    w.addTile(0, 0, tile.data());
    w.finish();
    EXPECT_FALSE(kanvo::verifyTileStream(s.data(), s.byteLength(), 8)) << method;
    EXPECT_FALSE(kanvo::verifyTileStream(s.data(), s.byteLength(), 1)) << method;
  }

  // A present tile needs a buffer; the reader says so instead of writing through null.
  TileStream s;
  {
    TileStreamWriter w(s, 8);
    Bytes t(4096, 3);
    w.addTile(0, 0, t.data());
    EXPECT_EQ(w.tileCount(), 1u);
    w.finish();
    EXPECT_FALSE(w.addTile(1, 0, t.data()));  // finished
  }
  TileStreamReader r(s, 8);
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
  auto eq = [](kanvo::TileRange t, int x0, int y0, int x1, int y1) {
    EXPECT_EQ(t.x0, x0);
    EXPECT_EQ(t.y0, y0);
    EXPECT_EQ(t.x1, x1);
    EXPECT_EQ(t.y1, y1);
  };
  eq(kanvo::tileRangeOf(Rect(0, 0, 1, 1)), 0, 0, 1, 1);
  eq(kanvo::tileRangeOf(Rect(63, 64, 2, 64)), 0, 1, 2, 2);
  eq(kanvo::tileRangeOf(Rect(-1, -65, 1, 1)), -1, -2, 0, -1);
  eq(kanvo::tileRangeOf(Rect(-128, -64, 128, 64)), -2, -1, 0, 0);
  EXPECT_EQ(kanvo::tileRangeOf(Rect(0, 0, 512, 512)).count(), 64);
  EXPECT_EQ(kanvo::tileRangeOf(Rect(0, 0, 32760, 32760)).count(), 512 * 512);
  EXPECT_EQ(kanvo::tileRangeOf(Rect()).count(), 0);
  EXPECT_EQ(kanvo::tileRangeOf(Rect(5, 5, -3, 4)).count(), 0);
  eq(kanvo::tileRangeOf(Rect(INT32_MAX - 10, 0, 10, 1)), (INT32_MAX - 10) / 64, 0, (int64_t(INT32_MAX) + 63) / 64, 1);
}
