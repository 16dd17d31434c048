#pragma once
// The header of a JPEG file: the markers from SOI up to the first scan's data.
//
// Decoded kinds: DCT frames with Huffman coding and 8-bit samples, sequential (SOF0, SOF1) or
// progressive (SOF2), with one (grey) or three (YCbCr, or RGB when an Adobe marker or the
// component ids say so) components, sampling factors 1..4 that divide the largest ones, coded
// in one scan or several. Everything else is refused with a reason: lossless, hierarchical and
// arithmetic-coded frames, 12-bit samples, CMYK and other component counts, and damaged headers
// (a table or segment that does not fit, a missing table, a size of 0, a scan whose
// progressive parameters are impossible).
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

// One scan's header: which frame components it codes, and for progressive frames which
// coefficients (spectral selection ss..se) and bits (successive approximation: ah the bit
// position of the scan before, 0 for the first; al the one coded now).
struct ScanHeader {
  int count = 0;
  std::array<int, 3> comps{0, 1, 2};  // frame component index of each scan component
  int ss = 0, se = 63, ah = 0, al = 0;
};

// What the header reader remembers between segments.
struct MarkerState {
  bool frameSeen = false;
  bool sawJfif = false, sawAdobe = false, sawExif = false;
  int adobeTransform = -1;
  std::array<bool, 4> quantDefined{};
};

struct JpegHeader {
  int width = 0, height = 0;
  int componentCount = 0;  // 1 or 3
  std::array<FrameComponent, 3> components;
  ScanHeader scan;  // the scan whose data starts at scanOffset
  int maxH = 1, maxV = 1;
  ColorSpace colorSpace = ColorSpace::YCbCr;
  int restartInterval = 0;  // MCUs per interval, 0 = none
  std::array<std::array<uint16_t, 64>, 4> quant{};  // zigzag order
  std::array<HuffmanDecodeTable, 4> dcTables;
  std::array<HuffmanDecodeTable, 4> acTables;
  size_t scanOffset = 0;  // first byte of the entropy-coded data
  int orientation = 1;    // EXIF orientation 1..8 (JpegOrientation.h), 1 without one
  bool progressive = false;
  MarkerState markers;
};

// Largest width or height the program accepts.
constexpr int kMaxJpegDimension = 32760;

// Reads the header into `header`, up to the first scan. Failed with a reason ("not a JPEG
// file", "unsupported JPEG: lossless", "damaged JPEG: ...") when the file cannot be decoded.
Status parseJpegHeader(std::span<const uint8_t> data, JpegHeader& header);

// After a scan's entropy-coded data, which ends at `from` (a marker or the end of the input):
// reads the segments up to the next scan into `header` (tables, restart interval, scan,
// scanOffset). `ended` is set at EOI (ok) or at the end of the input (partial); failed for a
// damaged segment or a second frame.
Status readNextScan(std::span<const uint8_t> data, size_t from, JpegHeader& header, bool& ended);

// Where the entropy-coded data starting at `from` ends: the first marker other than a restart
// marker, or the end of the input.
size_t scanDataEnd(std::span<const uint8_t> data, size_t from);

}  // namespace kanvo::jpeg
