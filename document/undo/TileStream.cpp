#include "document/undo/TileStream.h"

#include <lz4.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace kanvo {

namespace {

constexpr size_t padded(size_t n) { return (n + 3) & ~size_t(3); }

uint32_t loadWord(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
void storeWord(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

// Whether every pixel of the tile holds the same value, and that value as the stream stores it.
// A block equals itself shifted by one pixel exactly when all its pixels are equal.
bool uniformValue(const uint8_t* tile, size_t bytes, int bitsPerPixel, uint32_t& value) {
  // Most tiles that are not uniform differ from their first pixel at one of a few places spread
  // over its rows and columns (one a row, the columns of each eight rows apart, and the last
  // pixel); only the others are compared whole.
  const size_t unit = bitsPerPixel == 32 ? 4 : 1, row = bytes / 64;
  const uint32_t first = loadWord(tile);
  auto differs = [&](size_t at) { return unit == 4 ? loadWord(tile + at) != first : tile[at] != tile[0]; };
  for (size_t y = 0; y < 64; ++y)
    if (differs(y * row + (y % 8) * (row / 8))) return false;
  if (differs(bytes - unit)) return false;
  if (bitsPerPixel == 32) {
    if (std::memcmp(tile, tile + 4, bytes - 4) != 0) return false;
    value = first;  // the Color32 bytes as they lie in memory
    return true;
  }
  const uint8_t firstByte = tile[0];
  if (bitsPerPixel == 1 && firstByte != 0x00 && firstByte != 0xFF) return false;  // mixed bits in the first byte
  if (std::memcmp(tile, tile + 1, bytes - 1) != 0) return false;
  value = bitsPerPixel == 1 ? (firstByte ? 1u : 0u) : firstByte;
  return true;
}

void fillUniform(uint8_t* tile, size_t bytes, int bitsPerPixel, uint32_t value) {
  if (bitsPerPixel == 32) {
    uint8_t v[4];
    storeWord(v, value);
    for (size_t i = 0; i < bytes; i += 4) std::memcpy(tile + i, v, 4);
  } else if (bitsPerPixel == 8) {
    std::memset(tile, int(value), bytes);
  } else {
    std::memset(tile, value ? 0xFF : 0x00, bytes);
  }
}

// The buffers streams of this thread gave up, for the next writer: at most kKept of them, each
// of at most kLargest bytes.
class SpareBuffers {
 public:
  static constexpr size_t kKept = 2, kLargest = size_t(4) << 20;
  ~SpareBuffers() { gone_ = true; }
  static SpareBuffers* ofThisThread() { return gone_ ? nullptr : &spares_; }

  // Takes v's memory when it is worth keeping (in place of a smaller kept buffer); v is left
  // empty either way.
  void give(StreamBytes& v) noexcept {
    StreamBytes* smallest = &kept_[0];
    for (auto& k : kept_)
      if (k.capacity() < smallest->capacity()) smallest = &k;
    if (v.capacity() <= kLargest && v.capacity() > smallest->capacity()) {
      v.clear();
      smallest->swap(v);
    }
    StreamBytes().swap(v);
  }
  // Moves the smallest kept buffer of at least room bytes into the empty v; false when none.
  bool take(StreamBytes& v, size_t room) noexcept {
    StreamBytes* best = nullptr;
    for (auto& k : kept_)
      if (k.capacity() >= room && (best == nullptr || k.capacity() < best->capacity())) best = &k;
    if (best == nullptr) return false;
    best->swap(v);
    return true;
  }

 private:
  StreamBytes kept_[kKept];
  static thread_local SpareBuffers spares_;
  static thread_local bool gone_;  // set once the thread's buffers are destroyed
};
thread_local SpareBuffers SpareBuffers::spares_;
thread_local bool SpareBuffers::gone_ = false;

void giveUp(StreamBytes& bytes) noexcept {
  if (SpareBuffers* spares = SpareBuffers::ofThisThread())
    spares->give(bytes);
  else
    StreamBytes().swap(bytes);
}

}  // namespace

StreamBytes::StreamBytes(const StreamBytes& other) {
  reserve(other.size_);
  if (other.size_ != 0) std::memcpy(bytes_.get(), other.bytes_.get(), other.size_);
  size_ = other.size_;
}

StreamBytes& StreamBytes::operator=(const StreamBytes& other) {
  if (this != &other) {
    StreamBytes copy(other);
    swap(copy);
  }
  return *this;
}

void StreamBytes::reserve(size_t n) {
  if (n <= capacity_) return;
  std::unique_ptr<uint8_t[]> grown(new uint8_t[n]);  // left unset
  if (size_ != 0) std::memcpy(grown.get(), bytes_.get(), size_);
  bytes_ = std::move(grown);
  capacity_ = n;
}

void StreamBytes::resize(size_t n) {
  if (n > capacity_) reserve(std::max(n, 2 * capacity_));
  size_ = n;
}

TileStream& TileStream::operator=(TileStream&& other) noexcept {
  if (this != &other) {
    giveUp(bytes_);
    bytes_.swap(other.bytes_);
  }
  return *this;
}

TileStream::~TileStream() { giveUp(bytes_); }

void TileStream::clear() noexcept { giveUp(bytes_); }

TileRange tileRangeOf(const Rect& r) {
  TileRange t;
  if (r.width <= 0 || r.height <= 0) return t;
  auto floorDiv = [](int64_t a) { return int32_t(a >= 0 ? a / kTileSide : -((-a + kTileSide - 1) / kTileSide)); };
  auto ceilDiv = [](int64_t a) { return int32_t(a >= 0 ? (a + kTileSide - 1) / kTileSide : -((-a) / kTileSide)); };
  t.x0 = floorDiv(r.x);
  t.y0 = floorDiv(r.y);
  t.x1 = ceilDiv(int64_t(r.x) + r.width);
  t.y1 = ceilDiv(int64_t(r.y) + r.height);
  return t;
}

uint32_t TileStream::tileCount() const { return bytes_.size() >= 4 ? loadWord(bytes_.data()) : 0; }

// ---- writing

struct TileStreamWriter::Compressors {
  z_stream deflater{};
  bool deflaterReady = false;
  ~Compressors() {
    if (deflaterReady) deflateEnd(&deflater);
  }
};

bool compresses(int32_t method) { return method == kTileMethodZlib || method == kTileMethodLz4; }

TileStreamWriter::TileStreamWriter(TileStream& out, int bitsPerPixel, int32_t method, int64_t expectedTiles)
    : out_(out),
      tileBytes_(tileByteCount(bitsPerPixel)),
      payloadRoom_(compresses(method) ? std::max(tileBytes_, size_t(LZ4_COMPRESSBOUND(int(tileBytes_)))) : tileBytes_),
      bitsPerPixel_(bitsPerPixel),
      method_(method) {
  out_.clear();
  // Room for the expected tiles stored raw and for the last one's payload as it is written,
  // within the reserve the method warrants; 1 KiB when nothing is known.
  const int64_t most = compresses(method) ? int64_t(1) << 20 : int64_t(64) << 20;
  int64_t room = 4 + (expectedTiles > 0 ? expectedTiles : 0) * (16 + int64_t(tileBytes_)) +
                 int64_t(payloadRoom_ - tileBytes_);
  room = std::clamp<int64_t>(room, 1024, most);
  try {
    SpareBuffers* spares = SpareBuffers::ofThisThread();
    if (spares == nullptr || !spares->take(out_.bytes_, size_t(room))) out_.bytes_.reserve(size_t(room));
    out_.bytes_.resize(4);  // the tile count, stored by finish
  } catch (const std::bad_alloc&) {
    failed_ = true;
  }
}

TileStreamWriter::~TileStreamWriter() = default;

// Compresses one tile into out (capacity bytes); returns the length, or 0 when the compressed
// form does not fit.
size_t TileStreamWriter::compress(const uint8_t* tile, uint8_t* out, size_t capacity) {
  if (method_ == kTileMethodLz4) {
    int n = LZ4_compress_default(reinterpret_cast<const char*>(tile), reinterpret_cast<char*>(out), int(tileBytes_),
                                 int(capacity));
    return n > 0 ? size_t(n) : 0;
  }
  if (method_ == kTileMethodZlib) {
    if (!compressors_) compressors_ = std::make_unique<Compressors>();
    z_stream& zs = compressors_->deflater;
    if (!compressors_->deflaterReady) {
      if (deflateInit(&zs, Z_DEFAULT_COMPRESSION) != Z_OK) return 0;
      compressors_->deflaterReady = true;
    } else if (deflateReset(&zs) != Z_OK) {
      return 0;
    }
    zs.next_in = const_cast<Bytef*>(tile);
    zs.avail_in = uInt(tileBytes_);
    zs.next_out = out;
    zs.avail_out = uInt(capacity);
    return deflate(&zs, Z_FINISH) == Z_STREAM_END ? size_t(zs.total_out) : 0;
  }
  return 0;
}

// Writes a present tile's code and what follows it at head + 8, with payloadRoom_ bytes of room
// after the 16 bytes of its head; returns the bytes the tile takes from head on.
size_t TileStreamWriter::addPresent(const uint8_t* tile, uint8_t* head) {
  uint8_t* payload = head + 16;
  uint32_t value = 0;
  bool uniform = false;
  size_t n = 0;
  if (method_ == kTileMethodLz4) {
    // LZ4 packs a uniform tile into a few dozen bytes, so only a tile it packs into a sixteenth
    // of its size or less is looked at again for the short form: the others are read once.
    n = compress(tile, payload, payloadRoom_);
    uniform = n != 0 && n <= tileBytes_ / 16 && uniformValue(tile, tileBytes_, bitsPerPixel_, value);
  } else if (method_ == kTileMethodZlib) {
    uniform = uniformValue(tile, tileBytes_, bitsPerPixel_, value);
    if (!uniform) n = compress(tile, payload, tileBytes_ - 4);
  }
  if (compresses(method_)) {
    // Compressed only when that saves at least one word; otherwise raw.
    if (n > tileBytes_ - 4) n = 0;
    if (!uniform && n == 0) std::memcpy(payload, tile, tileBytes_);
  } else {
    // Copied first: the check then reads the tile from the nearest cache.
    std::memcpy(payload, tile, tileBytes_);
    uniform = uniformValue(tile, tileBytes_, bitsPerPixel_, value);
  }
  if (uniform) {
    storeWord(head + 8, kTileCodeUniform);
    storeWord(head + 12, value);
    return 16;
  }
  storeWord(head + 8, n != 0 ? uint32_t(method_) : uint32_t(kTileMethodRaw));
  storeWord(head + 12, uint32_t(n != 0 ? n : tileBytes_));
  if (n == 0) return 16 + tileBytes_;
  std::memset(payload + n, 0, padded(n) - n);
  return 16 + padded(n);
}

bool TileStreamWriter::addTile(int32_t tx, int32_t ty, const uint8_t* tile) {
  if (!isValid() || failed_ || finished_) return false;
  StreamBytes& b = out_.bytes_;
  const size_t at = b.size();
  try {
    b.resize(at + 16 + (tile ? payloadRoom_ : 0));
  } catch (const std::bad_alloc&) {
    failed_ = true;
    b.clear();
    return false;
  }
  uint8_t* head = b.data() + at;
  storeWord(head, uint32_t(tx));
  storeWord(head + 4, uint32_t(ty));
  if (tile) {
    b.resize(at + addPresent(tile, head));
  } else {
    storeWord(head + 8, kTileCodeAbsent);
    b.resize(at + 12);
  }
  ++count_;
  return true;
}

bool TileStreamWriter::finish() {
  if (finished_) return !failed_;
  finished_ = true;
  if (!isValid() || failed_) {
    out_.clear();
    return false;
  }
  storeWord(out_.bytes_.data(), count_);
  StreamBytes& b = out_.bytes_;
  if (b.capacity() - b.size() > b.size() / 8) {
    try {
      StreamBytes fitted(b);
      giveUp(b);
      b.swap(fitted);
    } catch (const std::bad_alloc&) {
      // Keeping the spare capacity is harmless.
    }
  }
  return true;
}

// ---- reading

struct TileStreamReader::Inflater {
  z_stream zs{};
  bool ready = false;
  ~Inflater() {
    if (ready) inflateEnd(&zs);
  }
};

TileStreamReader::TileStreamReader(const uint8_t* data, size_t length, int bitsPerPixel)
    : data_(data), length_(data ? length : 0), tileBytes_(tileByteCount(bitsPerPixel)), bitsPerPixel_(bitsPerPixel) {
  if (tileBytes_ == 0) {
    failure_ = "unknown tile depth";
    return;
  }
  if (length_ == 0) return;  // no stream: no tiles
  uint32_t count = 0;
  if (!word(count)) return;
  // Every tile takes at least three words.
  if (uint64_t(count) * 12 > length_ - 4) {
    failure_ = "tile count larger than the stream";
    return;
  }
  count_ = count;
}

TileStreamReader::~TileStreamReader() = default;

bool TileStreamReader::word(uint32_t& v) {
  if (length_ - pos_ < 4) {
    failure_ = "stream ends inside a tile";
    return false;
  }
  v = loadWord(data_ + pos_);
  pos_ += 4;
  return true;
}

bool TileStreamReader::fail(const char* why, uint8_t* tile) {
  if (!failure_) failure_ = why;
  if (tile && tileBytes_) std::memset(tile, 0, tileBytes_);
  return false;
}

bool TileStreamReader::next(Entry& entry, uint8_t* tile) {
  if (failed()) return false;
  if (read_ == count_) return pos_ == length_ ? false : fail("bytes after the last tile", nullptr);

  uint32_t tx = 0, ty = 0, code = 0;
  if (!word(tx) || !word(ty) || !word(code)) return fail(failure_, tile);
  Entry e;
  e.tx = int32_t(tx);
  e.ty = int32_t(ty);
  e.code = int32_t(code);
  e.present = code != uint32_t(kTileCodeAbsent);
  if (e.present && !tile) return fail("no tile buffer given", tile);

  if (code == uint32_t(kTileCodeUniform)) {
    uint32_t value = 0;
    if (!word(value)) return fail(failure_, tile);
    if ((bitsPerPixel_ == 8 && value > 255) || (bitsPerPixel_ == 1 && value > 1))
      return fail("uniform tile value out of range", tile);
    fillUniform(tile, tileBytes_, bitsPerPixel_, value);
  } else if (code == kTileMethodRaw || code == kTileMethodZlib || code == kTileMethodLz4) {
    uint32_t length = 0;
    if (!word(length)) return fail(failure_, tile);
    if (length == 0 || length > length_ - pos_ || padded(length) > length_ - pos_)
      return fail("tile payload longer than the stream", tile);
    const uint8_t* payload = data_ + pos_;
    if (code == kTileMethodRaw) {
      if (length != tileBytes_) return fail("raw tile of the wrong size", tile);
      std::memcpy(tile, payload, tileBytes_);
    } else if (code == kTileMethodZlib) {
      if (!inflater_) inflater_ = std::make_unique<Inflater>();
      z_stream& zs = inflater_->zs;
      if (!inflater_->ready) {
        if (inflateInit(&zs) != Z_OK) return fail("zlib could not start", tile);
        inflater_->ready = true;
      } else if (inflateReset(&zs) != Z_OK) {
        return fail("zlib could not start", tile);
      }
      zs.next_in = const_cast<Bytef*>(payload);
      zs.avail_in = uInt(length);
      zs.next_out = tile;
      zs.avail_out = uInt(tileBytes_);
      int rc = inflate(&zs, Z_FINISH);
      if (rc != Z_STREAM_END || zs.total_out != tileBytes_ || zs.avail_in != 0)
        return fail("zlib tile damaged", tile);
    } else {
      if (length > size_t(LZ4_COMPRESSBOUND(int(tileBytes_)))) return fail("LZ4 tile longer than possible", tile);
      int n = LZ4_decompress_safe(reinterpret_cast<const char*>(payload), reinterpret_cast<char*>(tile), int(length),
                                  int(tileBytes_));
      if (n != int(tileBytes_)) return fail("LZ4 tile damaged", tile);
    }
    pos_ += padded(length);
  } else if (code != uint32_t(kTileCodeAbsent)) {
    return fail("unknown tile code", tile);
  }
  ++read_;
  entry = e;
  return true;
}

}  // namespace kanvo
