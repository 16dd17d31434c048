// JPEG encoding and decoding of a 2048 x 2048 photo-like picture at quality 85, 4:4:4, against
// libjpeg-turbo (jpeg_* API, accurate integer DCT, standard Huffman tables) in the same run.
// Both decoders read the same libjpeg-turbo file and write 32-bit pixels (blue, green, red,
// alpha in memory: our Color32, libjpeg-turbo's JCS_EXT_BGRA). Prints the time ratios
// ours / libjpeg-turbo.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "formats/jpeg/JpegDecoder.h"
#include "formats/jpeg/JpegEncoder.h"
#include "tests/support/TestPictures.h"

namespace {

constexpr int kSide = 2048;

const std::vector<uint8_t>& picture() {
  static const std::vector<uint8_t> rgb = kanvo::test::photoLikeRgb(kSide, kSide, 1);
  return rgb;
}

std::vector<uint8_t> turboEncode(const std::vector<uint8_t>& rgb) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* mem = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &mem, &size);
  cinfo.image_width = kSide;
  cinfo.image_height = kSide;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 85, TRUE);
  for (int i = 0; i < 3; ++i) cinfo.comp_info[i].h_samp_factor = cinfo.comp_info[i].v_samp_factor = 1;
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<uint8_t*>(rgb.data()) + size_t(cinfo.next_scanline) * kSide * 3;
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  std::vector<uint8_t> out(mem, mem + size);
  jpeg_destroy_compress(&cinfo);
  free(mem);
  return out;
}

void turboDecode(const std::vector<uint8_t>& file, std::vector<uint32_t>& pixels) {
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_EXT_BGRA;
  jpeg_start_decompress(&cinfo);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = reinterpret_cast<JSAMPROW>(pixels.data() + size_t(cinfo.output_scanline) * kSide);
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
}

const std::vector<uint8_t>& turboFile() {
  static const std::vector<uint8_t> f = turboEncode(picture());
  return f;
}

void BM_Encode_Ours(benchmark::State& state) {
  const auto& rgb = picture();
  kanvo::JpegEncoder enc;
  enc.setQuality(85);
  for (auto _ : state) {
    enc.encodeRgb(rgb, kSide, kSide);
    benchmark::DoNotOptimize(enc.data().data());
  }
  state.counters["bytes"] = double(enc.data().size());
}

void BM_Encode_LibjpegTurbo(benchmark::State& state) {
  const auto& rgb = picture();
  size_t size = 0;
  for (auto _ : state) {
    std::vector<uint8_t> f = turboEncode(rgb);
    size = f.size();
    benchmark::DoNotOptimize(f.data());
  }
  state.counters["bytes"] = double(size);
}

void BM_Decode_Ours(benchmark::State& state) {
  const auto& f = turboFile();
  std::vector<kanvo::Color32> pixels(size_t(kSide) * kSide);
  for (auto _ : state) {
    kanvo::JpegDecoder dec;
    dec.setSource(f);
    dec.decode(pixels);
    benchmark::DoNotOptimize(pixels.data());
  }
}

void BM_Decode_LibjpegTurbo(benchmark::State& state) {
  const auto& f = turboFile();
  std::vector<uint32_t> pixels(size_t(kSide) * kSide);
  for (auto _ : state) {
    turboDecode(f, pixels);
    benchmark::DoNotOptimize(pixels.data());
  }
}

BENCHMARK(BM_Encode_LibjpegTurbo)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Encode_Ours)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Decode_LibjpegTurbo)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Decode_Ours)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// Prints as usual and remembers each benchmark's CPU time per iteration for the ratios (CPU
// time, since the machine may be shared while benchmarks run).
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      std::string name = r.benchmark_name();
      times[name.substr(0, name.find('/'))] = r.GetAdjustedCPUTime();
    }
  }
  std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (const char* op : {"Encode", "Decode"}) {
    auto ours = reporter.times.find(std::string("BM_") + op + "_Ours");
    auto peer = reporter.times.find(std::string("BM_") + op + "_LibjpegTurbo");
    if (ours != reporter.times.end() && peer != reporter.times.end()) {
      std::printf("%s 2048x2048 q85 4:4:4: ours %.2f ms, libjpeg-turbo %.2f ms, ratio ours/libjpeg-turbo %.2f\n", op,
                  ours->second, peer->second, ours->second / peer->second);
    }
  }
  benchmark::Shutdown();
  return 0;
}
