// The autosave against painting, on a 4096 x 4096 document of four painted 32 bpp layers.
//
// Hold: the tick that takes the snapshot and starts the write (hold_ms, wall clock on the
// interface thread) and the write on its own thread until it ends (write_ms), against a deep
// copy of the same document (Document::assign, deep_copy_ms) in the same iteration, with
// ratio = hold_ms / deep_copy_ms.
//
// Strokes: the Pen at size 40 draws a 2000-sample stroke across the current layer, each
// iteration starting where an autosave starts, so that the stroke runs while the snapshot is
// compressed and written (argument 1) or with no autosave at all (argument 0). The wall time
// of each move event (addSample) gives p50 and p99; the figure to watch is p99 with the
// autosave against p99 without, from the same run (its first tiles touched are copied away
// from the snapshot, and the writer competes for the cores).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>
#include <vector>

#include "app/Recovery.h"
#include "bench/support/PaintedTiles.h"
#include "bench/support/Summary.h"
#include "document/Document.h"
#include "document/undo/UndoHistory.h"
#include "raster/dab/RandomSource.h"
#include "strings/StringTable.h"
#include "tests/support/TempDir.h"
#include "tools/ToolSettings.h"
#include "tools/brush/BrushEngine.h"
#include "tools/dispatch/ToolMode.h"

namespace {

using namespace kanvo;

constexpr int kSize = 4096, kSamples = 2000;

double wallMs() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

const StringTable& strings() {
  static const StringTable table;
  return table;
}

// The painted document, built once; every case works on a copy of it.
const Document& painted() {
  static Document* doc = [] {
    auto* d = new Document(strings());
    d->newCanvas(kSize, kSize, kLayerKind32);
    const std::vector<std::vector<uint32_t>> pictures = {
        test::paintedBackdrop(kSize), test::paintedPicture(kSize, 40, 11), test::paintedPicture(kSize, 25, 12),
        test::paintedPicture(kSize, 10, 13)};
    for (size_t i = 0; i < pictures.size(); ++i) {
      if (i > 0) d->addLayer(kLayerKind32);
      TiledImage32& store = d->layer(int32_t(i))->pixels32;
      for (int y = 0; y < kSize; ++y)
        store.writeRow(reinterpret_cast<const uint8_t*>(pictures[i].data() + size_t(y) * kSize), 0, y, kSize);
    }
    d->modified = 1;
    return d;
  }();
  return *doc;
}

struct Recovery {
  test::TempDir dir;
  RecoveryFolder folder{dir.file("recovery")};
  Recovery() { folder.claim(1); }
};

void BM_AutoSaveHold(benchmark::State& state) {
  Recovery recovery;
  const Document& doc = painted();
  double holdMs = 0, writeMs = 0, deepMs = 0;
  uint32_t revision = 0;
  for (auto _ : state) {
    AutoSave save(recovery.folder, 0);
    double t0 = wallMs();
    save.tick(doc, ++revision, false, 0);
    const double t1 = wallMs();
    while (save.writing()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      save.tick(doc, revision, false, 0);
    }
    holdMs += t1 - t0;
    writeMs += wallMs() - t1;
    if (save.writesDone() != 1 || !save.lastWrite().isOk()) state.SkipWithError("the autosave failed");
    Document copy(strings());
    t0 = wallMs();
    if (!copy.assign(doc)) state.SkipWithError("the deep copy failed");
    deepMs += wallMs() - t0;
  }
  const double n = double(state.iterations());
  state.counters["hold_ms"] = holdMs / n;
  state.counters["write_ms"] = writeMs / n;
  state.counters["deep_copy_ms"] = deepMs / n;
  state.counters["ratio"] = holdMs / deepMs;
}
BENCHMARK(BM_AutoSaveHold)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

ToolEvent sampleAt(int i) {
  const double t = double(i) / (kSamples - 1), a = 2 * M_PI * t;
  ToolEvent e;
  e.point = {2048 + 1700 * std::sin(a), 2048 + 1400 * std::sin(2 * a) * std::cos(0.5 * a)};
  e.pressure = 0.2 + 0.8 * t;
  e.tick = 1000 + 5 * uint32_t(i);
  return e;
}

double percentile(std::vector<double> v, double q) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[std::min(v.size() - 1, size_t(q * double(v.size())))];
}

// Argument: 1 with an autosave started as each stroke starts, 0 without.
void BM_StrokeMoves(benchmark::State& state) {
  const bool withAutoSave = state.range(0) != 0;
  Recovery recovery;
  Document doc(strings());
  if (!doc.assign(painted())) state.SkipWithError("no copy");
  doc.modified = 1;
  UndoHistory history;
  ToolSettings settings;
  settings.attached().size = 40;
  SeededRandom random(2025);
  BrushEngine engine(doc, history, settings, random);
  std::vector<double> moves;
  double holdMs = 0;
  uint32_t revision = 0;
  for (auto _ : state) {
    AutoSave save(recovery.folder, 0);
    if (withAutoSave) {
      const double t0 = wallMs();
      save.tick(doc, ++revision, false, 0);
      holdMs += wallMs() - t0;
    }
    BrushStart start;
    start.event = sampleAt(0);
    start.subTool = kToolBrush;
    if (!engine.beginStroke(start)) state.SkipWithError("no stroke");
    for (int i = 1; i < kSamples; ++i) {
      const double t0 = wallMs();
      engine.addSample(sampleAt(i));
      moves.push_back(wallMs() - t0);
    }
    engine.commitStroke(sampleAt(kSamples - 1));
    state.PauseTiming();
    save.finish();  // the write ends outside the measured stroke
    state.ResumeTiming();
    if (withAutoSave && (save.writesDone() != 1 || !save.lastWrite().isOk())) {
      state.SkipWithError("the autosave failed");
      break;
    }
  }
  state.counters["p50_ms"] = percentile(moves, 0.5);
  state.counters["p99_ms"] = percentile(moves, 0.99);
  if (withAutoSave) state.counters["hold_ms"] = holdMs / double(state.iterations());
}
BENCHMARK(BM_StrokeMoves)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(6)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  return bench::runWithSummary(argc, argv, [](const bench::SummaryReporter& r) {
    const std::string hold = "BM_AutoSaveHold/iterations:3/real_time";
    if (r.find(hold))
      std::printf("\nautosave hold %.2f ms (write %.0f ms on its thread), deep copy %.1f ms\n",
                  r.counter(hold, "hold_ms"), r.counter(hold, "write_ms"), r.counter(hold, "deep_copy_ms"));
    const std::string calm = "BM_StrokeMoves/0/iterations:6/real_time",
                      busy = "BM_StrokeMoves/1/iterations:6/real_time";
    if (r.find(calm) && r.find(busy)) {
      std::printf("move latency p50 / p99: %.3f / %.3f ms without autosave, %.3f / %.3f ms while one writes\n",
                  r.counter(calm, "p50_ms"), r.counter(calm, "p99_ms"), r.counter(busy, "p50_ms"),
                  r.counter(busy, "p99_ms"));
      std::printf("p99 with / without autosave: %.2f (hold %.2f ms)\n",
                  r.counter(busy, "p99_ms") / r.counter(calm, "p99_ms"), r.counter(busy, "hold_ms"));
    }
  });
}
