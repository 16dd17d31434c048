#include "formats/native/NativeStores.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

#include "formats/native/ZlibInflater.h"

namespace kanvo::native {

namespace {
constexpr size_t kOutPiece = size_t(1) << 16;
constexpr size_t kInPiece = UINT_MAX;  // zlib counts in unsigned int
}  // namespace

RowDeflater::RowDeflater(std::vector<uint8_t>& out, int level) : out_(out) {
  zs_ = new (std::nothrow) z_stream{};
  if (zs_ == nullptr || deflateInit(zs_, level) != Z_OK) {
    delete zs_;
    zs_ = nullptr;
    failed_ = true;
  }
}

RowDeflater::~RowDeflater() {
  if (zs_ != nullptr) {
    deflateEnd(zs_);
    delete zs_;
  }
}

bool RowDeflater::run(int flush) {
  for (;;) {
    const size_t at = out_.size();
    try {
      out_.resize(at + kOutPiece);
    } catch (const std::bad_alloc&) {
      failed_ = true;
      return false;
    }
    zs_->next_out = out_.data() + at;
    zs_->avail_out = uInt(kOutPiece);
    const int r = deflate(zs_, flush);
    out_.resize(at + kOutPiece - zs_->avail_out);
    if (r == Z_STREAM_END) return true;
    if (r != Z_OK && r != Z_BUF_ERROR) {
      failed_ = true;
      return false;
    }
    if (flush == Z_NO_FLUSH && zs_->avail_in == 0) return true;
  }
}

bool RowDeflater::add(const uint8_t* bytes, size_t n) {
  while (!failed_ && n > 0) {
    const size_t piece = std::min(n, kInPiece);
    zs_->next_in = const_cast<Bytef*>(bytes);
    zs_->avail_in = uInt(piece);
    if (!run(Z_NO_FLUSH)) break;
    bytes += piece;
    n -= piece;
  }
  return !failed_;
}

bool RowDeflater::finish() {
  if (failed_) return false;
  zs_->next_in = nullptr;
  zs_->avail_in = 0;
  return run(Z_FINISH);
}

template <int Bpp>
bool deflateStore(const TiledImage<Bpp>& store, std::vector<uint8_t>& out) {
  RowDeflater deflater(out);
  std::vector<uint8_t> row;
  try {
    row.resize(store.rowBufferBytes());
  } catch (const std::bad_alloc&) {
    return false;
  }
  const size_t rowBytes = storeRowBytes<Bpp>(store.width());
  for (uint32_t y = 0; y < store.height(); ++y) {
    store.readRow(row.data(), 0, int32_t(y), int32_t(store.width()));
    if (!deflater.add(row.data(), rowBytes)) return false;
  }
  return deflater.finish();
}

template <int Bpp>
bool inflateStore(const uint8_t* stream, size_t size, TiledImage<Bpp>& store, std::string& why) {
  ZlibInflater zlib;
  if (zlib.state() == ZlibInflater::kNoMemory) {
    why = "not enough memory to inflate its pixels";
    return false;
  }
  zlib.supply(stream, size);
  std::vector<uint8_t> row;
  try {
    row.assign(store.rowBufferBytes(), 0);
  } catch (const std::bad_alloc&) {
    why = "not enough memory for a row of its pixels";
    return false;
  }
  const size_t rowBytes = storeRowBytes<Bpp>(store.width());
  const uint32_t tailBits = (store.width() * Bpp) % 8;
  for (uint32_t y = 0; y < store.height(); ++y) {
    const size_t got = zlib.produce(row.data(), rowBytes);
    if (got < rowBytes) {
      why = zlib.state() == ZlibInflater::kDamaged ? "its pixels are damaged (" + zlib.reason() + ")"
                                                   : "its pixels end at row " + std::to_string(y);
      return false;
    }
    if (tailBits != 0) row[rowBytes - 1] &= uint8_t((1u << tailBits) - 1);
    store.writeRow(row.data(), 0, int32_t(y), int32_t(store.width()));
  }
  uint8_t probe = 0;
  if (zlib.produce(&probe, 1) != 0 || zlib.state() != ZlibInflater::kEnded) {
    why = zlib.state() == ZlibInflater::kDamaged ? "its pixels are damaged (" + zlib.reason() + ")"
          : zlib.state() == ZlibInflater::kEnded ? "its pixel stream holds more than its rows"
                                                 : "its pixel stream lacks its end";
    return false;
  }
  return true;
}

template bool deflateStore<32>(const TiledImage<32>&, std::vector<uint8_t>&);
template bool deflateStore<8>(const TiledImage<8>&, std::vector<uint8_t>&);
template bool deflateStore<1>(const TiledImage<1>&, std::vector<uint8_t>&);
template bool inflateStore<32>(const uint8_t*, size_t, TiledImage<32>&, std::string&);
template bool inflateStore<8>(const uint8_t*, size_t, TiledImage<8>&, std::string&);
template bool inflateStore<1>(const uint8_t*, size_t, TiledImage<1>&, std::string&);

}  // namespace kanvo::native
