#include "formats/native/NativeRecords.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "formats/ByteReader.h"
#include "formats/Endian.h"
#include "formats/native/NativeFormat.h"

namespace kanvo::native {

namespace {

// zlib's CRC-32 of n bytes (crc32 counts in unsigned int).
uint32_t crcOf(const uint8_t* bytes, size_t n) {
  uLong crc = crc32(0L, Z_NULL, 0);
  for (size_t at = 0; at < n;) {
    const size_t piece = std::min<size_t>(n - at, 1u << 30);
    crc = crc32(crc, bytes + at, uInt(piece));
    at += piece;
  }
  return uint32_t(crc);
}

// Builds one record chunk: header, crc placeholder and version, then the fields.
class RecordWriter {
 public:
  RecordWriter(std::vector<uint8_t>& out, int32_t type) : out_(out), start_(out.size()) {
    u32(uint32_t(type));
    u32(0);  // size, filled in by finish
    u32(0);  // crc, filled in by finish
    u32(kRecordVersion);
  }
  void u32(uint32_t v) {
    uint8_t b[4];
    storeU32LE(b, v);
    out_.insert(out_.end(), b, b + 4);
  }
  void i32(int32_t v) { u32(uint32_t(v)); }
  void u8(uint8_t v) { out_.push_back(v); }
  void f64(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    u32(uint32_t(bits));
    u32(uint32_t(bits >> 32));
  }
  void bytes(const void* p, size_t n) {
    const uint8_t* b = static_cast<const uint8_t*>(p);
    out_.insert(out_.end(), b, b + n);
  }
  void finish() {
    const size_t size = out_.size() - start_;
    storeU32LE(out_.data() + start_ + 4, uint32_t(size));
    const size_t crcFrom = start_ + kChunkHeaderBytes + kRecordCrcBytes;
    storeU32LE(out_.data() + start_ + kChunkHeaderBytes, crcOf(out_.data() + crcFrom, out_.size() - crcFrom));
  }

