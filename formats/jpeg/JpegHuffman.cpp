#include "formats/jpeg/JpegHuffman.h"

namespace kanvo::jpeg {

bool HuffmanDecodeTable::build(const std::array<uint8_t, 16>& counts, std::span<const uint8_t> symbols) {
  count_ = 0;
  int total = 0;
  for (uint8_t c : counts) total += c;
  if (total == 0 || total > 256 || size_t(total) > symbols.size()) return false;

  look_.fill(0);
  maxCode_.fill(-1);
  valOffset_.fill(0);
  int code = 0, index = 0;
  for (int len = 1; len <= 16; ++len) {
    int n = counts[len - 1];
    if (n > 0) {
      valOffset_[len] = index - code;
      for (int i = 0; i < n; ++i, ++code, ++index) {
        lengths_[index] = uint8_t(len);
        codes_[index] = uint16_t(code);
        symbols_[index] = symbols[index];
      }
      // The last code of this length must still fit in len bits.
      if (code > (1 << len)) return false;
      maxCode_[len] = code - 1;
    }
    code <<= 1;
  }
  for (int i = 0; i < total; ++i) {
    int len = lengths_[i];
    if (len > kLookBits) break;
    int shift = kLookBits - len;
    int first = codes_[i] << shift;
    for (int j = 0; j < (1 << shift); ++j) look_[first + j] = uint16_t(len << 8 | symbols_[i]);
  }
  // Whole coefficients: a code of `len` bits whose symbol has `size` value bits, both within
  // the lookahead.
  fastAc_.fill(0);
  for (uint32_t look = 0; look < (1u << kLookBits); ++look) {
    const uint16_t e = look_[look];
    if (e == 0) continue;
    const int len = e >> 8, symbol = e & 0xFF, run = symbol >> 4, size = symbol & 15;
    if (size == 0 || len + size > kLookBits) continue;
    const uint32_t bits = (look >> (kLookBits - len - size)) & ((1u << size) - 1);
    const int value = bits < (1u << (size - 1)) ? int(bits) - (1 << size) + 1 : int(bits);
    if (value < -128 || value > 127) continue;
    fastAc_[look] = int16_t(value * 256 + (run << 4) + len + size);
  }
  count_ = total;
  return true;
}

uint32_t HuffmanDecodeTable::decodeLong(uint32_t bits) const {
  for (int len = kLookBits + 1; len <= 16; ++len) {
    int32_t code = int32_t(bits >> (16 - len));
    if (code <= maxCode_[len]) return uint32_t(len << 8 | symbols_[code + valOffset_[len]]);
  }
  return 0;
}

int decodeSymbolPlain(const HuffmanDecodeTable& table, BitReader& br) {
  int code = 0;
  int i = 0;  // codes are ordered by length: the first code of the current length
  for (int len = 1; len <= 16; ++len) {
    code = code << 1 | int(br.get(1));
    while (i < table.count() && table.lengthOf(i) < len) ++i;
    for (int j = i; j < table.count() && table.lengthOf(j) == len; ++j) {
      if (table.codeOf(j) == code) return table.symbolOf(j);
    }
  }
  return -1;
}

HuffmanEncodeTable::HuffmanEncodeTable(const HuffmanCodes& codes) {
  int c = 0, index = 0;
  for (int len = 1; len <= 16; ++len) {
    for (int i = 0; i < codes.counts[len - 1]; ++i, ++c, ++index) {
      uint8_t s = codes.symbols[index];
      code[s] = uint16_t(c);
      length[s] = uint8_t(len);
    }
    c <<= 1;
  }
}

}  // namespace kanvo::jpeg
