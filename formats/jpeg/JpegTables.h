#pragma once
// Fixed tables of the baseline JPEG codec: the zigzag order, the example quantisation tables
// (luminance and chrominance) with their scaling by quality, and the standard Huffman tables
// (bit counts per code length 1..16 followed by the symbol values in code order).
#include <array>
#include <cstdint>
#include <span>

namespace kanvo::jpeg {

// kZigzag[k] is the natural (row-major) index of the coefficient at zigzag position k.
inline constexpr std::array<uint8_t, 64> kZigzag = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// kZigzagPosition[i] is the zigzag position of the coefficient at natural index i.
inline constexpr std::array<uint8_t, 64> kZigzagPosition = [] {
  std::array<uint8_t, 64> p{};
  for (int k = 0; k < 64; ++k) p[kZigzag[size_t(k)]] = uint8_t(k);
  return p;
}();

// The example tables, in zigzag order.
extern const std::array<uint16_t, 64> kLuminanceQuant;
extern const std::array<uint16_t, 64> kChrominanceQuant;

// A quantisation table scaled for quality 1..100, zigzag order: for q >= 50 each entry is
// trunc(base * (101 - q) / 50), for q < 50 trunc(base * 50 / q); 0 becomes 1 and entries are
// capped at 255 so that the table fits the 8-bit precision a baseline file stores.
std::array<uint16_t, 64> scaledQuantTable(const std::array<uint16_t, 64>& base, int quality);

// A Huffman table as a file stores it: counts[i] codes of length i + 1, then the symbols.
struct HuffmanCodes {
  std::array<uint8_t, 16> counts;
  std::span<const uint8_t> symbols;
};

extern const HuffmanCodes kDcLuminance;
extern const HuffmanCodes kAcLuminance;
extern const HuffmanCodes kDcChrominance;
extern const HuffmanCodes kAcChrominance;

}  // namespace kanvo::jpeg
