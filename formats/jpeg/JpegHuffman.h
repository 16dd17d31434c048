#pragma once
// Huffman tables of the baseline codec. A table is given by the number of codes of each length
// 1..16 and the symbols in code order; codes are canonical: the codes of one length are
// consecutive, and moving to the next length doubles the next code.
//
// HuffmanDecodeTable decodes with a 9-bit lookahead table and, for longer codes, the largest
// code of each length. decodeSymbolPlain is the bit-at-a-time reference: read one bit at a
// time, at most 16, comparing the code so far with the codes of that length.
//
// For AC tables a second lookahead table resolves a whole coefficient at once where the code
// and its value bits fit in the 9 bits together: fastAc(look) is then (value << 8) | (run << 4)
// | (bits used), the value being the extended coefficient (-128 ... 127) and the run the zeros
// before it; 0 where it does not apply (longer codes, end of block, a run of 16 zeros).
#include <array>
#include <cstdint>
#include <span>

#include "formats/jpeg/JpegBitReader.h"
#include "formats/jpeg/JpegTables.h"

namespace kanvo::jpeg {

class HuffmanDecodeTable {
 public:
  static constexpr int kLookBits = 9;

  // False (and the table left undefined) when the counts name more than 256 symbols, fewer
  // symbols are given than counted, or the codes do not fit their lengths.
  bool build(const std::array<uint8_t, 16>& counts, std::span<const uint8_t> symbols);
  bool isDefined() const { return count_ > 0; }

  // The next symbol, or -1 when no code of up to 16 bits matches (16 bits are then consumed).
  // Needs at least 16 available bits.
  int decode(BitReader& br) const {
    uint32_t bits = br.peek16();
    uint32_t e = look_[bits >> (16 - kLookBits)];
    if (e == 0 && (e = decodeLong(bits)) == 0) {
      br.skip(16);
      return -1;
    }
    br.skip(int(e >> 8));
    return int(e & 0xFF);
  }

  // The whole-coefficient entry of the next 9 bits of the stream (see above), 0 when none.
  int fastAc(uint32_t look9) const { return fastAc_[look9]; }

  // The plain canonical form: per code (in order) its length, code and symbol.
  int count() const { return count_; }
  int lengthOf(int i) const { return lengths_[i]; }
  int codeOf(int i) const { return codes_[i]; }
  int symbolOf(int i) const { return symbols_[i]; }

 private:
  // The entry of a code longer than the lookahead, as look_ holds them; 0 when none matches.
  uint32_t decodeLong(uint32_t bits) const;

  int count_ = 0;
  std::array<uint8_t, 256> lengths_{};
  std::array<uint16_t, 256> codes_{};
  std::array<uint8_t, 256> symbols_{};
  std::array<uint16_t, 1 << kLookBits> look_{};  // (length << 8) | symbol; 0 = longer code
  std::array<int16_t, 1 << kLookBits> fastAc_{};  // whole coefficients; 0 = decode the symbol
  std::array<int32_t, 17> maxCode_{};            // largest code of each length, -1 if none
  std::array<int32_t, 17> valOffset_{};          // symbol index minus code, per length
};

// Reference decoding, one bit at a time (needs 16 available bits).
int decodeSymbolPlain(const HuffmanDecodeTable& table, BitReader& br);

// Code and length of every symbol, for writing.
struct HuffmanEncodeTable {
  std::array<uint16_t, 256> code{};
  std::array<uint8_t, 256> length{};  // 0 = symbol not in the table

  explicit HuffmanEncodeTable(const HuffmanCodes& codes);
};

}  // namespace kanvo::jpeg
