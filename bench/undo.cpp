// The undo history against the compressors its tile records use: recording a 512 x 512 painted
// rectangle of a 32 bpp layer (64 tiles of soft strokes on a transparent background), and
// recording it and undoing it, with methods 0 (raw), 1 (zlib) and 2 (LZ4), against memcpy,
// compress2 and LZ4_compress_default on the same tiles in the same run.
//
// Recording (BM_RecordVsPeer) is timed in interleaved best-of-5 rounds of ours and the peer's,
// on this thread's CPU clock, with both in their steady state: the history has recorded long
// enough that each record reuses memory the history released (that of its oldest step), and
// the peer writes a record's tiles back to back into one of as many buffers, written once
// before, as the history holds records while it records (its steps and the new one), so that
// both write into memory as long unused and neither into fresh pages. Undoing captures the
// present tiles for redo and writes the recorded ones back, so its peer compresses the tiles
// twice and decompresses them once. The summary prints our time over the peer's.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <lz4.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bench/support/BestOf.h"
#include "bench/support/PaintedTiles.h"
#include "bench/support/Summary.h"
#include "document/Document.h"
#include "document/undo/UndoHistory.h"
#include "strings/StringTable.h"

namespace {

using namespace kanvo;

constexpr int kSize = 512;
constexpr int kAt = 128;  // the rectangle's corner on the canvas, on the tile grid
constexpr size_t kTileBytes = 16384;

const std::vector<uint32_t>& picture() {
  static const std::vector<uint32_t> p = test::paintedPicture(kSize, 14, 2024);
  return p;
}

// The 64 tiles of the picture, empty for a tile holding nothing.
const std::vector<std::vector<uint8_t>>& tiles() {
  static const std::vector<std::vector<uint8_t>> t = [] {
    std::vector<std::vector<uint8_t>> out;
    for (int ty = 0; ty < kSize / 64; ++ty)
      for (int tx = 0; tx < kSize / 64; ++tx) out.push_back(test::tileOf(picture(), kSize, tx, ty, 32));
    return out;
  }();
  return t;
}

size_t presentTiles() {
  size_t n = 0;
  for (const auto& t : tiles()) n += t.empty() ? 0 : 1;
  return n;
}

// A 1024 x 768 document whose current 32 bpp layer holds the picture at (128, 128).
struct Scene {
  StringTable strings{kUiLanguageEnglish};
  Document doc{strings};
  UndoHistory history;
  explicit Scene(int32_t method, uint32_t budget = UndoHistory::kConstructedBudget) {
    doc.newCanvas(1024, 768, kLayerKind32);
    TiledImage32& store = doc.layer(0)->pixels32;
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x) store.setPixel(kAt + x, kAt + y, picture()[size_t(y) * kSize + size_t(x)]);
    doc.layerChangedAll(*doc.layer(0));
    history.setTileMethod(method);
    history.setMemoryBudget(budget);
  }
};

const Rect kRect(kAt, kAt, kSize, kSize);

void BM_RecordUndo(benchmark::State& state) {
  Scene scene(int32_t(state.range(0)));
  for (auto _ : state) {
    scene.history.recordPixels32(scene.doc.layer(0)->pixels32, kRect, 0, "Brush (Layer1)");
    if (scene.history.applyStep(0, scene.doc) != kUndoResultPixels) state.SkipWithError("undo failed");
  }
}

// What an undo of the rectangle asks of the document besides the tiles: its reduced images and
// the current layer's copy are refreshed (Document::layerChanged). Measured alone so that the
// summary can show the history's own share.
void BM_DocumentRefresh(benchmark::State& state) {
  Scene scene(kTileMethodLz4);
  for (auto _ : state) scene.doc.layerChanged(*scene.doc.layer(0), kRect.x, kRect.y, kRect.width, kRect.height);
}

// ---- the peers, on the present tiles

