// Reading a native document against zlib alone: a 4096 x 4096 file of four layers (an opaque
// painted backdrop and three layers of soft strokes on transparency) as kanvo saves it (each
// layer chunk followed by the layer's record, and the selection's record), read from the file
// into a Document (inflating, the row copy into tiles, the reduced images and thumbnails, the
// selection's mask, the current layer's copy), against uncompress() of every zlib stream of
// the file (the four layers' and the mask's) into one buffer of a layer's size, timed in turn
// in each of five iterations (interleaved best of 5): on one thread (thread CPU time), and on
// every core (wall time; zlib still on one). Counters: native_ms and zlib_ms, the best read of
// each, and their ratio (the reader's cost over the inflating alone), and faults: the reader's
// page faults per read. The process's heap is set
// up as kanvo's programs set up theirs (growHeapInLargePages).
//
// Writing the same document (read once) as a native file, on one thread and on every core,
// against compress2() at the same level 6 of the four layers' bytes on one core, and the PSD
// writer for scale, each timed in wall-clock milliseconds in the same iteration. Counters:
// native_ms, zlib_ms, psd_ms and ratio = native_ms / zlib_ms.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <limits>
#include <optional>
#include <ctime>

#include <sys/resource.h>

#include "bench/support/BestOf.h"
#include "bench/support/PaintedTiles.h"
#include "bench/support/Summary.h"
#include "document/Document.h"
#include "formats/Endian.h"
#include "formats/PageBytes.h"
#include "formats/native/NativeFormat.h"
#include "formats/native/NativeReader.h"
#include "formats/native/NativeRecords.h"
#include "formats/native/NativeWriter.h"
#include "formats/psd/PsdWriter.h"
#include "raster/parallel/WorkerPool.h"
#include "strings/StringTable.h"
#include "tests/support/NativeFileBuilder.h"
#include "tests/support/TempDir.h"

namespace {

constexpr int kSize = 4096;

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
  for (const auto& px : layers) b.addLayer(kSize, kSize, 0, 0, px);
  // Saved again by kanvo, so that the file is one the program writes (each layer chunk
  // followed by its record, the selection's mask in its own record); the peer inflates every
  // zlib stream of that file.
  const std::string plain = n.dir.file("plain.knvmob");  // the layer chunks alone
  n.path = n.dir.file("bench.knvmob");
  const kanvo::StringTable strings;
  kanvo::Document doc(strings);
  if (!kanvo::test::writeWholeFile(plain, b.bytes) || !kanvo::readNativeDocument(doc, plain).isOk() ||
      !kanvo::writeNativeDocument(doc, n.path).isOk())
    return;
  const std::vector<uint8_t> bytes = kanvo::test::readWholeFile(n.path);
  namespace native = kanvo::native;
  for (const kanvo::test::NativeChunk& c : kanvo::test::nativeChunks(bytes)) {
    const uint8_t* body = &bytes[c.offset + native::kChunkHeaderBytes];
    const size_t bodySize = kanvo::loadU32LE(&bytes[c.offset + 4]) - native::kChunkHeaderBytes;
    native::RecordStream stream;
    native::LayerRecord layer;
    native::SelectionRecord selection;
    std::string why;
    if (c.type == native::kLayerChunkType) {
      stream.bytes = body + native::kLayerHeaderBytes;
      stream.size = kanvo::loadU32LE(body + native::kLayerCompressedSizeAt);
    } else if (c.type == native::kLayerRecordType) {
      native::decodeLayerRecord(body, bodySize, layer, stream, why);
    } else if (c.type == native::kSelectionRecordType) {
      native::decodeSelectionRecord(body, bodySize, selection, stream, why);
    }
    if (stream.size > 0) n.streams.emplace_back(stream.bytes, stream.bytes + stream.size);
  }
  n.bytes = bytes.size();
}

const NativeFile& nativeFile() {
  static NativeFile f;
  if (f.path.empty()) build(f);
  return f;
}

long threadFaults() {
  rusage u{};
  getrusage(RUSAGE_THREAD, &u);
  return u.ru_minflt + u.ru_majflt;
}

