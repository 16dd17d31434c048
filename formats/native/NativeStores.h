#pragma once
// The pixel streams of native documents: rows compressed into one zlib stream as they are
// produced, and a stream inflated back into a tiled store. Rows are read from (and written
// to) the tiled stores one at a time, so no store-sized buffer is ever made.
//
// A row of a store of depth Bpp holds ceil(width x Bpp / 8) bytes: Color32 values, coverage
// bytes or bits (least significant bit first), as the store's own row buffer lays them out.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "raster/tiled/TiledImage.h"

struct z_stream_s;

namespace kanvo::native {

// The level every stream of the writer is compressed at.
constexpr int kDeflateLevel = 6;

// Compresses rows into one zlib stream appended to out.
class RowDeflater {
 public:
  explicit RowDeflater(std::vector<uint8_t>& out, int level = kDeflateLevel);
  ~RowDeflater();
  RowDeflater(const RowDeflater&) = delete;
  RowDeflater& operator=(const RowDeflater&) = delete;

  // False once zlib could not start or memory ran out; later calls then do nothing.
  bool add(const uint8_t* bytes, size_t n);
  // Ends the stream; false when any step failed.
  bool finish();

 private:
  bool run(int flush);

  std::vector<uint8_t>& out_;
  z_stream_s* zs_ = nullptr;
  bool failed_ = false;
};

template <int Bpp>
constexpr size_t storeRowBytes(uint32_t width) {
  return (size_t(width) * Bpp + 7) / 8;
}

// Every row of the store, top to bottom, as one stream appended to out. False when memory ran
// out.
template <int Bpp>
bool deflateStore(const TiledImage<Bpp>& store, std::vector<uint8_t>& out);

// Fills store (sized by the caller, empty) from a stream of its rows. The stream must hold
// exactly its rows and end with its check value; otherwise false, why says what was wrong,
// and the store holds what was decoded. Bits beyond the width in a 1 bpp row are dropped.
template <int Bpp>
bool inflateStore(const uint8_t* stream, size_t size, TiledImage<Bpp>& store, std::string& why);

}  // namespace kanvo::native
