#include "formats/psd/PsdReader.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "document/Document.h"
#include "formats/ByteReader.h"
#include "formats/FileBuffer.h"
#include "formats/PageBytes.h"
#include "formats/psd/PackBits.h"
#include "raster/parallel/WorkerPool.h"

namespace kanvo {

namespace {

constexpr int32_t kMaxCanvasSide = 32760;
constexpr int kMaxChannels = 56;

struct PsdHeader {
  uint16_t channels = 0;
  uint32_t height = 0, width = 0;
  uint16_t depth = 0, mode = 0;
};

struct PsdChannel {
  int16_t id = 0;
  uint32_t length = 0;
};

struct PsdLayerRecord {
  int32_t top = 0, left = 0, bottom = 0, right = 0;
  std::vector<PsdChannel> channels;
  // The user mask: rectangle (canvas coordinates), colour outside it, disabled.
  bool hasMask = false;
  int32_t maskTop = 0, maskLeft = 0, maskBottom = 0, maskRight = 0;
  uint8_t maskDefault = 0;
  bool maskDisabled = false;
  Layer* layer = nullptr;
};

int32_t blendModeOf(const uint8_t key[4]) {
  if (std::memcmp(key, "mul ", 4) == 0) return kBlendMultiply;
  if (std::memcmp(key, "lddg", 4) == 0) return kBlendAdd;
  return kBlendNormal;
}

// Reads a channel of size bytes (compression, then raw or packed data) from the reader,
// which covers exactly the channel's data. False on a damaged or unsupported channel.
bool readChannelPlane(ByteReader& in, uint32_t rows, PageBytes& plane, size_t size, std::string& why) {
  uint16_t compression = 0;
  if (!in.readU16BE(compression)) {
    why = "channel data cut short";
    return false;
  }
  if (!plane.resize(size)) {  // every byte is written when the channel reads whole
    why = "not enough memory for a PSD channel";
    return false;
  }
  if (size == 0) return true;
  if (compression == 0) {
    if (in.remaining() < size) {
      why = "channel data cut short";
      return false;
    }
    std::memcpy(plane.data(), in.current(), size);
    in.skip(size);
    return true;
  }
  if (compression == 1) {
    if (!in.skip(uint64_t(rows) * 2)) {
      why = "channel row counts cut short";
      return false;
    }
    size_t used = 0;
    if (!unpackBits(in.current(), in.remaining(), plane.data(), size, &used)) {
      why = "damaged PackBits channel";
      return false;
    }
    in.skip(used);
    return true;
  }
  why = "unsupported channel compression " + std::to_string(compression);
  return false;
}

// Interleaves four planes of w x h bytes (blue, green, red, alpha) into the empty store at
// (left, top). A tile is made only where some alpha is set, which is what writing the rows and
// then dropping the empty tiles leaves. False when a tile cannot be had.
bool storePlanes(TiledImage32& store, uint32_t left, uint32_t top, uint32_t w, uint32_t h,
                 const uint8_t* const bgra[4]) {
  const int32_t tx0 = int32_t(left >> kTileShift), tx1 = int32_t((left + w - 1) >> kTileShift);
  const int32_t ty0 = int32_t(top >> kTileShift), ty1 = int32_t((top + h - 1) >> kTileShift);
  const size_t across = size_t(tx1 - tx0 + 1), down = size_t(ty1 - ty0 + 1);
  // The part of tile (tx, ty) inside the planes, in plane coordinates.
  const auto span = [&](int32_t t, uint32_t origin, uint32_t extent, uint32_t& from, uint32_t& to) {
    from = std::max<uint32_t>(uint32_t(t) << kTileShift, origin) - origin;
    to = std::min<uint32_t>((uint32_t(t) + 1) << kTileShift, origin + extent) - origin;
  };
  std::vector<TiledImage32::Tile*> tiles(across * down, nullptr);
  std::vector<uint8_t> used(across * down, 0);
  parallel::parallelFor(down, [&](size_t j) {
    uint32_t y0, y1, x0, x1;
    span(ty0 + int32_t(j), top, h, y0, y1);
    for (size_t i = 0; i < across; ++i) {
      span(tx0 + int32_t(i), left, w, x0, x1);
      uint8_t any = 0;
      for (uint32_t y = y0; y < y1; ++y)
        for (uint32_t x = x0; x < x1; ++x) any |= bgra[3][size_t(y) * w + x];
      used[j * across + i] = any != 0;
    }
  });
  for (size_t k = 0; k < tiles.size(); ++k) {
    if (!used[k]) continue;
    tiles[k] = store.getOrCreateTile(tx0 + int32_t(k % across), ty0 + int32_t(k / across));
    if (tiles[k] == nullptr) return false;
  }
  parallel::parallelFor(down, [&](size_t j) {
    const int32_t ty = ty0 + int32_t(j);
    uint32_t y0, y1, x0, x1;
    span(ty, top, h, y0, y1);
    for (size_t i = 0; i < across; ++i) {
      TiledImage32::Tile* tile = tiles[j * across + i];
      if (tile == nullptr) continue;
      const int32_t tx = tx0 + int32_t(i);
      span(tx, left, w, x0, x1);
      for (uint32_t y = y0; y < y1; ++y) {
        Color32* out = tile->pixelAddress(int32_t(left + x0) - (tx << kTileShift), int32_t(top + y) - (ty << kTileShift));
        const size_t row = size_t(y) * w;
        for (uint32_t x = x0; x < x1; ++x)
          *out++ = Color32(bgra[0][row + x]) | Color32(bgra[1][row + x]) << 8 | Color32(bgra[2][row + x]) << 16 |
                   Color32(bgra[3][row + x]) << 24;
      }
    }
  });
  return true;
}

class PsdParser {
 public:
  PsdParser(Document& doc, ByteReader in, Progress* progress) : doc_(doc), in_(in), progress_(progress) {}

