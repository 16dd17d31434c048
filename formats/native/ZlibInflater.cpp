#include "formats/native/ZlibInflater.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <new>

namespace kanvo {

namespace {
constexpr size_t kPiece = UINT_MAX;  // zlib counts in unsigned int
}

ZlibInflater::ZlibInflater() {
  zs_ = new (std::nothrow) z_stream{};
  if (zs_ == nullptr) return;
  if (inflateInit(zs_) != Z_OK) {
    delete zs_;
    zs_ = nullptr;
    return;
  }
  state_ = kRunning;
}

ZlibInflater::~ZlibInflater() {
  if (zs_ != nullptr) {
    inflateEnd(zs_);
    delete zs_;
  }
}

bool ZlibInflater::needsInput() const {
  return zs_ == nullptr || zs_->avail_in == 0;
}

void ZlibInflater::supply(const uint8_t* data, size_t n) {
  if (zs_ == nullptr) return;
  zs_->next_in = const_cast<Bytef*>(data);
  zs_->avail_in = data != nullptr ? uInt(std::min(n, kPiece)) : 0;
}

size_t ZlibInflater::produce(uint8_t* out, size_t n) {
  if (state_ != kRunning || out == nullptr) return 0;
  size_t written = 0;
  // Without input, zlib may still hold decoded bytes that did not fit the last output (the end
  // of a match): they are given out first.
  while (written < n && state_ == kRunning) {
    const bool hadInput = zs_->avail_in > 0;
    const uInt room = uInt(std::min(n - written, kPiece));
    zs_->next_out = out + written;
    zs_->avail_out = room;
    const uInt inBefore = zs_->avail_in;
    const int rc = inflate(zs_, Z_NO_FLUSH);
    const size_t made = size_t(room - zs_->avail_out);
    const size_t used = size_t(inBefore - zs_->avail_in);
    written += made;
    totalOut_ += made;
    totalIn_ += used;
    if (rc == Z_STREAM_END) {
      state_ = kEnded;
    } else if (rc == Z_NEED_DICT) {
      state_ = kDamaged;
      reason_ = "the compressed data needs a preset dictionary";
    } else if (rc == Z_MEM_ERROR) {
      state_ = kDamaged;
      reason_ = "not enough memory to decompress";
    } else if (rc != Z_OK && rc != Z_BUF_ERROR) {
      state_ = kDamaged;
      reason_ = zs_->msg != nullptr ? zs_->msg : "the compressed data is damaged";
    } else if (made == 0 && !hadInput) {
      break;  // nothing held back: more input is needed
    } else if (made == 0 && used == 0) {
      // No progress with input and room on both sides cannot happen for a sound stream;
      // stopping here keeps every caller's loop finite.
      state_ = kDamaged;
      reason_ = "the compressed data does not advance";
    }
  }
  zs_->next_out = nullptr;
  zs_->avail_out = 0;
  return written;
}

}  // namespace kanvo