double wallMs() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Argument: the reader's threads: 1 (times are CPU times of this thread) or 0 for every core
// (wall times, zlib's included).
void BM_ReadNative_VsZlib(benchmark::State& state) {
  std::optional<kanvo::parallel::ThreadCountOverride> one;
  if (state.range(0) == 1) one.emplace(1);
  double (*const clock)() = state.range(0) == 1 ? kanvo::bench::threadCpuMs : wallMs;
  const NativeFile& file = nativeFile();
  kanvo::StringTable strings;
  std::vector<uint8_t> out(size_t(kSize) * kSize * 4);
  double nativeMs = std::numeric_limits<double>::infinity(), zlibMs = nativeMs, faults = 0;
  for (auto _ : state) {
    double t0 = clock();
    for (const auto& s : file.streams) {
      uLongf n = uLongf(out.size());
      if (uncompress(out.data(), &n, s.data(), uLong(s.size())) != Z_OK) state.SkipWithError("zlib failed");
      benchmark::DoNotOptimize(out.data());
    }
    double t1 = clock();
    {
      kanvo::Document doc(strings);
      const long f0 = threadFaults();
      double t2 = clock();
      kanvo::Status st = kanvo::readNativeDocument(doc, file.path);
      double t3 = clock();
      faults += double(threadFaults() - f0);
      if (!st.isOk() || doc.layerCount() != 4 || file.streams.size() < 4)
        state.SkipWithError("the native read failed");
      nativeMs = std::min(nativeMs, t3 - t2);
      state.PauseTiming();  // the document's destruction is not part of reading
    }
    state.ResumeTiming();
    zlibMs = std::min(zlibMs, t1 - t0);
  }
  const double n = double(state.iterations());
  state.counters["native_ms"] = nativeMs;
  state.counters["zlib_ms"] = zlibMs;
  state.counters["ratio"] = nativeMs / zlibMs;
  state.counters["file_MB"] = double(file.bytes) / 1e6;
  state.counters["faults"] = faults / n;
}
BENCHMARK(BM_ReadNative_VsZlib)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(5);

// Argument: the writer's threads (1, or 0 for one per core).
void BM_WriteNative_VsZlib(benchmark::State& state) {
  const NativeFile& file = nativeFile();
  static const kanvo::StringTable strings;
  static kanvo::Document doc(strings);
  if (doc.layerCount() == 0 && !kanvo::readNativeDocument(doc, file.path).isOk()) state.SkipWithError("read failed");
  std::vector<uint8_t> raw(size_t(kSize) * kSize * 4), packed(compressBound(uLong(raw.size())));
  kanvo::NativeWriteOptions options;
  options.threads = int32_t(state.range(0));
  const std::string out = file.dir.file("written.knvmob"), psd = file.dir.file("written.psd");
  double nativeMs = 0, zlibMs = 0, psdMs = 0, zlibBytes = 0;
  for (auto _ : state) {
    double t0 = wallMs();
    if (!kanvo::writeNativeDocument(doc, out, options).isOk()) state.SkipWithError("the native write failed");
    nativeMs += wallMs() - t0;
    zlibBytes = 0;
    for (int32_t i = 0; i < doc.layerCount(); ++i) {
      state.PauseTiming();  // the layer's bytes in one buffer, as zlib wants them
      const kanvo::TiledImage32& store = doc.layer(i)->pixels32;
      for (int32_t y = 0; y < kSize; ++y) store.readRow(raw.data() + size_t(y) * kSize * 4, 0, y, kSize);
      state.ResumeTiming();
      uLongf n = uLongf(packed.size());
      t0 = wallMs();
      if (compress2(packed.data(), &n, raw.data(), uLong(raw.size()), 6) != Z_OK) state.SkipWithError("zlib failed");
      zlibMs += wallMs() - t0;
      zlibBytes += double(n);
    }
    t0 = wallMs();
    if (!kanvo::writePsdDocument(doc, psd).isOk()) state.SkipWithError("the PSD write failed");
    psdMs += wallMs() - t0;
  }
  const double n = double(state.iterations());
  state.counters["native_ms"] = nativeMs / n;
  state.counters["zlib_ms"] = zlibMs / n;
  state.counters["psd_ms"] = psdMs / n;
  state.counters["ratio"] = nativeMs / zlibMs;
  state.counters["native_MB"] = double(std::filesystem::file_size(out)) / 1e6;
  state.counters["zlib_MB"] = zlibBytes / 1e6;
}
BENCHMARK(BM_WriteNative_VsZlib)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  kanvo::growHeapInLargePages();
  return kanvo::bench::runWithSummary(argc, argv, [](const kanvo::bench::SummaryReporter& r) {
    std::printf("\nSummary: read %d x %d, 4 layers, ms per read (best of 5); write, wall ms\n", kSize, kSize);
    for (const char* name : {"BM_ReadNative_VsZlib/1/iterations:5", "BM_ReadNative_VsZlib/0/iterations:5",
                             "BM_WriteNative_VsZlib/1/iterations:3/real_time",
                             "BM_WriteNative_VsZlib/0/iterations:3/real_time"}) {
      const kanvo::bench::RunFigures* f = r.find(std::string(name) + "_mean");  // over repetitions
      if (f == nullptr) f = r.find(name);
      if (f == nullptr) continue;
      std::printf("  %-48s ours %7.1f  zlib %7.1f  ours/zlib %.3f\n", name, f->counter("native_ms"),
                  f->counter("zlib_ms"), f->counter("ratio"));
    }
  });
}
