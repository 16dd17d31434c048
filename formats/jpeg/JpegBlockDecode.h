#pragma once
// Huffman decoding of one block of a sequential scan, shared by the single-scan decoder and the
// decoder of pictures in several scans.
#include <algorithm>
#include <cstdint>

#include "formats/jpeg/JpegBitReader.h"
#include "formats/jpeg/JpegHuffman.h"
#include "formats/jpeg/JpegIdct.h"
#include "formats/jpeg/JpegTables.h"

namespace kanvo::jpeg {

// A value of s bits (1..16) as the category coding gives it: below 2^(s-1) it is negative.
inline int32_t extend(uint32_t v, int s) {
  return v < (1u << (s - 1)) ? int32_t(v) - (1 << s) + 1 : int32_t(v);
}

inline int32_t clampCoefficient(int64_t v) {
  return int32_t(std::clamp<int64_t>(v, -kCoefficientLimit, kCoefficientLimit));
}

namespace detail {
[[gnu::always_inline]] inline bool decodeBlockWith(BitReader& br, const HuffmanDecodeTable& dc,
                                                   const HuffmanDecodeTable& ac, int32_t& pred, int16_t* coef) {
  br.ensure(32);
  int s = dc.decode(br);
  if (s < 0 || s > 15) return false;
  int32_t diff = s ? extend(br.get(s), s) : 0;
  pred = int32_t(uint32_t(pred) + uint32_t(diff));
  coef[0] = int16_t(clampCoefficient(pred));
  for (int k = 1; k < 64;) {
    br.ensure(32);
    // A whole coefficient from the lookahead: the same bits and value as the symbol and its
    // value bits read one after the other below.
    const int fast = ac.fastAc(br.peek16() >> (16 - HuffmanDecodeTable::kLookBits));
    if (fast != 0 && k + ((fast >> 4) & 15) <= 63) {
      k += (fast >> 4) & 15;
      br.skip(fast & 15);
      coef[kZigzag[k]] = int16_t(fast >> 8);
      ++k;
      continue;
    }
    int sym = ac.decode(br);
    if (sym <= 0) return sym == 0;
    k += sym >> 4;
    if (k > 63) return false;
    int size = sym & 15;
    if (size) coef[kZigzag[k]] = int16_t(clampCoefficient(extend(br.get(size), size)));
    ++k;
  }
  return true;
}
}  // namespace detail

// One block's quantised coefficients (natural order, coef zeroed by the caller), each held
// within +-kCoefficientLimit. Returns false on a data error; the block then ends early with what
// was decoded so far. The reader's state is held in a copy of its own for the block, which the
// compiler keeps in registers.
[[gnu::always_inline]] inline bool decodeBlock(BitReader& reader, const HuffmanDecodeTable& dc,
                                               const HuffmanDecodeTable& ac, int32_t& pred, int16_t* coef) {
  BitReader br = reader;
  const bool ok = detail::decodeBlockWith(br, dc, ac, pred, coef);
  reader = br;
  return ok;
}

}  // namespace kanvo::jpeg