// Compresses every present tile once with the method's peer, back to back into `out` (room for
// capacity bytes); returns the compressed bytes.
size_t peerCompress(int method, uint8_t* out, size_t capacity) {
  size_t total = 0;
  for (const auto& t : tiles()) {
    if (t.empty()) continue;
    uint8_t* o = out + total;
    const size_t room = capacity - total;
    if (method == 0) {
      std::memcpy(o, t.data(), kTileBytes);
      total += kTileBytes;
    } else if (method == 1) {
      uLongf len = uLongf(room);
      compress2(o, &len, t.data(), kTileBytes, Z_DEFAULT_COMPRESSION);
      total += len;
    } else {
      total += size_t(LZ4_compress_default(reinterpret_cast<const char*>(t.data()), reinterpret_cast<char*>(o),
                                           int(kTileBytes), int(room)));
    }
  }
  return total;
}

long faultsNow() {
  rusage u{};
  getrusage(RUSAGE_THREAD, &u);
  return u.ru_minflt + u.ru_majflt;
}

size_t tileBound() { return std::max<size_t>(compressBound(kTileBytes), size_t(LZ4_COMPRESSBOUND(int(kTileBytes)))); }

// Argument 0: the method; argument 1: the budget, the constructed one (0) or the application's
// (1, under which the history keeps only the newest step). Counters: ours_us and peer_us per
// record (the best round of each), ratio, and both records' bytes.
void BM_RecordVsPeer(benchmark::State& state) {
  const int method = int(state.range(0));
  Scene scene(method, state.range(1) ? UndoHistory::kApplicationBudget : UndoHistory::kConstructedBudget);
  auto record = [&] { scene.history.recordPixels32(scene.doc.layer(0)->pixels32, kRect, 0, "Brush (Layer1)"); };
  for (int i = 0; i < 2 * UndoHistory::kSlots; ++i) record();
  const size_t buffers = size_t(scene.history.count()) + 1;
  std::vector<uint8_t> probe(presentTiles() * tileBound());
  const size_t capacity = peerCompress(method, probe.data(), probe.size()) + tileBound();
  std::vector<std::vector<uint8_t>> ring(buffers, std::vector<uint8_t>(capacity, 1));
  size_t peerBytes = 0, next = 0;
  auto peer = [&] {
    std::vector<uint8_t>& out = ring[next];
    next = (next + 1) % ring.size();
    peerBytes = peerCompress(method, out.data(), out.size());
    benchmark::DoNotOptimize(out.data());
  };
  const int calls = method == 1 ? 2 : method == 2 ? 40 : 300;  // some 15 ms a side per round
  bench::BestPair best;
  const long f0 = faultsNow();
  for (auto _ : state) best = bench::bestOfInterleaved(5, calls, record, peer);
  state.counters["faults"] = double(faultsNow() - f0) / (5.0 * calls);
  state.counters["ours_us"] = best.ours * 1e3;
  state.counters["peer_us"] = best.peer * 1e3;
  state.counters["ratio"] = best.ratio();
  state.counters["bytes"] = double(scene.history.undoRecord(0)->sizeEstimate());
  state.counters["peer_bytes"] = double(peerBytes);
}

std::vector<std::vector<uint8_t>> peerBuffers() {
  return std::vector<std::vector<uint8_t>>(presentTiles(), std::vector<uint8_t>(tileBound()));
}

