#pragma once
// Reads a native document (".knvmob", layout in NativeFormat.h) into a Document: the canvas
// size and resolution, then one 32 bpp layer per layer chunk, bottom first, each with its own
// size and offset, named and numbered as Document::addLayer32 names new layers; the topmost
// layer becomes current. Attributes the file does not hold (visibility, opacity, blend mode,
// lock) keep the defaults of a new layer.
//
// Pixels are inflated a row at a time straight into the layer's tiled store; 64-pixel row
// slices that are entirely zero allocate no tile, so empty regions of large layers cost no tile
// memory. Several layers are inflated at once on the worker pool: the compressed pixels read
// from a file are held for that, up to 32 MiB per thread (a longer stream is inflated as it is
// read), and every outcome below is taken in file order. No pixel buffer of a layer's size is
// ever allocated.
//
// Outcomes:
//   failed   the file cannot be opened, is shorter than its header, or declares a canvas
//            side outside 1 ... 32760 (or the canvas cannot be had): the Document is untouched.
//   partial  the file is damaged or holds more than the document can: the Document holds
//            every layer that was read, and the reason says what was wrong and how many
//            layers were kept. Reading goes on after damage whenever the next chunk can
//            still be found.
//   ok       everything in the file is in the Document.
//
// What counts as damage, and what is done with it:
//   - a chunk header cut by the end of the file: reading stops there;
//   - a skipped chunk whose size is 1 ... 7 (it could not even hold its own header) or runs
//     past the end of the file: reading stops there;
//   - a layer header cut by the end of the file: reading stops, no layer is added;
//   - a negative compressed size: reading stops (the next chunk cannot be found);
//   - a layer side outside 1 ... 32760, or more pixel bytes than the compressed bytes can
//     hold (deflate expands at most 1032 times): the chunk is passed over, no layer is added;
//   - compressed pixels cut by the end of the file: the layer keeps the rows decoded from
//     what is there, and reading stops;
//   - a damaged or short zlib stream: the layer keeps the bytes decoded before the damage,
//     every pixel after them is 0 (transparent), and reading goes on with the next chunk;
//     a stream holding more than width x height x 4 bytes keeps the first ones;
//   - layer chunks beyond the 64th are passed over (a document holds at most 64 layers).
// A chunk size of 0 or below is the format's end marker, not damage. A file that ends where
// only alignment padding was missing is complete.
//
// Files written by kanvo also hold record chunks (NativeFormat.h): a layer's record gives it
// its kind, its own store, name and every attribute; the selection records, the document
// record (current layer and selection) follow. A damaged record counts as damage (partial,
// with its offset); its layer stays the 32 bpp layer of its layer chunk, so nothing readable
// is lost. A record of a version this reader does not know is skipped like an unknown chunk.
// A file signed by kanvo that lacks its end record was cut short: partial.
//
// Progress (optional) is reported as (bytes of the file consumed, file size), both scaled to
// fit 32 bits.
#include <cstddef>
#include <cstdint>
#include <string>

#include "document/Document.h"
#include "document/Progress.h"
#include "formats/Status.h"

namespace kanvo {

// What the reader found, for callers that show more than the reason (and for tests).
struct NativeReadSummary {
  int32_t layersRead = 0;         // layers added to the document
  int32_t damagedLayers = 0;      // of those, layers whose pixels are incomplete
  int32_t rejectedChunks = 0;     // layer chunks passed over for sizes that cannot be right
  int32_t layersBeyondLimit = 0;  // layer chunks past the 64th, passed over
  int32_t skippedChunks = 0;      // chunks of other types (or record versions), skipped as the format says
  int32_t layerRecords = 0;       // layers given their kind, store and attributes by their record
  int32_t damagedRecords = 0;     // records left out as damaged
  bool truncated = false;         // the file ends before the document does
};

Status readNativeDocument(Document& document, const std::string& path, Progress* progress = nullptr,
                          NativeReadSummary* summary = nullptr);
// The same from bytes in memory (the caller keeps them alive during the call).
Status readNativeDocument(Document& document, const uint8_t* bytes, size_t size, Progress* progress = nullptr,
                          NativeReadSummary* summary = nullptr);

}  // namespace kanvo
