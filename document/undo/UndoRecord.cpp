#include "document/undo/UndoRecord.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace kanvo {

template <int Bpp>
TileRange tileRangeIn(const TiledImage<Bpp>& image, const Rect& rect) {
  TileRange t = tileRangeOf(rect);
  t.x0 = std::max(t.x0, 0);
  t.y0 = std::max(t.y0, 0);
  t.x1 = std::min(t.x1, image.tilesX());
  t.y1 = std::min(t.y1, image.tilesY());
  if (t.x1 <= t.x0 || t.y1 <= t.y0) return TileRange{};
  return t;
}

template <int Bpp>
bool captureTiles(const TiledImage<Bpp>& image, const Rect& rect, int32_t method, TileStream& out) {
  if (method != kTileMethodRaw && method != kTileMethodZlib && method != kTileMethodLz4) {
    out.clear();
    return false;
  }
  const TileRange range = tileRangeIn(image, rect);
  TileStreamWriter writer(out, Bpp, method, range.count());
  for (int32_t ty = range.y0; ty < range.y1; ++ty) {
    for (int32_t tx = range.x0; tx < range.x1; ++tx) {
      const auto* tile = image.tile(tx, ty);
      if (!writer.addTile(tx, ty, tile != nullptr ? tile->bits() : nullptr)) {
        writer.finish();
        return false;
      }
    }
  }
  return writer.finish();
}

template <int Bpp>
TileRestore<Bpp>::~TileRestore() {
  if (!committed_) rollBack();
  scratch_->trim();
}

template <int Bpp>
void TileRestore<Bpp>::rollBack() {
  for (const auto& [tx, ty] : created_) image_.freeTile(tx, ty);
  created_.clear();
}

template <int Bpp>
bool TileRestore<Bpp>::reserveStaging(size_t bytes) {
  RestoreScratch& s = *scratch_;
  if (s.capacity - stagingUsed_ >= bytes) return true;
  const size_t capacity = std::max({s.capacity * 2, stagingUsed_ + bytes, kTileBytes * 16});
  std::unique_ptr<uint8_t[]> grown(new (std::nothrow) uint8_t[capacity]);
  if (!grown) return false;
  if (stagingUsed_ != 0) std::memcpy(grown.get(), s.bytes.get(), stagingUsed_);
  s.bytes = std::move(grown);
  s.capacity = capacity;
  return true;
}

template <int Bpp>
RestoreStatus TileRestore<Bpp>::prepare(const uint8_t* data, size_t length) {
  if (ready_ || committed_ || !staged_.empty()) {
    failure_ = "prepared twice";
    return RestoreStatus::kDamaged;
  }
  TileStreamReader reader(data, length, Bpp);
  if (reader.failed()) {
    failure_ = reader.failure();
    return RestoreStatus::kDamaged;
  }
  try {
    staged_.reserve(reader.tileCount());
  } catch (const std::bad_alloc&) {
    failure_ = "no memory for the tile list";
    return RestoreStatus::kNoMemory;
  }
  // Room for every tile decoded, within the kept size; more is had as it is needed.
  if (!reserveStaging(std::min<size_t>(size_t(reader.tileCount()) * kTileBytes, RestoreScratch::kKeptBytes))) {
    failure_ = "no memory for the decoded tiles";
    return RestoreStatus::kNoMemory;
  }
  // Decode every tile into the end of the staging buffer; a one-valued tile keeps one pixel.
  TileStreamReader::Entry entry;
  for (;;) {
    if (!reserveStaging(kTileBytes)) {
      failure_ = "no memory for the decoded tiles";
      return RestoreStatus::kNoMemory;
    }
    if (!reader.next(entry, scratch_->bytes.get() + stagingUsed_)) break;
    if (uint32_t(entry.tx) >= uint32_t(image_.tilesX()) || uint32_t(entry.ty) >= uint32_t(image_.tilesY())) {
      failure_ = "tile outside the image";
      return RestoreStatus::kOutside;
    }
    // Captured streams list each tile once, row by row; anything else is not one of ours.
    if (!staged_.empty()) {
      const Staged& last = staged_.back();
      if (entry.ty < last.ty || (entry.ty == last.ty && entry.tx <= last.tx)) {
        failure_ = "tiles out of order";
        return RestoreStatus::kDamaged;
      }
    }
    Staged s;
    s.tx = entry.tx;
    s.ty = entry.ty;
    if (!entry.present) {
      s.form = kAbsent;
    } else if (entry.code == kTileCodeUniform) {
      s.form = kUniform;
      s.offset = stagingUsed_;
      stagingUsed_ += 4;  // the first pixel's bytes (a whole word keeps later tiles aligned)
    } else {
      s.form = kBytes;
      s.offset = stagingUsed_;
      stagingUsed_ += kTileBytes;
    }
    staged_.push_back(s);
  }
  if (!reader.finished()) {
    failure_ = reader.failure();
    return RestoreStatus::kDamaged;
  }
  // Create the tiles the stream brings back; undone again unless committed.
  try {
    for (const Staged& s : staged_) {
      if (s.form == kAbsent || image_.tileExists(s.tx, s.ty)) continue;
      created_.emplace_back(s.tx, s.ty);
      if (image_.getOrCreateTile(s.tx, s.ty) == nullptr) {
        created_.pop_back();
        rollBack();
        failure_ = "no memory for a tile";
        return RestoreStatus::kNoMemory;
      }
    }
  } catch (const std::bad_alloc&) {
    rollBack();
    failure_ = "no memory for a tile";
    return RestoreStatus::kNoMemory;
  }
  ready_ = true;
  return RestoreStatus::kReady;
}

template <int Bpp>
void TileRestore<Bpp>::commit() {
  if (!ready_ || committed_) return;
  committed_ = true;
  created_.clear();
  for (const Staged& s : staged_) {
    if (s.form == kAbsent) {
      image_.freeTile(s.tx, s.ty);
      continue;
    }
    auto* tile = image_.writableTile(s.tx, s.ty);
    if (tile == nullptr) continue;  // cannot happen: prepare created every tile it brings back
    uint8_t* bits = tile->bits();
    const uint8_t* from = scratch_->bytes.get() + s.offset;
    if (s.form == kBytes) {
      std::memcpy(bits, from, kTileBytes);
    } else if constexpr (Bpp == 32) {
      for (size_t i = 0; i < kTileBytes; i += 4) std::memcpy(bits + i, from, 4);
    } else {
      std::memset(bits, from[0], kTileBytes);  // 8 bpp: the value; 1 bpp: 0x00 or 0xFF
    }
  }
}

#define KANVO_UNDO_RECORD_DEPTH(B)                                                                  \
  template TileRange tileRangeIn<B>(const TiledImage<B>&, const Rect&);                             \
  template bool captureTiles<B>(const TiledImage<B>&, const Rect&, int32_t, TileStream&);           \
  template class TileRestore<B>;
KANVO_UNDO_RECORD_DEPTH(32)
KANVO_UNDO_RECORD_DEPTH(8)
KANVO_UNDO_RECORD_DEPTH(1)
#undef KANVO_UNDO_RECORD_DEPTH

}  // namespace kanvo
