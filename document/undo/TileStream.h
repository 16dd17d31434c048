#pragma once
// The tile stream: the memory form in which the undo history keeps the tiles of a rectangle of
// a layer or mask. The stream never leaves memory; all that binds is that reading it gives back
// exactly the tiles that were written, absent tiles included.
//
// A tile is 64 x 64 pixels of one depth: 32 bits per pixel (16384 bytes, Color32 values), 8 bits
// (4096 bytes) or 1 bit (512 bytes, rows of 8 bytes, least significant bit first). The codec sees
// a tile as that block of bytes and is told the depth; it knows nothing of the image the tiles
// come from.
//
// Layout (every word 32-bit little-endian; every payload followed by zero bytes up to a multiple
// of 4, so that every word starts on a multiple of 4 from the start of the stream):
//   word  number of tiles
//   per tile, in the order written:
//     word tile x, word tile y, then one of
//     word 128                             the tile is absent
//     word 255, value                      every pixel holds the same value: for 32 bpp the
//                                          4 bytes of the Color32; for 8 bpp a word holding the
//                                          byte; for 1 bpp a word holding the bit (0 or 1)
//     word 0, word length, bytes           raw tile bytes; length is the tile's byte count
//     word 1, word length, bytes           a zlib stream (RFC 1950) of the tile bytes
//     word 2, word length, bytes           an LZ4 block (the LZ4 block format, no frame) of the
//                                          tile bytes; the block carries no level or size marker,
//                                          since the tile's byte count follows from the depth
// Tiles are compressed with the writer's method. A tile whose compressed form is not smaller than
// the raw bytes is stored raw (word 0), so no tile costs more than its raw size plus 16 bytes, and
// an unknown method stores every tile raw.
//
// Reading checks every length against the bytes that are there and every payload against the
// tile size; a damaged stream stops the reader with a reason and never reads or writes outside
// the stream or the caller's tile buffer.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>

#include "raster/image/Rect.h"

namespace kanvo {

constexpr int32_t kTileSide = 64;

// Bytes of one tile at bitsPerPixel 32, 8 or 1; 0 for any other depth.
constexpr size_t tileByteCount(int bitsPerPixel) {
  return bitsPerPixel == 32 ? 16384 : bitsPerPixel == 8 ? 4096 : bitsPerPixel == 1 ? 512 : 0;
}

// How tiles that are neither absent nor uniform are stored; the undo history's default is LZ4.
enum TileMethod : int32_t { kTileMethodRaw = 0, kTileMethodZlib = 1, kTileMethodLz4 = 2 };
constexpr int32_t kTileCodeAbsent = 128;
constexpr int32_t kTileCodeUniform = 255;

// The tiles covered by a rectangle of pixels, widened outward to whole tiles: columns x0 .. x1 - 1
// and rows y0 .. y1 - 1 in tile coordinates. Empty for an empty or negative-sized rectangle.
struct TileRange {
  int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  int64_t columns() const { return x1 - x0; }
  int64_t rows() const { return y1 - y0; }
  int64_t count() const { return columns() * rows(); }
};
TileRange tileRangeOf(const Rect& pixels);

// A growable run of bytes whose growth leaves the new bytes unset: the stream writer fills them at
// once, so clearing them first would be a pass over the bytes for nothing. Growing beyond the
// capacity throws std::bad_alloc when memory runs out.
class StreamBytes {
 public:
  StreamBytes() = default;
  StreamBytes(const StreamBytes& other);
  StreamBytes(StreamBytes&& other) noexcept { swap(other); }
  StreamBytes& operator=(const StreamBytes& other);
  StreamBytes& operator=(StreamBytes&& other) noexcept {
    swap(other);
    return *this;
  }

  uint8_t* data() { return bytes_.get(); }
  const uint8_t* data() const { return bytes_.get(); }
  size_t size() const { return size_; }
  size_t capacity() const { return capacity_; }
  bool empty() const { return size_ == 0; }
  void clear() { size_ = 0; }
  void reserve(size_t n);
  void resize(size_t n);  // keeps the first min(n, size()) bytes
  void swap(StreamBytes& other) noexcept {
    std::swap(bytes_, other.bytes_);
    std::swap(size_, other.size_);
    std::swap(capacity_, other.capacity_);
  }

 private:
  std::unique_ptr<uint8_t[]> bytes_;
  size_t size_ = 0, capacity_ = 0;
};

// The stream's bytes. Owns them; copyable and movable. The memory a stream gives up (cleared,
// replaced or destroyed) is kept for the next writer on the same thread, a few buffers of at
// most a few MiB: a history that records and releases one step after another writes into
// memory it already has rather than into fresh pages.
class TileStream {
 public:
  TileStream() = default;
  TileStream(const TileStream&) = default;
  TileStream(TileStream&&) noexcept = default;
  TileStream& operator=(const TileStream&) = default;
  TileStream& operator=(TileStream&& other) noexcept;
  ~TileStream();

