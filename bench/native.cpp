// Reading a native document against zlib alone: a 4096 x 4096 file of four layers (an opaque
// painted backdrop and three layers of soft strokes on transparency), read from the file into
// a Document (inflating, the row copy into tiles, the reduced images and thumbnails, the
// current layer's copy), against uncompress() of the same four zlib streams into a buffer of
// each layer's size, timed in the same iteration (thread CPU time). Counters: native_ms and
// zlib_ms per read and their ratio (the reader's cost over the inflating alone).
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <ctime>

#include "bench/support/PaintedTiles.h"
#include "document/Document.h"
#include "formats/native/NativeReader.h"
#include "strings/StringTable.h"
#include "tests/support/NativeFileBuilder.h"
#include "tests/support/TempDir.h"

namespace {

constexpr int kSize = 4096;

double threadMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

struct NativeFile {
  kanvo::test::TempDir dir;
  std::string path;
  std::vector<std::vector<uint8_t>> streams;  // each layer's zlib stream
  size_t bytes = 0;
};

void build(NativeFile& n) {
  kanvo::test::NativeFileBuilder b(kSize, kSize, 350);
  std::vector<std::vector<uint32_t>> layers = {
      kanvo::test::paintedBackdrop(kSize), kanvo::test::paintedPicture(kSize, 40, 11),
      kanvo::test::paintedPicture(kSize, 25, 12), kanvo::test::paintedPicture(kSize, 10, 13)};
  for (const auto& px : layers) {
    auto info = b.addLayer(kSize, kSize, 0, 0, px);
    n.streams.emplace_back(b.bytes.begin() + ptrdiff_t(info.pixelsOffset),
                           b.bytes.begin() + ptrdiff_t(info.contentEnd));
  }
  n.path = n.dir.file("bench.knvmob");
  kanvo::test::writeWholeFile(n.path, b.bytes);
  n.bytes = b.bytes.size();
}

const NativeFile& nativeFile() {
  static NativeFile f;
  if (f.path.empty()) build(f);
  return f;
}

void BM_ReadNative_VsZlib(benchmark::State& state) {
  const NativeFile& file = nativeFile();
  kanvo::StringTable strings;
  std::vector<uint8_t> out(size_t(kSize) * kSize * 4);
  double nativeMs = 0, zlibMs = 0;
  for (auto _ : state) {
    double t0 = threadMs();
    for (const auto& s : file.streams) {
      uLongf n = uLongf(out.size());
      if (uncompress(out.data(), &n, s.data(), uLong(s.size())) != Z_OK) state.SkipWithError("zlib failed");
      benchmark::DoNotOptimize(out.data());
    }
    double t1 = threadMs();
    {
      kanvo::Document doc(strings);
      double t2 = threadMs();
      kanvo::Status st = kanvo::readNativeDocument(doc, file.path);
      double t3 = threadMs();
      if (!st.isOk() || doc.layerCount() != 4) state.SkipWithError("the native read failed");
      nativeMs += t3 - t2;
      state.PauseTiming();  // the document's destruction is not part of reading
    }
    state.ResumeTiming();
    zlibMs += t1 - t0;
  }
  const double n = double(state.iterations());
  state.counters["native_ms"] = nativeMs / n;
  state.counters["zlib_ms"] = zlibMs / n;
  state.counters["ratio"] = nativeMs / zlibMs;
  state.counters["file_MB"] = double(file.bytes) / 1e6;
}
BENCHMARK(BM_ReadNative_VsZlib)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
