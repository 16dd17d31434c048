// Converting a layered PSD through the whole program against ImageMagick doing the same work:
// a 2048 x 2048 PSD of four RGBA layers (an opaque painted backdrop and three layers of soft
// strokes on transparency, PackBits channels) is read and written again as a layered PSD, by
// `kanvo-cli convert in.psd out.psd` and by ImageMagick's `convert in.psd out.psd`, each as a
// separate process, alternately in the same iteration (wall time). Counters: kanvo_ms, im_ms
// per conversion and their ratio (below 1: kanvo is faster).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>

#include "bench/support/PaintedTiles.h"
#include "document/Document.h"
#include "formats/native/NativeReader.h"
#include "formats/psd/PsdWriter.h"
#include "strings/StringTable.h"
#include "tests/support/NativeFileBuilder.h"
#include "tests/support/TempDir.h"

namespace {

constexpr int kSize = 2048;

struct PsdFile {
  kanvo::test::TempDir dir;
  std::string path;
  size_t bytes = 0;
};

// The layers go through a native file (the only way in besides PSD itself), then our writer.
bool build(PsdFile& f) {
  kanvo::test::NativeFileBuilder b(kSize, kSize, 350);
  b.addLayer(kSize, kSize, 0, 0, kanvo::test::paintedBackdrop(kSize));
  for (uint32_t seed : {11u, 12u, 13u}) b.addLayer(kSize, kSize, 0, 0, kanvo::test::paintedPicture(kSize, 30, seed));
  const std::string native = f.dir.file("layers.knvmob");
  if (!kanvo::test::writeWholeFile(native, b.bytes)) return false;
  kanvo::StringTable strings;
  kanvo::Document doc(strings);
  if (!kanvo::readNativeDocument(doc, native).isOk()) return false;
  f.path = f.dir.file("in.psd");
  if (!kanvo::writePsdDocument(doc, f.path).isOk()) return false;
  f.bytes = kanvo::test::readWholeFile(f.path).size();
  return true;
}

double run(const std::string& command) {
  const auto t0 = std::chrono::steady_clock::now();
  const int status = std::system(command.c_str());
  const auto t1 = std::chrono::steady_clock::now();
  return status == 0 ? std::chrono::duration<double, std::milli>(t1 - t0).count() : -1.0;
}

// Argument 1: both on one thread (KANVO_THREADS=1; MAGICK_THREAD_LIMIT=1 and OMP_NUM_THREADS=1);
// 0: both at their defaults (every core).
void BM_ConvertPsd_VsImageMagick(benchmark::State& state) {
  const bool one = state.range(0) == 1;
  PsdFile file;
  if (!build(file)) {
    state.SkipWithError("could not build the input PSD");
    return;
  }
  const std::string ours = std::string(one ? "KANVO_THREADS=1 " : "") + KANVO_CLI_PATH + " convert " + file.path +
                           " " + file.dir.file("ours.psd");
  const std::string peer = std::string(one ? "MAGICK_THREAD_LIMIT=1 OMP_NUM_THREADS=1 " : "") + "convert " +
                           file.path + " " + file.dir.file("im.psd") + " 2>/dev/null";
  double oursMs = 0, peerMs = 0;
  for (auto _ : state) {
    const double a = run(ours), b = run(peer);
    if (a < 0 || b < 0) {
      state.SkipWithError(a < 0 ? "kanvo-cli failed" : "ImageMagick failed");
      return;
    }
    oursMs += a;
    peerMs += b;
  }
  const double n = double(state.iterations());
  state.counters["kanvo_ms"] = oursMs / n;
  state.counters["im_ms"] = peerMs / n;
  state.counters["ratio"] = oursMs / peerMs;
  state.counters["file_MB"] = double(file.bytes) / 1e6;
  state.counters["out_MB"] = double(kanvo::test::readWholeFile(file.dir.file("ours.psd")).size()) / 1e6;
}
BENCHMARK(BM_ConvertPsd_VsImageMagick)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace
