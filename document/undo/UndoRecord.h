#pragma once
// Tile records of the undo history: capturing the tiles of a rectangle of a tiled image into a
// tile stream, and writing such a stream back, all or nothing.
//
// Capturing widens the rectangle outward to whole 64 x 64 tiles and clips it to the image's
// tile grid; tiles are written row by row from the top, left to right, absent tiles as absent
// and one-valued tiles in the short form (the stream codec decides that).
//
// Restoring happens in two steps so that a step can check everything before it changes
// anything: prepare() reads the whole stream, checks that it is sound and that every tile lies
// inside the image's grid, decodes the stored tiles into its own buffer and creates (all zero)
// every tile that the stream brings back but the image lacks; commit() then writes the tiles
// and frees the ones the stream records as absent, and cannot fail. A restore that is not
// committed frees the tiles it created when it is destroyed, so the image is as before.
// Between prepare and commit the image must not be changed by anyone else.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "document/undo/TileStream.h"
#include "raster/image/Rect.h"
#include "raster/tiled/TiledImage.h"

namespace kanvo {

// The tile range of rect (widened outward to whole tiles) cut to the image's grid; empty when
// they do not meet.
template <int Bpp>
TileRange tileRangeIn(const TiledImage<Bpp>& image, const Rect& rect);

// Replaces out with the stream of the tiles of image inside rect. False (out empty) when memory
// ran out or the method is not one of 0, 1, 2.
template <int Bpp>
bool captureTiles(const TiledImage<Bpp>& image, const Rect& rect, int32_t method, TileStream& out);

// Memory that restores decode into, kept from one restore to the next so that repeated undos
// work in memory that is already there; at most kKeptBytes stay between restores. One scratch
// serves one prepared restore at a time.
struct RestoreScratch {
  static constexpr size_t kKeptBytes = size_t(4) << 20;
  std::unique_ptr<uint8_t[]> bytes;
  size_t capacity = 0;
  void trim() {
    if (capacity > kKeptBytes) {
      bytes.reset();
      capacity = 0;
    }
  }
};

enum class RestoreStatus {
  kReady,      // prepared; commit() writes it
  kDamaged,    // the stream is damaged or of another depth
  kOutside,    // a tile lies outside the image's grid (the image is not the one recorded)
  kNoMemory,   // the decoded tiles or a new tile could not be had
};

template <int Bpp>
class TileRestore {
 public:
  // scratch, when given, lends the memory for the decoded tiles (and must outlive the restore).
  explicit TileRestore(TiledImage<Bpp>& image, RestoreScratch* scratch = nullptr)
      : image_(image), scratch_(scratch != nullptr ? scratch : &own_) {}
  ~TileRestore();
  TileRestore(const TileRestore&) = delete;
  TileRestore& operator=(const TileRestore&) = delete;

  // Reads and checks the stream (or length bytes at data); see above. Call once. The tiles must
  // be listed once each, row by row, as captureTiles writes them; anything else is damage.
  RestoreStatus prepare(const uint8_t* data, size_t length);
  RestoreStatus prepare(const TileStream& stream) { return prepare(stream.data(), stream.byteLength()); }
  // Writes the prepared tiles; does nothing unless prepare returned kReady. Call once.
  void commit();
  // When prepare failed: a short reason ("" otherwise).
  const char* failure() const { return failure_; }

 private:
  static constexpr size_t kTileBytes = size_t(TiledImage<Bpp>::kTileRowBytes) * 64;
  enum Form : uint8_t { kAbsent, kUniform, kBytes };
  struct Staged {
    int32_t tx = 0, ty = 0;
    Form form = kAbsent;
    size_t offset = 0;  // kUniform: offset of one decoded pixel's bytes; kBytes: of the tile
  };
  bool reserveStaging(size_t bytes);
  void rollBack();

  TiledImage<Bpp>& image_;
  std::vector<Staged> staged_;
  RestoreScratch own_;
  RestoreScratch* scratch_;  // decoded tiles, back to back
  size_t stagingUsed_ = 0;
  std::vector<std::pair<int32_t, int32_t>> created_;  // tiles created by prepare
  bool ready_ = false;
  bool committed_ = false;
  const char* failure_ = "";
};

extern template class TileRestore<32>;
extern template class TileRestore<8>;
extern template class TileRestore<1>;

}  // namespace kanvo
