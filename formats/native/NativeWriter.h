#pragma once
// Writes a Document as a native document (".knvmob", layout in NativeFormat.h): the header
// (signed "KNVD", format version 1), then per layer, bottom first, a type-0 layer chunk with
// the layer's pixels as it shows and a LAYX record with everything else (kind, the store of
// its own depth, name, attributes); one SELX record per selection, the DOCX record and the end
// record. The reader gives back the same document, every field and every stored pixel.
//
// Every pixel stream (a layer's shown pixels, its own store, a selection mask) is compressed
// by zlib at level 6 as the rows are read from the tiled store, so no store-sized copy is
// made; the compressed streams are held in memory until they are written. The streams are
// independent pieces of one batch of the engine's worker pool, on at most `threads` threads
// (0: as many as the pool runs); vector layers are drawn on the calling thread, since the document's renderer is not shared.
//
// The file goes through AtomicFile: an existing file is replaced only by a complete new one.
#include <cstdint>
#include <string>
#include <vector>

#include "document/Document.h"
#include "document/Progress.h"
#include "formats/Status.h"

namespace kanvo {

struct NativeWriteOptions {
  int32_t threads = 0;           // 0: parallel::threadCount()
  Progress* progress = nullptr;  // (layers written, layer count), on the calling thread
};

Status writeNativeDocument(const Document& document, const std::string& path,
                           const NativeWriteOptions& options = {});
// The same bytes appended to out.
Status encodeNativeDocument(const Document& document, std::vector<uint8_t>& out,
                            const NativeWriteOptions& options = {});

}  // namespace kanvo
