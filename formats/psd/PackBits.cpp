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
      for (size_t k = 0; k < n; ++k) out[o + k] = in[i + k];
      i += n;
      o += n;
    } else {
      size_t n = size_t(1 - c);
      if (n > outSize - o || i >= inSize) break;
      uint8_t v = in[i++];
      for (size_t k = 0; k < n; ++k) out[o + k] = v;
      o += n;
    }
  }
  if (consumed) *consumed = i;
  return o == outSize;
}

size_t packBitsRow(const uint8_t* row, size_t n, std::vector<uint8_t>& out) {
  constexpr size_t kMaxRun = 125;
  const size_t start = out.size();
  out.resize(start + 2 * n);  // no run takes more than twice its bytes
  uint8_t* const first = out.data() + start;
  uint8_t* o = first;
  size_t i = 0;
  while (i < n) {
    if (i + 1 < n && row[i + 1] == row[i]) {
      size_t len = 2;
      while (i + len < n && len < kMaxRun && row[i + len] == row[i]) ++len;
      *o++ = uint8_t(int8_t(1 - int(len)));
      *o++ = row[i];
      i += len;
    } else {
      size_t len = 1;
      while (i + len < n && len < kMaxRun && !(i + len + 1 < n && row[i + len + 1] == row[i + len])) ++len;
      // The first byte of an equal pair stays in the literal when the literal can take it.
      if (i + len + 1 < n && len < kMaxRun && row[i + len + 1] == row[i + len]) ++len;
      *o++ = uint8_t(len - 1);
      std::memcpy(o, row + i, len);
      o += len;
      i += len;
    }
  }
  out.resize(start + size_t(o - first));
  return size_t(o - first);
}

}  // namespace kanvo