  Status run();
  // The end of a damaged file: the document keeps at least one layer, the bottom one current.
  Status damaged(const std::string& reason);

 private:
  bool readLayerRecords(size_t end, std::vector<PsdLayerRecord>& records);
  bool readLayerPixels(PsdLayerRecord& record);
  bool readMerged();
  void merged1(const std::vector<uint8_t>& plane);
  void merged8(const std::vector<uint8_t>& plane);
  void merged32(const std::vector<std::vector<uint8_t>>& planes);

  Document& doc_;
  ByteReader in_;
  Progress* progress_;
  PsdHeader header_;
  uint8_t palette_[768] = {};
  std::string why_;
  int32_t layersLeftOut_ = 0;  // records past what the document holds; their channels are skipped
  std::vector<PageBytes> planes_;  // unpacked channels, kept from layer to layer
};

Status PsdParser::run() {
  uint8_t signature[4];
  in_.readBytes(signature, 4);
  uint16_t version = 0;
  in_.readU16BE(version);
  in_.skip(6);
  in_.readU16BE(header_.channels);
  in_.readU32BE(header_.height);
  in_.readU32BE(header_.width);
  in_.readU16BE(header_.depth);
  in_.readU16BE(header_.mode);
  if (in_.failed()) return Status::failed("not a PSD file: header cut short");
  if (std::memcmp(signature, "8BPS", 4) != 0) return Status::failed("not a PSD file");
  if (header_.width < 1 || header_.height < 1 || header_.width > uint32_t(kMaxCanvasSide) ||
      header_.height > uint32_t(kMaxCanvasSide))
    return Status::failed("PSD canvas size " + std::to_string(header_.width) + " x " +
                          std::to_string(header_.height) + " is not supported");
  if (header_.depth != 8 && !(header_.depth == 1 && header_.mode == 0))
    return Status::failed("PSD files of " + std::to_string(header_.depth) + " bits per channel are not supported");
  if (header_.channels < 1 || header_.channels > kMaxChannels)
    return Status::failed("PSD channel count " + std::to_string(header_.channels) + " is not supported");
  if (!doc_.initialise(int32_t(header_.width), int32_t(header_.height)))
    return Status::failed("not enough memory for a " + std::to_string(header_.width) + " x " +
                          std::to_string(header_.height) + " canvas");

  // Colour mode data: the palette of indexed files.
  uint32_t length = 0;
  if (!in_.readU32BE(length) || length > in_.remaining()) return damaged("PSD colour data cut short");
  if (header_.mode == 2) {
    ByteReader pal(in_.current(), length);
    pal.readBytes(palette_, std::min<size_t>(length, 768));
  }
  in_.skip(length);

  // Image resources: the resolution.
  if (!in_.readU32BE(length) || length > in_.remaining()) return damaged("PSD image resources cut short");
  {
    ByteReader res(in_.current(), length);
    while (res.remaining() >= 4) {
      uint8_t sig[4];
      res.readBytes(sig, 4);
      if (std::memcmp(sig, "8BIM", 4) != 0) break;
      uint16_t id = 0;
      uint8_t nameLength = 0;
      res.readU16BE(id);
      res.readU8(nameLength);
      res.skip(nameLength);
      res.align(2);
      uint32_t size = 0;
      res.readU32BE(size);
      if (res.failed() || size > res.remaining()) break;
      if (id == 1005 && size >= 16) {
        ByteReader info(res.current(), size);
        uint32_t h = 0, v = 0;
        info.readU32BE(h);
        info.skip(4);
        info.readU32BE(v);
        int64_t dpi = ((int64_t(h) + int64_t(v)) / 2) >> 16;
        if (dpi > 0) doc_.resolution = int32_t(dpi);
      }
      res.skip(size);
      res.align(2);
    }
  }
  in_.skip(length);

  // Layer and mask information.
  if (!in_.readU32BE(length) || length > in_.remaining()) return damaged("PSD layer section cut short");
  const size_t sectionEnd = in_.position() + length;
  bool broken = false;
  if (length >= 4 && header_.depth != 1) {
    ByteReader section(in_.current(), length);
    uint32_t infoLength = 0;
    section.readU32BE(infoLength);
    if (infoLength > section.remaining()) {
      why_ = "PSD layer information cut short";
      broken = true;
      infoLength = uint32_t(section.remaining());
    }
    if (infoLength >= 2) {
      ByteReader saved = in_;
      in_ = ByteReader(section.current(), infoLength);
      std::vector<PsdLayerRecord> records;
      bool ok = readLayerRecords(infoLength, records);
      int32_t index = 0;
      for (PsdLayerRecord& r : records) {
        if (progress_) progress_->report(index++, int32_t(records.size()));
        if (!readLayerPixels(r)) {
          ok = false;
          break;
        }
      }
      if (!ok) broken = true;
      if (layersLeftOut_ > 0) {
        if (!why_.empty()) why_ += "; ";
        why_ += "the file holds " + std::to_string(records.size()) + " layers, a document at most " +
                std::to_string(Document::kMaxLayers) + ": the top " + std::to_string(layersLeftOut_) +
                " were left out";
        broken = true;
      }
      in_ = saved;
    }
  }

  if (doc_.layerCount() == 0) {
    in_.seek(sectionEnd);
    if (!readMerged()) broken = true;
  }
  if (broken) return damaged(why_.empty() ? "damaged PSD file" : why_);
  doc_.selectLayer(0);
  return Status::ok();
}

Status PsdParser::damaged(const std::string& reason) {
  if (doc_.layerCount() == 0 && doc_.addLayer32()) doc_.layer(0)->refresh();
  doc_.selectLayer(0);
  return Status::partial(reason);
}

bool PsdParser::readLayerRecords(size_t, std::vector<PsdLayerRecord>& records) {
  uint16_t rawCount = 0;
  if (!in_.readU16BE(rawCount)) return false;
  int32_t count = int16_t(rawCount) < 0 ? -int32_t(int16_t(rawCount)) : int32_t(rawCount);
  for (int32_t i = 0; i < count; ++i) {
    PsdLayerRecord r;
    in_.readI32BE(r.top);
    in_.readI32BE(r.left);
    in_.readI32BE(r.bottom);
    in_.readI32BE(r.right);
    uint16_t channelCount = 0;
    in_.readU16BE(channelCount);
    if (in_.failed() || channelCount > kMaxChannels) {
      why_ = "damaged PSD layer record";
      return false;
    }
    r.channels.resize(channelCount);
    for (PsdChannel& c : r.channels) {
      uint16_t id = 0;
      in_.readU16BE(id);
      c.id = int16_t(id);
      in_.readU32BE(c.length);
    }
    uint8_t sig[4], key[4];
    in_.readBytes(sig, 4);
    if (in_.failed() || std::memcmp(sig, "8BIM", 4) != 0) {
      why_ = "damaged PSD layer record";
      return false;
    }
    in_.readBytes(key, 4);
    uint8_t opacity = 0, clipping = 0, flags = 0, filler = 0;
    in_.readU8(opacity);
    in_.readU8(clipping);
    in_.readU8(flags);
    in_.readU8(filler);
    uint32_t extra = 0;
    in_.readU32BE(extra);
    if (in_.failed() || extra > in_.remaining()) {
      why_ = "damaged PSD layer record";
      return false;
    }
    ByteReader ex(in_.current(), extra);
    in_.skip(extra);
    std::string name;
    if (extra) {
      uint32_t maskLength = 0;
      ex.readU32BE(maskLength);
      if (maskLength > ex.remaining()) maskLength = uint32_t(ex.remaining());
      if (maskLength >= 18) {
        ByteReader m(ex.current(), maskLength);
        m.readI32BE(r.maskTop);
        m.readI32BE(r.maskLeft);
        m.readI32BE(r.maskBottom);
        m.readI32BE(r.maskRight);
        uint8_t maskFlags = 0;
        m.readU8(r.maskDefault);
        m.readU8(maskFlags);
        r.hasMask = true;
        r.maskDisabled = (maskFlags & 2) != 0;
      }
      ex.skip(maskLength);
      uint32_t ranges = 0;
      ex.readU32BE(ranges);
      ex.skip(std::min<size_t>(ranges, ex.remaining()));
      uint8_t nameLength = 0;
      ex.readU8(nameLength);
      size_t got = std::min<size_t>(nameLength, ex.remaining());
      name.assign(reinterpret_cast<const char*>(ex.current()), got);
    }
    // Past the document's last layer (or its memory) the record is still read, so that the
    // channel data of the layers below can be found; its own channels are skipped.
    Layer* layer = doc_.addLayer32();
    if (layer) {
      layer->opacity = opacity;
      layer->visible = (flags & 2) ? 0 : 1;
      layer->reservedFlag = flags & 1;
      layer->blendMode = blendModeOf(key);
      layer->name = name;
    } else {
      ++layersLeftOut_;
    }
    r.layer = layer;
    records.push_back(std::move(r));
  }
  return true;
}

bool PsdParser::readLayerPixels(PsdLayerRecord& r) {
  if (r.layer == nullptr) {
    for (const PsdChannel& c : r.channels) {
      if (!in_.skip(c.length)) {
        why_ = "PSD channel data cut short";
        return false;
      }
    }
    return true;
  }
  const int64_t w64 = int64_t(r.right) - r.left, h64 = int64_t(r.bottom) - r.top;
  bool empty = w64 <= 0 || h64 <= 0;
  const int64_t limit = Layer::kMaxStoreSide;
  if (!empty && (w64 > limit || h64 > limit || r.left < -limit || r.top < -limit ||
                 std::max<int64_t>(r.left, 0) + w64 > limit || std::max<int64_t>(r.top, 0) + h64 > limit)) {
    why_ = "PSD layer rectangle out of range";
    return false;
  }
  const uint32_t w = empty ? 0 : uint32_t(w64), h = empty ? 0 : uint32_t(h64);
  const size_t size = size_t(w) * h;
  // Every channel's data must lie in the file: the raw form needs size bytes, the packed form
  // at least 2 bytes per 128 produced.
  int colourChannels = 0;
  bool hasAlpha = false;
  for (const PsdChannel& c : r.channels) {
    if (c.length > in_.remaining()) {
      why_ = "PSD channel data cut short";
      return false;
    }
    if (c.id >= 0 || c.id == -1) ++colourChannels;
    if (c.id == -1) hasAlpha = true;
  }
  if (size / 64 > in_.remaining()) {
    why_ = "PSD layer larger than its data";
    return false;
  }
  // The channels' data are found in order, then unpacked at once, a channel per piece of the
  // worker pool into planes kept from layer to layer; the first failure in channel order is
  // the one reported.
  struct Unpack {
    const PsdChannel* channel;
    ByteReader data;
    uint32_t rows;
    size_t size;
    PageBytes* plane = nullptr;
    std::string why;
    bool ok = true;
  };
  std::vector<Unpack> unpacks;
  int32_t maskW = 0, maskH = 0;
  bool cut = false;
  for (const PsdChannel& c : r.channels) {
    if (c.length > in_.remaining()) {
      cut = true;
      break;
    }
    ByteReader ch(in_.current(), c.length);
    in_.skip(c.length);
    if (c.id == -2) {
      if (!r.hasMask) continue;
      int64_t mw = int64_t(r.maskRight) - r.maskLeft, mh = int64_t(r.maskBottom) - r.maskTop;
      if (mw <= 0 || mh <= 0 || mw > limit || mh > limit || size_t(mw) * size_t(mh) / 64 > c.length + 64) {
        r.hasMask = false;
        continue;
      }
      maskW = int32_t(mw);
      maskH = int32_t(mh);
      unpacks.push_back({&c, ch, uint32_t(mh), size_t(mw) * size_t(mh), nullptr, {}});
      continue;
    }
    unpacks.push_back({&c, ch, h, size, nullptr, {}});
  }
  if (planes_.size() < unpacks.size()) planes_.resize(unpacks.size());
  for (size_t i = 0; i < unpacks.size(); ++i) unpacks[i].plane = &planes_[i];
  parallel::parallelFor(unpacks.size(), [&](size_t i) {
    Unpack& u = unpacks[i];
    u.ok = readChannelPlane(u.data, u.rows, *u.plane, u.size, u.why);
  });
  for (Unpack& u : unpacks) {
    if (!u.ok) {
      why_ = u.why;
      return false;
    }
  }
  if (cut) {
    why_ = "PSD channel data cut short";
    return false;
  }
  // Channels the layer lacks: no colour, full alpha.
  std::vector<uint8_t> noColour, fullAlpha, indexed;
  const uint8_t *red = nullptr, *green = nullptr, *blue = nullptr, *mask = nullptr;
  uint8_t* alpha = nullptr;
  for (Unpack& u : unpacks) {
    const PsdChannel& c = *u.channel;
    uint8_t* plane = u.plane->data();
    if (c.id == -2) {
      mask = plane;
      continue;
    }
    if (!size) continue;
    if (c.id == -1) {
      alpha = plane;
    } else if (colourChannels <= 2 && c.id == 0 && header_.mode == 2) {
      // Indexed files store palette indices in the layers too.
      indexed.resize(size * 3);
      for (size_t i = 0; i < size; ++i) {
        indexed[i] = palette_[plane[i]];
        indexed[size + i] = palette_[256 + plane[i]];
        indexed[2 * size + i] = palette_[512 + plane[i]];
      }
      red = indexed.data();
      green = red + size;
      blue = green + size;
    } else if (colourChannels <= 2 && c.id == 0) {
      red = green = blue = plane;
    } else if (colourChannels > 2 && c.id == 0) {
      red = plane;
    } else if (colourChannels > 2 && c.id == 1) {
      green = plane;
    } else if (colourChannels > 2 && c.id == 2) {
      blue = plane;
    }
  }
  Layer& layer = *r.layer;
  if (!size) {
    layer.refresh();
    return true;
  }
  (void)hasAlpha;
  if (!red || !green || !blue) noColour.assign(size, 0);
  if (!red) red = noColour.data();
  if (!green) green = noColour.data();
  if (!blue) blue = noColour.data();
  if (!alpha) {
    fullAlpha.assign(size, 255);
    alpha = fullAlpha.data();
  }
  if (r.hasMask && !r.maskDisabled) {
    for (uint32_t y = 0; y < h; ++y) {
      const int64_t my = int64_t(r.top) + y - r.maskTop;
      for (uint32_t x = 0; x < w; ++x) {
        const int64_t mx = int64_t(r.left) + x - r.maskLeft;
        uint8_t m = r.maskDefault;
        if (maskW > 0 && mx >= 0 && my >= 0 && mx < maskW && my < maskH) m = mask[size_t(my) * size_t(maskW) + size_t(mx)];
        uint8_t& a = alpha[size_t(y) * w + x];
        a = uint8_t((a * m + 127) / 255);
      }
    }
  }

  const int32_t offsetX = std::min(r.left, 0), offsetY = std::min(r.top, 0);
  const uint32_t left = uint32_t(r.left - offsetX), top = uint32_t(r.top - offsetY);
  const uint32_t storeW = std::max<uint32_t>(uint32_t(doc_.width()), left + w);
  const uint32_t storeH = std::max<uint32_t>(uint32_t(doc_.height()), top + h);
  TiledImage32& store = layer.pixels32;
  if (store.width() != storeW || store.height() != storeH) {
    if (!store.resize(storeW, storeH)) {
      store.resize(uint32_t(doc_.width()), uint32_t(doc_.height()));
      why_ = "not enough memory for a PSD layer";
      return false;
    }
  }
  layer.setOffset(offsetX, offsetY);
  const uint8_t* const bgra[4] = {blue, green, red, alpha};
  if (!storePlanes(store, left, top, w, h, bgra)) {
    why_ = "not enough memory for a PSD layer";
    return false;
  }
  if (store.width() != uint32_t(doc_.width()) || store.height() != uint32_t(doc_.height()) || offsetX != 0 ||
      offsetY != 0) {
    if (!layer.moveContent(0, 0)) {
      why_ = "not enough memory for a PSD layer";
      return false;
    }
  }
  layer.refresh();
  return true;
}

bool PsdParser::readMerged() {
  const uint32_t w = header_.width, h = header_.height;
  int depth = 32;
  if (header_.channels == 1 && header_.mode == 0) depth = 1;
  if (header_.channels == 1 && header_.mode == 1) depth = 8;
  Layer* layer = doc_.addLayer(depth == 32 ? kLayerKind32 : depth == 8 ? kLayerKind8 : kLayerKind1);
  if (!layer) {
    why_ = "not enough memory for the PSD image";
    return false;
  }
  uint16_t compression = 0;
  if (!in_.readU16BE(compression)) {
    why_ = "PSD image data missing";
    layer->refresh();
    return false;
  }
  if (compression > 1) {
    why_ = "unsupported PSD image compression " + std::to_string(compression);
    layer->refresh();
    return false;
  }
  if (compression == 1 && !in_.skip(uint64_t(header_.channels) * h * 2)) {
    why_ = "PSD image row counts cut short";
    layer->refresh();
    return false;
  }
  const size_t rowBytes = depth == 1 ? (size_t(w) + 7) / 8 : size_t(w);
  const size_t size = rowBytes * h;
  const int wanted = depth == 32 ? std::min<int>(header_.channels, 3) : 1;
  // Every plane exists in full before reading: planes after damage stay zero.
  std::vector<std::vector<uint8_t>> planes(static_cast<size_t>(wanted), std::vector<uint8_t>(size, 0));
  bool ok = true;
  for (int c = 0; c < wanted; ++c) {
    if (compression == 0) {
      if (in_.readBytes(planes[size_t(c)].data(), size) != size) ok = false;
    } else {
      size_t used = 0;
      ok = unpackBits(in_.current(), in_.remaining(), planes[size_t(c)].data(), size, &used);
      in_.skip(used);
    }
    if (!ok) {
      why_ = "PSD image data cut short";
      break;
    }
  }
  if (depth == 1) merged1(planes[0]);
  else if (depth == 8) merged8(planes[0]);
  else merged32(planes);
  layer->refresh();
  return ok;
}

void PsdParser::merged1(const std::vector<uint8_t>& plane) {
  TiledImage1& store = doc_.layer(0)->pixels1;
  const uint32_t w = header_.width;
  const size_t rowBytes = (size_t(w) + 7) / 8;
  uint8_t* buffer = store.rowBuffer();
  for (uint32_t y = 0; y < header_.height; ++y) {
    std::memset(buffer, 0, store.rowBufferBytes());
    for (size_t i = 0; i < rowBytes; ++i) {
      uint8_t b = plane[size_t(y) * rowBytes + i], r = 0;
      for (int k = 0; k < 8; ++k)
        if (b & (0x80 >> k)) r = uint8_t(r | (1 << k));
      buffer[i] = r;
    }
    if (w & 7) buffer[rowBytes - 1] &= uint8_t((1 << (w & 7)) - 1);
    store.writeRow(buffer, 0, int32_t(y), int32_t(w));
  }
}

void PsdParser::merged8(const std::vector<uint8_t>& plane) {
  TiledImage8& store = doc_.layer(0)->pixels8;
  const uint32_t w = header_.width;
  uint8_t* buffer = store.rowBuffer();
  for (uint32_t y = 0; y < header_.height; ++y) {
    std::memset(buffer, 0, store.rowBufferBytes());
    for (uint32_t x = 0; x < w; ++x) buffer[x] = uint8_t(255 - plane[size_t(y) * w + x]);
    store.writeRow(buffer, 0, int32_t(y), int32_t(w));
  }
}

void PsdParser::merged32(const std::vector<std::vector<uint8_t>>& planes) {
  TiledImage32& store = doc_.layer(0)->pixels32;
  const uint32_t w = header_.width;
  uint8_t* buffer = store.rowBuffer();
  const size_t n = planes.size();
  for (uint32_t y = 0; y < header_.height; ++y) {
    std::memset(buffer, 0, store.rowBufferBytes());
    for (uint32_t x = 0; x < w; ++x) {
      const size_t i = size_t(y) * w + x;
      uint8_t r = 0, g = 0, b = 0;
      if (header_.mode == 3) {
        r = planes[0][i];
        g = n > 1 ? planes[1][i] : 0;
        b = n > 2 ? planes[2][i] : 0;
      } else if (header_.mode == 2) {
        const uint8_t index = planes[0][i];
        r = palette_[index];
        g = palette_[256 + index];
        b = palette_[512 + index];
      } else if (header_.mode == 1) {
        r = g = b = planes[0][i];
      }
      uint8_t* p = buffer + size_t(x) * 4;
      p[0] = b;
      p[1] = g;
      p[2] = r;
      p[3] = 255;
    }
    store.writeRow(buffer, 0, int32_t(y), int32_t(w));
  }
}

}  // namespace

Status readPsdDocument(Document& document, const std::string& path, Progress* progress) {
  FileBuffer file;
  Status loaded = file.load(path);
  if (!loaded.isOk()) return loaded;
  PsdParser parser(document, file.reader(), progress);
  return parser.run();
}

Status readPsdDocument(Document& document, const uint8_t* data, size_t size, Progress* progress) {
  PsdParser parser(document, ByteReader(data, size), progress);
  return parser.run();
}

}  // namespace kanvo
