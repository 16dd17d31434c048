#pragma once
// The baseline JPEG encoder: three components (Y, Cb, Cr, ids 0, 1, 2) without subsampling,
// 8 x 8 MCUs in rows, the example quantisation tables scaled by quality, the standard Huffman
// tables. The file holds SOI, one DQT (tables 0 and 1), one DHT (DC 0, AC 0, DC 1, AC 1), SOF0,
// SOS, the entropy-coded data padded with 1-bits, and EOI; no application segment.
//
// Pixels beyond the right or bottom edge of the picture repeat its last column or row. The
// colour conversion and forward DCT are those of JpegColor.h and JpegFdct.h; coefficients are
// quantised by truncating division.
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "formats/Status.h"
#include "formats/jpeg/JpegQuantise.h"
#include "raster/pixel/Color32.h"

namespace kanvo {

class JpegEncoder {
 public:
  // The quality the program saves with; a new encoder starts at 100.
  static constexpr int kProgramQuality = 85;

  // Stores a quality of 1..100 and returns true; any other value is refused (false) and the
  // previous quality kept.
  bool setQuality(int quality);
  int quality() const { return quality_; }

  // Encodes width x height pixels (1..65535 each way) from packed RGB (3 bytes a pixel: red,
  // green, blue; rows top to bottom without gaps) or from Color32 pixels (alpha ignored).
  // Failed when the size is out of range or does not match the input.
  Status encodeRgb(std::span<const uint8_t> rgb, int width, int height);
  Status encode(std::span<const Color32> pixels, int width, int height);

  // The bytes of the last successful encode; owned by the encoder, valid until the next encode.
  std::span<const uint8_t> data() const { return out_; }
  // Hands the bytes over, leaving the encoder empty.
  std::vector<uint8_t> takeData() { return std::move(out_); }

 private:
  template <class Source>
  Status encodeImpl(const Source& src, int width, int height);

  int quality_ = 100;
  std::vector<uint8_t> out_;
};


}  // namespace kanvo
