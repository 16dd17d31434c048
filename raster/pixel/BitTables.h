#pragma once
// Bit masks and bit counts for the 1 bpp rows (least significant bit first). Built once as a
// constant and read-only afterwards; obtain it with bitTables().
//
// masks layout (32 bytes):
//   [k]      k = 0..7  single bit 1 << k
//   [8 + n]  n = 0..8  the n lowest bits set (0, 1, 3, ..., 255)
//   [16 + k] k = 0..7  the bits k..7 set, (255 << k) & 255
//   [24 + k] k = 0..7  the k + 1 lowest bits set (1, 3, ..., 255)
// Entry 16 is shared by "8 lowest bits" and "bits 0..7": both are 255.
#include <cstdint>

namespace kanvo {

struct BitTables {
  uint8_t masks[32];
  uint8_t byteBitCount[256];   // set bits of every byte value
  uint8_t nibbleBitCount[16];  // set bits of every 4-bit value
  uint8_t pairBitCount[4];     // set bits of every 2-bit value

  uint8_t singleBit(int k) const { return masks[k]; }           // k = 0..7
  uint8_t lowMask(int n) const { return masks[8 + n]; }         // n = 0..8
  uint8_t highMask(int k) const { return masks[16 + k]; }       // k = 0..7
  uint8_t lowMaskThrough(int k) const { return masks[24 + k]; }  // k = 0..7: bits 0..k

  static constexpr BitTables build() {
    BitTables t{};
    for (int k = 0; k < 8; ++k) t.masks[k] = uint8_t(1u << k);
    for (int n = 0; n <= 8; ++n) t.masks[8 + n] = uint8_t((1u << n) - 1u);
    for (int k = 0; k < 8; ++k) t.masks[16 + k] = uint8_t((255u << k) & 255u);
    for (int k = 0; k < 8; ++k) t.masks[24 + k] = uint8_t((2u << k) - 1u);
    for (int v = 0; v < 256; ++v) {
      int n = 0;
      for (int b = 0; b < 8; ++b) n += (v >> b) & 1;
      t.byteBitCount[v] = uint8_t(n);
      if (v < 16) t.nibbleBitCount[v] = uint8_t(n);
      if (v < 4) t.pairBitCount[v] = uint8_t(n);
    }
    return t;
  }
};

// The one shared, read-only instance.
const BitTables& bitTables();

}  // namespace kanvo
