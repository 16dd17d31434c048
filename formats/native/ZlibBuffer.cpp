#include "formats/native/ZlibBuffer.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

namespace kanvo {

namespace {

constexpr size_t kPiece = UINT_MAX;  // zlib counts in unsigned int

// Hands zlib the next piece of input and output when the current one is used up.
void refill(z_stream& zs, const uint8_t*& in, size_t& inLeft, uint8_t*& out, size_t& outLeft) {
  if (zs.avail_in == 0 && inLeft > 0) {
    size_t n = std::min(inLeft, kPiece);
    zs.next_in = const_cast<Bytef*>(in);
    zs.avail_in = uInt(n);
    in += n;
    inLeft -= n;
  }
  if (zs.avail_out == 0 && outLeft > 0) {
    size_t n = std::min(outLeft, kPiece);
    zs.next_out = out;
    zs.avail_out = uInt(n);
    out += n;
    outLeft -= n;
  }
}

std::string zlibReason(const z_stream& zs, int rc) {
  if (zs.msg) return zs.msg;
  if (rc == Z_MEM_ERROR) return "not enough memory";
  return "error " + std::to_string(rc);
}

}  // namespace

Status ZlibInflateBuffer(const uint8_t* source, size_t sourceLength, uint8_t* destination, size_t& produced,
                         size_t capacity) {
  produced = 0;
  if (!destination) capacity = 0;
  z_stream zs{};
  int rc = inflateInit(&zs);
  if (rc != Z_OK) {
    if (capacity) std::memset(destination, 0, capacity);
    return Status::failed("zlib could not start: " + zlibReason(zs, rc));
  }
  const uint8_t* in = source;
  size_t inLeft = source ? sourceLength : 0;
  uint8_t* out = destination;
  size_t outLeft = destination ? capacity : 0;
  bool full = false;
  for (;;) {
    refill(zs, in, inLeft, out, outLeft);
    // Once the destination is full, one spare byte tells a stream that ends here from one that
    // goes on.
    bool probing = zs.avail_out == 0;
    uint8_t probe = 0;
    if (probing) {
      zs.next_out = &probe;
      zs.avail_out = 1;
    }
    rc = inflate(&zs, Z_NO_FLUSH);
    if (probing) {
      bool wrote = zs.avail_out == 0;
      zs.next_out = nullptr;
      zs.avail_out = 0;
      if (wrote) {
        full = true;
        zs.total_out -= 1;
        break;
      }
    }
    if (rc == Z_STREAM_END || (rc != Z_OK && rc != Z_BUF_ERROR)) break;
    // The input is used up and zlib had room to write: nothing more will come.
    if (zs.avail_in == 0 && inLeft == 0 && (probing || zs.avail_out > 0)) break;
  }
  produced = size_t(zs.total_out);
  std::string reason = rc == Z_STREAM_END ? std::string() : zlibReason(zs, rc);
  inflateEnd(&zs);
  if (produced < capacity) std::memset(destination + produced, 0, capacity - produced);

  if (full) return Status::partial("the compressed data holds more than the expected " + std::to_string(capacity) + " bytes");
  if (rc == Z_STREAM_END) return Status::ok();
  if (rc == Z_OK || rc == Z_BUF_ERROR)
    return Status::partial("the compressed data ends early (" + std::to_string(produced) + " of up to " +
                           std::to_string(capacity) + " bytes)");
  if (rc == Z_NEED_DICT) return Status::failed("the compressed data needs a preset dictionary");
  return Status::failed("the compressed data is damaged: " + reason);
}

Status ZlibDeflateBuffer(const uint8_t* source, size_t length, uint8_t* destination, size_t& produced) {
  return ZlibDeflateBuffer(source, length, destination, produced, length);
}

Status ZlibDeflateBuffer(const uint8_t* source, size_t length, uint8_t* destination, size_t& produced,
                         size_t capacity) {
  produced = 0;
  z_stream zs{};
  int rc = deflateInit(&zs, Z_DEFAULT_COMPRESSION);
  if (rc != Z_OK) return Status::failed("zlib could not start: " + zlibReason(zs, rc));
  const uint8_t* in = source;
  size_t inLeft = source ? length : 0;
  uint8_t* out = destination;
  size_t outLeft = destination ? capacity : 0;
  for (;;) {
    refill(zs, in, inLeft, out, outLeft);
    int flush = inLeft == 0 ? Z_FINISH : Z_NO_FLUSH;
    rc = deflate(&zs, flush);
    if (rc == Z_STREAM_END || rc == Z_STREAM_ERROR) break;
    if (zs.avail_out == 0 && outLeft == 0) break;  // out of room
  }
  size_t total = size_t(zs.total_out);
  deflateEnd(&zs);
  if (rc != Z_STREAM_END)
    return Status::failed("the compressed data does not fit in " + std::to_string(capacity) + " bytes");
  produced = total;
  return Status::ok();
}

}  // namespace kanvo
