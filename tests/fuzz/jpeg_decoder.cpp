// libFuzzer target: the JPEG decoder on arbitrary bytes. Pictures above 1 megapixel are
// refused before decoding so that one input cannot exhaust the fuzzer's memory.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "formats/jpeg/JpegDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int width = 0, height = 0;
  std::vector<kanvo::Color32> pixels;
  kanvo::decodeJpeg(std::span<const uint8_t>(data, size), width, height, pixels, int64_t(1) << 20);
  // The packed RGB path as well, on small pictures.
  kanvo::JpegDecoder dec;
  if (dec.setSource(std::span<const uint8_t>(data, size)).isOk() &&
      int64_t(dec.width()) * dec.height() <= (int64_t(1) << 18)) {
    std::vector<uint8_t> rgb(size_t(dec.width()) * size_t(dec.height()) * 3);
    dec.decodeRgb(rgb);
  }
  return 0;
}
