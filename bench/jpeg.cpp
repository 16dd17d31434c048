// JPEG encoding and decoding of a 2048 x 2048 photo-like picture at quality 85 against
// libjpeg-turbo (jpeg_* API, accurate integer DCT, its default fancy upsampling, standard Huffman
// tables) in the same run: decoding at 4:4:4, at 4:2:0 and of the 4:2:0 file made progressive,
// encoding at 4:4:4. Both decoders read the same libjpeg-turbo file and write 32-bit pixels
// (blue, green, red, alpha in memory: our Color32, libjpeg-turbo's JCS_EXT_BGRA). Prints the
// time ratios ours / libjpeg-turbo.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "bench/support/Summary.h"
#include "formats/jpeg/JpegDecoder.h"
#include "formats/jpeg/JpegEncoder.h"
#include "tests/support/LibJpeg.h"
#include "tests/support/TestPictures.h"

namespace {

constexpr int kSide = 2048;

const std::vector<uint8_t>& picture() {
  static const std::vector<uint8_t> rgb = kanvo::test::photoLikeRgb(kSide, kSide, 1);
  return rgb;
}

std::vector<uint8_t> turboEncode(const std::vector<uint8_t>& rgb) {
  return kanvo::test::libjpegEncode(rgb.data(), kSide, kSide, {.quality = 85});
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

enum Kind { k444, k420, kProgressive };

const std::vector<uint8_t>& turboFile(Kind kind) {
  static const std::vector<uint8_t> f444 = turboEncode(picture());
  static const std::vector<uint8_t> f420 =
      kanvo::test::libjpegEncode(picture().data(), kSide, kSide, {.lumaH = 2, .lumaV = 2});
  static const std::vector<uint8_t> progressive = kanvo::test::libjpegRescan(f420, kanvo::test::Rescan::kProgressive);
  return kind == k444 ? f444 : kind == k420 ? f420 : progressive;
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
  const auto& f = turboFile(Kind(state.range(0)));
  std::vector<kanvo::Color32> pixels(size_t(kSide) * kSide);
  for (auto _ : state) {
    kanvo::JpegDecoder dec;
    dec.setSource(f);
    dec.decode(pixels);
    benchmark::DoNotOptimize(pixels.data());
  }
}

void BM_Decode_LibjpegTurbo(benchmark::State& state) {
  const auto& f = turboFile(Kind(state.range(0)));
  std::vector<uint32_t> pixels(size_t(kSide) * kSide);
  for (auto _ : state) {
    turboDecode(f, pixels);
    benchmark::DoNotOptimize(pixels.data());
  }
}

BENCHMARK(BM_Encode_LibjpegTurbo);
BENCHMARK(BM_Encode_Ours);
BENCHMARK(BM_Decode_LibjpegTurbo)->Arg(k444)->Arg(k420)->Arg(kProgressive);
BENCHMARK(BM_Decode_Ours)->Arg(k444)->Arg(k420)->Arg(kProgressive);

}  // namespace

int main(int argc, char** argv) {
  return kanvo::bench::runWithSummary(argc, argv, [](const kanvo::bench::SummaryReporter& r) {
    r.printTimeRatio(34, "encode 2048x2048 q85 4:4:4", "BM_Encode_Ours", "BM_Encode_LibjpegTurbo");
    const char* labels[] = {"decode 2048x2048 q85 4:4:4", "decode 2048x2048 q85 4:2:0",
                            "decode 2048x2048 q85 4:2:0 progr."};
    const char* args[] = {"/0", "/1", "/2"};
    for (int k = 0; k < 3; ++k)
      r.printTimeRatio(34, labels[k], std::string("BM_Decode_Ours") + args[k],
                       std::string("BM_Decode_LibjpegTurbo") + args[k]);
  });
}
