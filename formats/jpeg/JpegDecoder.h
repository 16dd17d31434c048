#pragma once
// The JPEG decoder: sequential or progressive DCT, Huffman coding, 8-bit samples, grey or three
// components (YCbCr or RGB); see JpegMarkers.h for what is refused. Pictures in one
// interleaved scan are decoded as below; those in several scans through JpegScans.h.
//
// Decoding works one row of MCUs at a time: Huffman decoding, dequantisation (each coefficient
// held within +-kCoefficientLimit), the fixed-point inverse DCT of JpegIdct.h, the centred
// enlargement of subsampled components (JpegRowAssembler.h) and the fixed-point colour
// conversion of JpegColor.h. Restart markers reset the DC predictions.
//
// Damaged or truncated data: what is there is decoded. A Huffman code that matches nothing
// ends its block early; once the data runs out (end of input or a marker other than a restart
// marker), the MCU being decoded reads zero bits and the MCUs after it are grey (128, 128, 128)
// up to the next restart marker, if one follows. Such results are reported as partial.
#include <cstdint>
#include <span>
#include <vector>

#include "formats/jpeg/JpegMarkers.h"
#include "formats/Status.h"
#include "raster/pixel/Color32.h"

namespace kanvo {

class JpegDecoder {
 public:
  // Reads the markers up to the scan. The bytes must stay alive until decoding is done.
  Status setSource(std::span<const uint8_t> bytes);

  // The picture's size (0 x 0 before a successful setSource).
  int width() const { return ready_ ? header_.width : 0; }
  int height() const { return ready_ ? header_.height : 0; }
  const jpeg::JpegHeader& header() const { return header_; }
  // Bytes from the start of the entropy-coded data to the end of the input.
  size_t scanBytes() const { return ready_ ? data_.size() - header_.scanOffset : 0; }

  // Decodes into width() * height() opaque pixels, rows top to bottom. Failed when there is no
  // source or the span has the wrong size; partial for damaged or truncated data.
  Status decode(std::span<Color32> pixels) const;
  // The same into packed RGB: 3 bytes a pixel (red, green, blue), rows without gaps.
  Status decodeRgb(std::span<uint8_t> rgb) const;

 private:
  std::span<const uint8_t> data_;
  jpeg::JpegHeader header_;
  bool ready_ = false;
};

// Whether the picture of a decoder holding a header may be allocated: failed when it has more
// than maxPixels pixels, when the coefficients of a picture in several scans would take more
// than kMaxImageBytes, or when it is large (over 2^24 pixels) and its data could not cover
// even an eighth of it (every block takes at least 2 bits, 1 in a progressive file), so that a
// few bytes cannot claim gigabytes of memory for a picture that would be nearly all grey.
Status checkJpegAllocation(const JpegDecoder& decoder, int64_t maxPixels);

// A whole file into a vector of width * height opaque pixels. Pictures refused by
// checkJpegAllocation are refused before anything is allocated, as is a picture the memory
// cannot hold.
Status decodeJpeg(std::span<const uint8_t> bytes, int& width, int& height, std::vector<Color32>& pixels,
                  int64_t maxPixels = int64_t(jpeg::kMaxJpegDimension) * jpeg::kMaxJpegDimension);

}  // namespace kanvo
