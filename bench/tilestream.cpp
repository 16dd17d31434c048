// The undo tile stream against the compressors it wraps: a 512 x 512 painted region (64 tiles of
// 32 bpp, soft strokes on a transparent background) written into a stream and read back with
// methods 0 (raw), 1 (zlib) and 2 (LZ4), against memcpy, compress2/uncompress and
// LZ4_compress_default/LZ4_decompress_safe on the same tiles in the same run. The summary prints
// our time over the peer's: the cost of the stream itself (uniform tests, headers, padding).
#include <benchmark/benchmark.h>
#include <lz4.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "bench/support/PaintedTiles.h"
#include "bench/support/Summary.h"
#include "document/undo/TileStream.h"

namespace {

using kanvo::TileStream;
using kanvo::TileStreamReader;
using kanvo::TileStreamWriter;

constexpr int kSize = 512;
constexpr size_t kTileBytes = 16384;

struct Region {
  std::vector<std::vector<uint8_t>> tiles;  // 64, row by row; empty for an absent tile
  size_t present = 0;
};

const Region& region() {
  static const Region r = [] {
    Region g;
    auto picture = kanvo::test::paintedPicture(kSize, 14, 2024);
    for (int ty = 0; ty < kSize / 64; ++ty)
      for (int tx = 0; tx < kSize / 64; ++tx) {
        g.tiles.push_back(kanvo::test::tileOf(picture, kSize, tx, ty, 32));
        if (!g.tiles.back().empty()) ++g.present;
      }
    return g;
  }();
  return r;
}

TileStream encode(int32_t method) {
  TileStream s;
  TileStreamWriter w(s, 32, method, 64);
  int i = 0;
  for (const auto& t : region().tiles) {
    w.addTile(i % 8, i / 8, t.empty() ? nullptr : t.data());
    ++i;
  }
  w.finish();
  return s;
}

void BM_StreamEncode(benchmark::State& state) {
  int32_t method = int32_t(state.range(0));
  size_t bytes = 0;
  for (auto _ : state) {
    TileStream s = encode(method);
    bytes = s.byteLength();
    benchmark::DoNotOptimize(s.data());
  }
  state.counters["bytes"] = double(bytes);
  state.counters["present"] = double(region().present);
}

void BM_StreamDecode(benchmark::State& state) {
  TileStream s = encode(int32_t(state.range(0)));
  std::vector<uint8_t> tile(kTileBytes);
  for (auto _ : state) {
    TileStreamReader r(s, 32);
    TileStreamReader::Entry e;
    while (r.next(e, tile.data())) benchmark::DoNotOptimize(tile.data());
    if (!r.finished()) state.SkipWithError("stream did not read back");
  }
  state.counters["bytes"] = double(s.byteLength());
}

// ---- the peers, on the present tiles of the same region

void BM_PeerCopy(benchmark::State& state) {
  std::vector<uint8_t> out(kTileBytes * 64);
  for (auto _ : state) {
    size_t at = 0;
    for (const auto& t : region().tiles) {
      if (t.empty()) continue;
      std::memcpy(out.data() + at, t.data(), kTileBytes);
      at += kTileBytes;
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["bytes"] = double(region().present * kTileBytes);
}

// Each tile back from one block into a single tile buffer, as reading the stream does.
void BM_PeerCopyBack(benchmark::State& state) {
  std::vector<uint8_t> packed;
  for (const auto& t : region().tiles) packed.insert(packed.end(), t.begin(), t.end());
  std::vector<uint8_t> tile(kTileBytes);
  for (auto _ : state) {
    for (size_t at = 0; at < packed.size(); at += kTileBytes) {
      std::memcpy(tile.data(), packed.data() + at, kTileBytes);
      benchmark::DoNotOptimize(tile.data());
    }
  }
}

void BM_PeerZlibCompress(benchmark::State& state) {
  std::vector<uint8_t> out(compressBound(kTileBytes));
  size_t total = 0;
  for (auto _ : state) {
    total = 0;
    for (const auto& t : region().tiles) {
      if (t.empty()) continue;
      uLongf len = uLongf(out.size());
      compress2(out.data(), &len, t.data(), kTileBytes, Z_DEFAULT_COMPRESSION);
      total += len;
      benchmark::DoNotOptimize(out.data());
    }
  }
  state.counters["bytes"] = double(total);
}

void BM_PeerZlibUncompress(benchmark::State& state) {
  std::vector<std::vector<uint8_t>> packed;
  for (const auto& t : region().tiles) {
    if (t.empty()) continue;
    std::vector<uint8_t> out(compressBound(kTileBytes));
    uLongf len = uLongf(out.size());
    compress2(out.data(), &len, t.data(), kTileBytes, Z_DEFAULT_COMPRESSION);
    out.resize(len);
    packed.push_back(out);
  }
  std::vector<uint8_t> tile(kTileBytes);
  for (auto _ : state) {
    for (const auto& p : packed) {
      uLongf len = kTileBytes;
      uncompress(tile.data(), &len, p.data(), uLong(p.size()));
      benchmark::DoNotOptimize(tile.data());
    }
  }
}

void BM_PeerLz4Compress(benchmark::State& state) {
  std::vector<char> out(LZ4_COMPRESSBOUND(kTileBytes));
  size_t total = 0;
  for (auto _ : state) {
    total = 0;
    for (const auto& t : region().tiles) {
      if (t.empty()) continue;
      total += size_t(LZ4_compress_default(reinterpret_cast<const char*>(t.data()), out.data(), int(kTileBytes),
                                           int(out.size())));
      benchmark::DoNotOptimize(out.data());
    }
  }
  state.counters["bytes"] = double(total);
}

void BM_PeerLz4Decompress(benchmark::State& state) {
  std::vector<std::vector<char>> packed;
  for (const auto& t : region().tiles) {
    if (t.empty()) continue;
    std::vector<char> out(LZ4_COMPRESSBOUND(kTileBytes));
    int n = LZ4_compress_default(reinterpret_cast<const char*>(t.data()), out.data(), int(kTileBytes), int(out.size()));
    out.resize(size_t(n));
    packed.push_back(out);
  }
  std::vector<char> tile(kTileBytes);
  for (auto _ : state) {
    for (const auto& p : packed) {
      LZ4_decompress_safe(p.data(), tile.data(), int(p.size()), int(kTileBytes));
      benchmark::DoNotOptimize(tile.data());
    }
  }
}

BENCHMARK(BM_StreamEncode)->Arg(0)->Arg(1)->Arg(2);
BENCHMARK(BM_StreamDecode)->Arg(0)->Arg(1)->Arg(2);
BENCHMARK(BM_PeerCopy);
BENCHMARK(BM_PeerCopyBack);
BENCHMARK(BM_PeerZlibCompress);
BENCHMARK(BM_PeerZlibUncompress);
BENCHMARK(BM_PeerLz4Compress);
BENCHMARK(BM_PeerLz4Decompress);

}  // namespace

int main(int argc, char** argv) {
  return kanvo::bench::runWithSummary(argc, argv, [](const kanvo::bench::SummaryReporter& r) {
    std::printf("\nTile stream, %zu of 64 tiles present (32 bpp), time ratio = ours / peer:\n", region().present);
    r.printTimeRatio(26, "method 0 write vs memcpy", "BM_StreamEncode/0", "BM_PeerCopy");
    r.printTimeRatio(26, "method 0 read vs memcpy", "BM_StreamDecode/0", "BM_PeerCopyBack");
    r.printTimeRatio(26, "method 1 write vs compress2", "BM_StreamEncode/1", "BM_PeerZlibCompress");
    r.printTimeRatio(26, "method 1 read vs uncompress", "BM_StreamDecode/1", "BM_PeerZlibUncompress");
    r.printTimeRatio(26, "method 2 write vs LZ4", "BM_StreamEncode/2", "BM_PeerLz4Compress");
    r.printTimeRatio(26, "method 2 read vs LZ4", "BM_StreamDecode/2", "BM_PeerLz4Decompress");
  });
}
