#pragma once
// A read cursor over bytes held in memory (a FileBuffer, a section of one) that never reads past
// the end. A read that needs more bytes than remain fails: it delivers zeros (or, for readBytes,
// the bytes that were there followed by zeros), moves the cursor to the end and sets the sticky
// failed flag, so that a parser may read a whole header and check once. The cursor does not own
// the bytes; they must outlive it.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "formats/Endian.h"

namespace kanvo {

class ByteReader {
 public:
  ByteReader() = default;
  ByteReader(const uint8_t* data, size_t size) : data_(data), size_(data ? size : 0) {}

  size_t size() const { return size_; }
  size_t position() const { return pos_; }
  size_t remaining() const { return size_ - pos_; }
  bool atEnd() const { return pos_ == size_; }
  // True once any read, skip or seek asked for bytes that were not there.
  bool failed() const { return failed_; }
  const uint8_t* current() const { return data_ + pos_; }

  // Moves to an absolute offset; an offset past the end moves to the end and fails.
  bool seek(size_t offset) {
    if (offset > size_) return fail();
    pos_ = offset;
    return true;
  }
  bool skip(size_t n) {
    if (n > remaining()) return fail();
    pos_ += n;
    return true;
  }
  // Skips to the next multiple of m (counted from the start); m of 0 or 1 does nothing.
  bool align(size_t m) { return m < 2 || pos_ % m == 0 ? true : skip(m - pos_ % m); }

  // Copies up to n bytes; returns how many were really there. The rest of dst is zeroed, and a
  // short read sets the failed flag.
  size_t readBytes(void* dst, size_t n) {
    size_t got = n <= remaining() ? n : remaining();
    if (got) std::memcpy(dst, data_ + pos_, got);
    if (got < n) std::memset(static_cast<uint8_t*>(dst) + got, 0, n - got);
    pos_ += got;
    if (got < n) failed_ = true;
    return got;
  }

  bool readU8(uint8_t& v) { return load(1, v, [](const uint8_t* p) { return p[0]; }); }
  bool readU16LE(uint16_t& v) { return load(2, v, loadU16LE); }
  bool readU16BE(uint16_t& v) { return load(2, v, loadU16BE); }
  bool readU32LE(uint32_t& v) { return load(4, v, loadU32LE); }
  bool readU32BE(uint32_t& v) { return load(4, v, loadU32BE); }
  bool readI32LE(int32_t& v) {
    uint32_t u = 0;
    bool ok = readU32LE(u);
    v = int32_t(u);
    return ok;
  }
  bool readI32BE(int32_t& v) {
    uint32_t u = 0;
    bool ok = readU32BE(u);
    v = int32_t(u);
    return ok;
  }

 private:
  bool fail() {
    pos_ = size_;
    failed_ = true;
    return false;
  }
  template <typename T, typename F>
  bool load(size_t n, T& v, F f) {
    if (n > remaining()) {
      v = 0;
      return fail();
    }
    v = T(f(data_ + pos_));
    pos_ += n;
    return true;
  }

  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  size_t pos_ = 0;
  bool failed_ = false;
};

}  // namespace kanvo
