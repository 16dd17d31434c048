// libFuzzer target: the JPEG decoder on arbitrary bytes, baseline and progressive, with the
// EXIF orientation read and applied. Pictures above 1 megapixel are refused before decoding so
// that one input cannot exhaust the fuzzer's memory.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "formats/jpeg/JpegDecoder.h"
#include "formats/jpeg/JpegImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kanvo::Image32 image;
  kanvo::decodeJpegImage(std::span<const uint8_t>(data, size), image, int64_t(1) << 20);
  // The packed RGB path as well, on small pictures.
  kanvo::JpegDecoder dec;
  if (dec.setSource(std::span<const uint8_t>(data, size)).isOk() &&
      int64_t(dec.width()) * dec.height() <= (int64_t(1) << 18)) {
    std::vector<uint8_t> rgb(size_t(dec.width()) * size_t(dec.height()) * 3);
    dec.decodeRgb(rgb);
  }
  return 0;
}
