#pragma once
// PsdReader: fills a Document from a PSD file (big-endian, "8BPS" header, colour mode data,
// image resources, layer and mask information, merged image data).
//
// Files with a layer section give one 32 bpp layer per PSD layer (bottom first) with its name
// (the file's bytes, CP932), opacity, visibility, transparency-protected flag (the layer's
// reservedFlag), blend mode ("mul " multiply, "lddg" add, anything else normal) and position;
// a layer lying partly above or left of the canvas gets negative offsets. Channels 0, 1, 2 and
// -1 give red, green, blue and alpha; one channel is grey (alpha 255), two are grey and alpha,
// where in indexed files the grey is a palette index;
// a user mask (channel -2) multiplies the alpha unless the mask is disabled. Files without a
// layer section (and bitmap-mode files, whose layer channels are packed bits) give one layer
// from the merged image: 1 bpp for bitmap mode, 8 bpp (255 - grey) for one-channel grayscale,
// otherwise 32 bpp from RGB or the indexed palette.
//
// Every length and rectangle is checked against the file and the size limits (canvas sides
// 1 ... 32760, layer sides up to Layer::kMaxStoreSide). Result: ok; failed, with the document
// untouched, when the file cannot be read or its header is unusable; partial when the file is
// damaged after the header: the document then holds the canvas and the layers read so far.
// Layers past the 64th a document holds are left out (partial, saying how many); the layers
// below them are read in full.
#include <cstddef>
#include <cstdint>
#include <string>

#include "document/Progress.h"
#include "formats/Status.h"

namespace kanvo {

class Document;

// progress (optional) receives (layer, layer count) before each layer's channels.
Status readPsdDocument(Document& document, const std::string& path, Progress* progress = nullptr);
// The same for a file held in memory (size bytes at data, not owned).
Status readPsdDocument(Document& document, const uint8_t* data, size_t size, Progress* progress = nullptr);

}  // namespace kanvo