// Two compressions and one decompression of every present tile.
void BM_PeerCompressTwiceDecompress(benchmark::State& state) {
  const int method = int(state.range(0));
  auto out = peerBuffers();
  // The compressed lengths, for decompressing.
  std::vector<size_t> lengths;
  {
    size_t i = 0;
    for (const auto& t : tiles()) {
      if (t.empty()) continue;
      if (method == 1) {
        uLongf len = uLongf(out[i].size());
        compress2(out[i].data(), &len, t.data(), kTileBytes, Z_DEFAULT_COMPRESSION);
        lengths.push_back(len);
      } else if (method == 2) {
        lengths.push_back(size_t(LZ4_compress_default(reinterpret_cast<const char*>(t.data()),
                                                      reinterpret_cast<char*>(out[i].data()), int(kTileBytes),
                                                      int(out[i].size()))));
      } else {
        lengths.push_back(kTileBytes);
      }
      ++i;
    }
  }
  std::vector<uint8_t> second(presentTiles() * tileBound());
  std::vector<uint8_t> tile(kTileBytes);
  for (auto _ : state) {
    peerCompress(method, second.data(), second.size());
    peerCompress(method, second.data(), second.size());
    for (size_t i = 0; i < lengths.size(); ++i) {
      if (method == 0) {
        std::memcpy(tile.data(), out[i].data(), kTileBytes);
      } else if (method == 1) {
        uLongf len = kTileBytes;
        uncompress(tile.data(), &len, out[i].data(), uLong(lengths[i]));
      } else {
        LZ4_decompress_safe(reinterpret_cast<const char*>(out[i].data()), reinterpret_cast<char*>(tile.data()),
                            int(lengths[i]), int(kTileBytes));
      }
      benchmark::DoNotOptimize(tile.data());
    }
  }
}

BENCHMARK(BM_RecordVsPeer)->ArgsProduct({{0, 1, 2}, {0}})->Args({0, 1})->Args({2, 1})->Iterations(1);
BENCHMARK(BM_RecordUndo)->Arg(0)->Arg(1)->Arg(2);
BENCHMARK(BM_PeerCompressTwiceDecompress)->Arg(0)->Arg(1)->Arg(2);
BENCHMARK(BM_DocumentRefresh);

}  // namespace

int main(int argc, char** argv) {
  return kanvo::bench::runWithSummary(argc, argv, [](const kanvo::bench::SummaryReporter& r) {
    std::printf("\nUndo of a 512 x 512 rectangle, %zu of 64 tiles present (32 bpp), time ratio = ours / peer:\n",
                presentTiles());
    for (const auto& [name, what] : {std::pair{"0/0", "record, method 0 vs memcpy"}, {"1/0", "record, method 1 vs compress2"},
                                      {"2/0", "record, method 2 vs LZ4"}, {"0/1", "record, method 0, 1 MiB budget vs memcpy"},
                                      {"2/1", "record, method 2, 1 MiB budget vs LZ4"}}) {
      const kanvo::bench::RunFigures* f = r.find(std::string("BM_RecordVsPeer/") + name + "/iterations:1");
      if (f == nullptr) continue;
      std::printf("%-40s ours %9.1f us  peer %9.1f us  time ratio %.2f  size %8.0f vs %8.0f bytes (best of 5)\n", what,
                  f->counter("ours_us"), f->counter("peer_us"), f->counter("ratio"), f->counter("bytes"),
                  f->counter("peer_bytes"));
    }
    r.printTimeRatio(40, "record + undo, method 0 vs memcpy x3", "BM_RecordUndo/0", "BM_PeerCompressTwiceDecompress/0");
    r.printTimeRatio(40, "record + undo, method 1 vs zlib 2+1", "BM_RecordUndo/1", "BM_PeerCompressTwiceDecompress/1");
    r.printTimeRatio(40, "record + undo, method 2 vs LZ4 2+1", "BM_RecordUndo/2", "BM_PeerCompressTwiceDecompress/2");
    if (const kanvo::bench::RunFigures* refresh = r.find("BM_DocumentRefresh")) {
      std::printf("the undo's document refresh (reduced images, current copy) alone: %.1f us; without it:\n",
                  refresh->ns / 1000.0);
      for (int m = 0; m < 3; ++m) {
        const kanvo::bench::RunFigures* a = r.find("BM_RecordUndo/" + std::to_string(m));
        const kanvo::bench::RunFigures* b = r.find("BM_PeerCompressTwiceDecompress/" + std::to_string(m));
        if (!a || !b || b->ns <= 0) continue;
        const double own = a->ns - refresh->ns;
        std::printf("  record + undo, method %d: %9.1f us, time ratio %.2f\n", m, own / 1000.0, own / b->ns);
      }
    }
  });
}
