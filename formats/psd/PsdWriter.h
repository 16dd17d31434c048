#pragma once
// PsdWriter: stores a Document as a PSD file.
//
// The form: a document of one layer that is not a vector layer, sits at offset (0, 0) in a
// store of the canvas size and (32 bpp) has no pixel with alpha below 255 is written flat: a
// 32 bpp layer as RGB, an 8 bpp layer as one grayscale plane of 255 - coverage, a 1 bpp layer
// as a bitmap plane (most significant bit = leftmost pixel, set = ink). Every other document is
// written layered: one PSD layer per document layer (bottom first) with channels red, green,
// blue and transparency over the bounds of its content, its name (at most 255 bytes),
// opacity, visibility, the transparency-protected flag (reservedFlag) and blend key ("mul "
// multiply, "lddg" add, "norm" otherwise); 8 and 1 bpp layers give the layer colour with their
// coverage as transparency; vector layers are drawn by the document's renderer. The merged
// image is the composite over opaque white, made in bands of 64 rows.
//
// rle: PackBits channels (rows wider than 32000 bytes are stored raw); otherwise raw. Rows are
// made and packed in runs of 64 on the worker pool, a run per thread, and written in order:
// the bytes never depend on the thread count.
// The file is written through an atomic save: the target is replaced only when the whole file
// was written; otherwise the old file stays and the status is failed with the reason.
#include <string>

#include "document/Progress.h"
#include "formats/Status.h"

namespace kanvo {

class Document;

// progress (optional) receives (layer, layer count) before each layer's channels and
// (band, band count) for the merged image.
Status writePsdDocument(const Document& document, const std::string& path, bool rle = true,
                        Progress* progress = nullptr);

}  // namespace kanvo