  const uint8_t* data() const { return bytes_.data(); }
  size_t byteLength() const { return bytes_.size(); }
  bool empty() const { return bytes_.empty(); }
  void clear() noexcept;
  // The tile count of the first word; 0 for an empty stream.
  uint32_t tileCount() const;

 private:
  friend class TileStreamWriter;
  StreamBytes bytes_;
};

// Builds a stream: construct, add every tile of the range in order, finish. The stream given
// is emptied by the constructor and holds the complete stream after finish. expectedTiles, when
// known, lets the writer reserve room up front instead of growing step by step: for all of them
// raw (within 64 MiB) when it stores tiles raw, within 1 MiB when it compresses them.
class TileStreamWriter {
 public:
  TileStreamWriter(TileStream& out, int bitsPerPixel, int32_t method = kTileMethodLz4, int64_t expectedTiles = 0);
  ~TileStreamWriter();
  TileStreamWriter(const TileStreamWriter&) = delete;
  TileStreamWriter& operator=(const TileStreamWriter&) = delete;

  // False for a depth other than 32, 8 and 1; such a writer adds nothing.
  bool isValid() const { return tileBytes_ != 0; }

  // Adds the tile at tile coordinates (tx, ty); bytes points to tileByteCount(depth) bytes, or is
  // null for an absent tile. Returns false (and adds nothing) when memory ran out or the writer is
  // not valid or already finished.
  bool addTile(int32_t tx, int32_t ty, const uint8_t* bytes);
  bool addAbsent(int32_t tx, int32_t ty) { return addTile(tx, ty, nullptr); }

  uint32_t tileCount() const { return count_; }
  // Stores the count and trims the stream's spare capacity to at most an eighth of its length.
  // Returns false when any add failed (the stream is then empty).
  bool finish();

 private:
  struct Compressors;
  size_t compress(const uint8_t* tile, uint8_t* out, size_t capacity);
  size_t addPresent(const uint8_t* tile, uint8_t* head);

  TileStream& out_;
  size_t tileBytes_;
  size_t payloadRoom_;  // room a present tile's payload may take while it is written
  int bitsPerPixel_;
  int32_t method_;
  uint32_t count_ = 0;
  bool failed_ = false;
  bool finished_ = false;
  std::unique_ptr<Compressors> compressors_;
};

// Reads a stream tile by tile. The stream's bytes must outlive the reader.
class TileStreamReader {
 public:
  struct Entry {
    int32_t tx = 0, ty = 0;
    bool present = false;  // false: the tile is absent
    int32_t code = 0;      // 128, 255 or the method that stored it
  };

  TileStreamReader(const uint8_t* data, size_t length, int bitsPerPixel);
  TileStreamReader(const TileStream& stream, int bitsPerPixel)
      : TileStreamReader(stream.data(), stream.byteLength(), bitsPerPixel) {}
  ~TileStreamReader();
  TileStreamReader(const TileStreamReader&) = delete;
  TileStreamReader& operator=(const TileStreamReader&) = delete;

  uint32_t tileCount() const { return count_; }

  // Reads the next tile. For a present tile, tile (tileByteCount(depth) bytes, owned by the
  // caller) receives its bytes; for an absent one it is not touched. Returns false after the last
  // tile or when the stream is damaged (failed() then tells); a tile that could not be read is
  // zeroed in tile, so the buffer never holds a half-decoded tile.
  bool next(Entry& entry, uint8_t* tile);

  // True once damage was found: a length beyond the stream, a payload that does not decode to
  // exactly one tile, an unknown code, a uniform value out of range, or bytes left after the last
  // tile. failure() names it ("" while none).
  bool failed() const { return failure_ != nullptr; }
  const char* failure() const { return failure_ ? failure_ : ""; }
  // True when every tile was read and the stream ended exactly after the last one.
  bool finished() const { return !failed() && read_ == count_ && pos_ == length_; }

 private:
  struct Inflater;
  bool fail(const char* why, uint8_t* tile);
  bool word(uint32_t& v);

  const uint8_t* data_;
  size_t length_;
  size_t pos_ = 0;
  size_t tileBytes_;
  int bitsPerPixel_;
  uint32_t count_ = 0;
  uint32_t read_ = 0;
  const char* failure_ = nullptr;
  std::unique_ptr<Inflater> inflater_;
};

}  // namespace kanvo
