#pragma once
// The record chunks kanvo adds to its native documents (layout in NativeFormat.h): the fields
// of each record as plain values, encoded to and decoded from a chunk body. Encoding and
// decoding sit side by side so that the two never disagree; the pixel streams inside the
// records are made and read by NativeStores.h.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "document/Layer.h"

namespace kanvo::native {

struct LayerRecord {
  int32_t ordinal = 0;
  int32_t kind = kLayerKind32;
  int32_t blendMode = 0;
  uint8_t visible = 1, opacity = 255, locked = 0, reservedFlag = 0;
  uint32_t colour = 0;
  int32_t offsetX = 0, offsetY = 0;
  double subPixelX = 0.0, subPixelY = 0.0;
  int32_t toneMode = 0, toneLines = 0, antialiasMode = 0, serial = 0;
  int32_t vectorWidth = 1, vectorHeight = 1;
  int32_t storeWidth = 0, storeHeight = 0;  // 0 x 0: the store is the type-0 pixels
  std::string name;

  // The attributes of layer (every field but ordinal and the store size).
  static LayerRecord of(const Layer& layer, int32_t ordinal);
  // Gives layer every attribute but the store.
  void applyTo(Layer& layer) const;
};

struct SelectionRecord {
  int32_t index = 0;
  int32_t mode = 0;
  uint8_t flag = 0;
  int32_t maskWidth = 0, maskHeight = 0;
};

struct DocumentRecord {
  int32_t currentLayer = -1;
  int32_t currentSelection = 0;
  int32_t layerCount = 0;
};

// A whole record chunk (header, crc, version, fields, then `tail`, a name or a stream, and
// `stream`) appended to out; the size field counts header and body.
void appendLayerRecord(std::vector<uint8_t>& out, const LayerRecord& r, const std::vector<uint8_t>& stream);
void appendSelectionRecord(std::vector<uint8_t>& out, const SelectionRecord& r, const std::vector<uint8_t>& stream);
void appendDocumentRecord(std::vector<uint8_t>& out, const DocumentRecord& r);
void appendEndRecord(std::vector<uint8_t>& out);

// What a record body says, and where its stream lies in it. The decoders check the crc, the
// version (kUnknownVersion for a newer one) and that every length fits in the body; what the
// values mean is checked by the reader.
enum class RecordCheck { kGood, kUnknownVersion, kDamaged };
struct RecordStream {
  const uint8_t* bytes = nullptr;
  size_t size = 0;
};
RecordCheck decodeLayerRecord(const uint8_t* body, size_t size, LayerRecord& r, RecordStream& stream,
                              std::string& why);
RecordCheck decodeSelectionRecord(const uint8_t* body, size_t size, SelectionRecord& r, RecordStream& stream,
                                  std::string& why);
RecordCheck decodeDocumentRecord(const uint8_t* body, size_t size, DocumentRecord& r, std::string& why);

}  // namespace kanvo::native
