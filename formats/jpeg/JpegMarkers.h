#pragma once
// The header of a JPEG file: the markers from SOI up to the first scan's data.
//
// Decoded kinds: sequential DCT frames with Huffman coding and 8-bit samples (SOF0 and SOF1)
// with one (grey) or three (YCbCr, or RGB when an Adobe marker or the component ids say so)
// components, all coded in the first scan, sampling factors 1..4 that divide the largest ones.
// Everything else is refused with a reason: progressive, lossless, hierarchical and
// arithmetic-coded frames, 12-bit samples, CMYK and other component counts, components spread
// over several scans, and damaged headers (a table or segment that does not fit, a missing
// table, a size of 0).
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "formats/jpeg/JpegHuffman.h"
#include "formats/Status.h"

namespace kanvo::jpeg {

enum class ColorSpace { YCbCr, Rgb, Gray };

struct FrameComponent {
  int id = 0;
  int h = 1, v = 1;  // sampling factors 1..4
  int quantId = 0;   // 0..3
  int dcTable = 0, acTable = 0;  // Huffman table ids 0..3 from the scan
};

struct JpegHeader {
  int width = 0, height = 0;
  int componentCount = 0;  // 1 or 3
  std::array<FrameComponent, 3> components;
  std::array<int, 3> scanOrder{0, 1, 2};  // frame component index of each scan component
  int maxH = 1, maxV = 1;
  ColorSpace colorSpace = ColorSpace::YCbCr;
  int restartInterval = 0;  // MCUs per interval, 0 = none
  std::array<std::array<uint16_t, 64>, 4> quant{};  // zigzag order
  std::array<HuffmanDecodeTable, 4> dcTables;
  std::array<HuffmanDecodeTable, 4> acTables;
  size_t scanOffset = 0;  // first byte of the entropy-coded data
  int orientation = 1;    // EXIF orientation 1..8 (JpegOrientation.h), 1 without one
  bool progressive = false;
};

// Largest width or height the program accepts.
constexpr int kMaxJpegDimension = 32760;

// Reads the header into `header`. Failed with a reason ("not a JPEG file", "unsupported JPEG:
// progressive", "damaged JPEG: ...") when the file cannot be decoded.
Status parseJpegHeader(std::span<const uint8_t> data, JpegHeader& header);

}  // namespace kanvo::jpeg
