#pragma once
// The bit source of a JPEG scan: entropy-coded bytes read most significant bit first, a 0xFF
// byte followed by a stuffed 0x00 reading as 0xFF. The data ends at the first marker (0xFF
// followed by anything but 0x00) or at the end of the input; from there on the source yields
// zero bits and remembers that it did, so that a decoder can tell a truncated scan.
//
// The accumulator holds up to 64 bits, left-aligned. Callers refill before consuming: after
// refill() at least 57 bits are available (zeros past the end count as available).
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kanvo::jpeg {

class BitReader {
 public:
  BitReader(const uint8_t* data, size_t size, size_t pos) : data_(data), size_(size), pos_(pos) {}

  int available() const { return bits_; }
  void ensure(int n) {
    if (bits_ < n) refill();
  }
  // The next 16 bits without consuming them (zeros past the data).
  uint32_t peek16() const { return uint32_t(acc_ >> 48); }
  // Consumes n bits, 0 <= n <= available().
  void skip(int n) {
    acc_ <<= n;
    bits_ -= n;
  }
  // Reads n bits, 1 <= n <= 16 and n <= available().
  uint32_t get(int n) {
    uint32_t v = uint32_t(acc_ >> (64 - n));
    skip(n);
    return v;
  }

  // True once a bit from beyond the end of the data has been consumed.
  bool overrun() const { return bits_ < phantom_; }
  // Real data bits still held in the accumulator.
  int heldDataBits() const { return bits_ > phantom_ ? bits_ - phantom_ : 0; }

  // Moves to the data after the next restart marker: drops the accumulator (the padding bits of
  // the finished interval), then looks for the marker. `skipped` counts the bytes of data that
  // had to be passed over to reach it (0 for a well-formed file). Returns false when no restart
  // marker follows: the data then ends at the next marker or the end of the input.
  bool restart(size_t& skipped);

  size_t position() const { return pos_; }

  [[gnu::always_inline]] void refill() {
    if (bits_ > 56) return;
    if (pos_ + 8 <= size_ && !atMarker_) {
      uint64_t w;
      std::memcpy(&w, data_ + pos_, 8);
      w = __builtin_bswap64(w);
      // Any 0xFF byte among the eight sends us to the careful path.
      uint64_t inv = ~w;
      if (((inv - 0x0101010101010101ull) & ~inv & 0x8080808080808080ull) == 0) {
        int n = (64 - bits_) >> 3;  // whole bytes that fit, 1..8
        acc_ |= (w >> (64 - 8 * n)) << (64 - bits_ - 8 * n);
        bits_ += 8 * n;
        pos_ += size_t(n);
        return;
      }
    }
    refillSlow();
  }

 private:
  [[gnu::always_inline]] void refillSlow() {
    while (bits_ <= 56) {
      uint64_t b = 0;
      if (!atMarker_ && pos_ < size_) {
        b = data_[pos_];
        if (b == 0xFF) {
          if (pos_ + 1 < size_ && data_[pos_ + 1] == 0) {
            pos_ += 2;
          } else {
            atMarker_ = true;
            b = 0;
            phantom_ += 8;
          }
        } else {
          ++pos_;
        }
      } else {
        phantom_ += 8;
      }
      acc_ |= b << (56 - bits_);
      bits_ += 8;
    }
  }

  const uint8_t* data_;
  size_t size_;
  size_t pos_;
  uint64_t acc_ = 0;
  int bits_ = 0;
  int phantom_ = 0;  // zero bits appended past the data (at the low end of the accumulator)
  bool atMarker_ = false;
};

inline bool BitReader::restart(size_t& skipped) {
  acc_ = 0;
  bits_ = 0;
  phantom_ = 0;
  atMarker_ = false;
  skipped = 0;
  while (pos_ < size_) {
    if (data_[pos_] == 0xFF) {
      size_t p = pos_ + 1;
      while (p < size_ && data_[p] == 0xFF) ++p;  // fill bytes
      if (p >= size_) break;
      uint8_t code = data_[p];
      if (code >= 0xD0 && code <= 0xD7) {
        pos_ = p + 1;
        return true;
      }
      if (code != 0x00) {  // another marker: the data ends here
        atMarker_ = true;
        return false;
      }
      pos_ = p + 1;
      skipped += 2;
      continue;
    }
    ++pos_;
    ++skipped;
  }
  pos_ = size_;
  return false;
}

}  // namespace kanvo::jpeg