 private:
  std::vector<uint8_t>& out_;
  size_t start_;
};

// Checks the crc and the version of a record body and leaves the reader after them.
RecordCheck openRecord(ByteReader& in, size_t fixedBytes, std::string& why) {
  if (in.size() < fixedBytes) {
    why = "is " + std::to_string(in.size()) + " bytes long, shorter than its " + std::to_string(fixedBytes) +
          " bytes of fields";
    return RecordCheck::kDamaged;
  }
  uint32_t crc = 0, version = 0;
  in.readU32LE(crc);
  if (crcOf(in.current(), in.remaining()) != crc) {
    why = "fails its checksum";
    return RecordCheck::kDamaged;
  }
  in.readU32LE(version);
  if (version != kRecordVersion) return RecordCheck::kUnknownVersion;
  return RecordCheck::kGood;
}

int32_t i32(ByteReader& in) {
  int32_t v = 0;
  in.readI32LE(v);
  return v;
}
uint8_t u8(ByteReader& in) {
  uint8_t v = 0;
  in.readU8(v);
  return v;
}
double f64(ByteReader& in) {
  uint32_t lo = 0, hi = 0;
  in.readU32LE(lo);
  in.readU32LE(hi);
  const uint64_t bits = uint64_t(hi) << 32 | lo;
  double v;
  std::memcpy(&v, &bits, 8);
  return v;
}

// The variable part that follows the fixed fields: lengths given, bytes there.
bool takeTail(ByteReader& in, uint64_t want, RecordStream& out, std::string& why) {
  if (want > in.remaining()) {
    why = "declares " + std::to_string(want) + " bytes after its fields but holds " +
          std::to_string(in.remaining());
    return false;
  }
  out.bytes = in.current();
  out.size = size_t(want);
  in.skip(size_t(want));
  return true;
}

}  // namespace

LayerRecord LayerRecord::of(const Layer& layer, int32_t ordinal) {
  LayerRecord r;
  r.ordinal = ordinal;
  r.kind = layer.kind;
  r.blendMode = layer.blendMode;
  r.visible = layer.visible;
  r.opacity = layer.opacity;
  r.locked = layer.locked;
  r.reservedFlag = layer.reservedFlag;
  r.colour = layer.colour;
  r.offsetX = layer.offsetX;
  r.offsetY = layer.offsetY;
  r.subPixelX = layer.subPixelX;
  r.subPixelY = layer.subPixelY;
  r.toneMode = layer.toneMode;
  r.toneLines = layer.toneLines;
  r.antialiasMode = layer.antialiasMode;
  r.serial = layer.serial;
  r.vectorWidth = layer.vectorWidth;
  r.vectorHeight = layer.vectorHeight;
  r.name = layer.name;
  return r;
}

void LayerRecord::applyTo(Layer& layer) const {
  layer.blendMode = blendMode;
  layer.visible = visible;
  layer.opacity = opacity;
  layer.locked = locked;
  layer.reservedFlag = reservedFlag;
  layer.colour = colour;
  layer.setOffset(offsetX, offsetY);
  layer.subPixelX = subPixelX;
  layer.subPixelY = subPixelY;
  layer.antialiasMode = antialiasMode;
  layer.serial = serial;
  layer.vectorWidth = vectorWidth;
  layer.vectorHeight = vectorHeight;
  layer.name = name;
}

void appendLayerRecord(std::vector<uint8_t>& out, const LayerRecord& r, const std::vector<uint8_t>& stream) {
  RecordWriter w(out, kLayerRecordType);
  for (int32_t v : {r.ordinal, r.kind, r.blendMode}) w.i32(v);
  for (uint8_t v : {r.visible, r.opacity, r.locked, r.reservedFlag}) w.u8(v);
  w.u32(r.colour);
  w.i32(r.offsetX);
  w.i32(r.offsetY);
  w.f64(r.subPixelX);
  w.f64(r.subPixelY);
  for (int32_t v : {r.toneMode, r.toneLines, r.antialiasMode, r.serial, r.vectorWidth, r.vectorHeight,
                    r.storeWidth, r.storeHeight})
    w.i32(v);
  w.u32(uint32_t(r.name.size()));
  w.u32(uint32_t(stream.size()));
  w.bytes(r.name.data(), r.name.size());
  w.bytes(stream.data(), stream.size());
  w.finish();
}

void appendSelectionRecord(std::vector<uint8_t>& out, const SelectionRecord& r, const std::vector<uint8_t>& stream) {
  RecordWriter w(out, kSelectionRecordType);
  w.i32(r.index);
  w.i32(r.mode);
  for (uint8_t v : {r.flag, uint8_t(0), uint8_t(0), uint8_t(0)}) w.u8(v);
  w.i32(r.maskWidth);
  w.i32(r.maskHeight);
  w.u32(uint32_t(stream.size()));
  w.bytes(stream.data(), stream.size());
  w.finish();
}

void appendDocumentRecord(std::vector<uint8_t>& out, const DocumentRecord& r) {
  RecordWriter w(out, kDocumentRecordType);
  for (int32_t v : {r.currentLayer, r.currentSelection, r.layerCount}) w.i32(v);
  w.finish();
}

void appendEndRecord(std::vector<uint8_t>& out) {
  uint8_t b[kChunkHeaderBytes] = {};
  storeU32LE(b, uint32_t(kEndRecordType));
  out.insert(out.end(), b, b + kChunkHeaderBytes);
}

RecordCheck decodeLayerRecord(const uint8_t* body, size_t size, LayerRecord& r, RecordStream& stream,
                              std::string& why) {
  ByteReader in(body, size);
  const RecordCheck check = openRecord(in, kLayerRecordBytes, why);
  if (check != RecordCheck::kGood) return check;
  r.ordinal = i32(in);
  r.kind = i32(in);
  r.blendMode = i32(in);
  r.visible = u8(in);
  r.opacity = u8(in);
  r.locked = u8(in);
  r.reservedFlag = u8(in);
  r.colour = uint32_t(i32(in));
  r.offsetX = i32(in);
  r.offsetY = i32(in);
  r.subPixelX = f64(in);
  r.subPixelY = f64(in);
  for (int32_t* v : {&r.toneMode, &r.toneLines, &r.antialiasMode, &r.serial, &r.vectorWidth, &r.vectorHeight,
                     &r.storeWidth, &r.storeHeight})
    *v = i32(in);
  const uint32_t nameBytes = uint32_t(i32(in));
  const uint32_t storeBytes = uint32_t(i32(in));
  RecordStream name;
  if (!takeTail(in, uint64_t(nameBytes), name, why) || !takeTail(in, storeBytes, stream, why))
    return RecordCheck::kDamaged;
  r.name.assign(reinterpret_cast<const char*>(name.bytes), name.size);
  return RecordCheck::kGood;
}

RecordCheck decodeSelectionRecord(const uint8_t* body, size_t size, SelectionRecord& r, RecordStream& stream,
                                  std::string& why) {
  ByteReader in(body, size);
  const RecordCheck check = openRecord(in, kSelectionRecordBytes, why);
  if (check != RecordCheck::kGood) return check;
  r.index = i32(in);
  r.mode = i32(in);
  r.flag = u8(in);
  in.skip(3);
  r.maskWidth = i32(in);
  r.maskHeight = i32(in);
  const uint32_t maskBytes = uint32_t(i32(in));
  return takeTail(in, maskBytes, stream, why) ? RecordCheck::kGood : RecordCheck::kDamaged;
}

RecordCheck decodeDocumentRecord(const uint8_t* body, size_t size, DocumentRecord& r, std::string& why) {
  ByteReader in(body, size);
  const RecordCheck check = openRecord(in, kDocumentRecordBytes, why);
  if (check != RecordCheck::kGood) return check;
  r.currentLayer = i32(in);
  r.currentSelection = i32(in);
  r.layerCount = i32(in);
  return RecordCheck::kGood;
}

}  // namespace kanvo::native
