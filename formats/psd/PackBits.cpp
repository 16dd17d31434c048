#include "formats/psd/PackBits.h"

#include <cstring>

namespace kanvo {

bool unpackBits(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize, size_t* consumed) {
  size_t i = 0, o = 0;
  while (o < outSize) {
    if (i >= inSize) break;
    int c = int8_t(in[i++]);
    if (c == -128) continue;
    if (c >= 0) {
      size_t n = size_t(c) + 1;
      if (n > outSize - o || n > inSize - i) break;
      std::memcpy(out + o, in + i, n);
      i += n;
      o += n;
    } else {
      size_t n = size_t(1 - c);
      if (n > outSize - o || i >= inSize) break;
      uint8_t v = in[i++];
      std::memset(out + o, v, n);
      o += n;
    }
  }
  if (consumed) *consumed = i;
  return o == outSize;
}

namespace {

uint64_t load64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}

// The index of the lowest byte of v that is 0 (8 when none), little-endian.
int firstZeroByte(uint64_t v) {
  const uint64_t zero = (v - 0x0101010101010101u) & ~v & 0x8080808080808080u;  // exact for the lowest
  return zero ? __builtin_ctzll(zero) / 8 : 8;
}

}  // namespace

size_t packBitsRow(const uint8_t* row, size_t n, uint8_t* out) {
  constexpr size_t kMaxRun = 125;
  uint8_t* o = out;
  size_t i = 0;
  while (i < n) {
    if (i + 1 < n && row[i + 1] == row[i]) {
      size_t len = 2;
      // Eight bytes at a time while they all lie in the row and the run can take them.
      const uint64_t same = 0x0101010101010101u * row[i];
      while (i + len + 8 <= n && len + 8 <= kMaxRun) {
        const uint64_t diff = load64(row + i + len) ^ same;
        if (diff != 0) {
          len += size_t(__builtin_ctzll(diff) / 8);
          break;
        }
        len += 8;
      }
      while (i + len < n && len < kMaxRun && row[i + len] == row[i]) ++len;
      *o++ = uint8_t(int8_t(1 - int(len)));
      *o++ = row[i];
      i += len;
    } else {
      size_t len = 1;
      // A literal stops before the first equal pair: eight neighbour pairs compared at a time.
      while (i + len + 9 <= n && len + 8 <= kMaxRun) {
        const int k = firstZeroByte(load64(row + i + len) ^ load64(row + i + len + 1));
        len += size_t(k);
        if (k < 8) break;
      }
      while (i + len < n && len < kMaxRun && !(i + len + 1 < n && row[i + len + 1] == row[i + len])) ++len;
      // The first byte of an equal pair stays in the literal when the literal can take it.
      if (i + len + 1 < n && len < kMaxRun && row[i + len + 1] == row[i + len]) ++len;
      *o++ = uint8_t(len - 1);
      std::memcpy(o, row + i, len);
      o += len;
      i += len;
    }
  }
  return size_t(o - out);
}

}  // namespace kanvo
