#pragma once
// Writes the document's composite as a PNG file through libpng: the picture as it shows over
// transparent black (the same pixels as the ".pam" export), 8-bit RGBA with straight alpha,
// not interlaced, zlib's default level; the resolution goes into pHYs (dots per inch as
// pixels per metre, rounded). Rows are composited band by band as libpng takes them, so no
// picture-sized buffer is made. The file goes through AtomicFile: an existing file is replaced
// only by a complete new one; on any failure it stays as it was and the status says why.
#include <string>

#include "document/Document.h"
#include "document/Progress.h"
#include "formats/Status.h"

namespace kanvo {

Status writePngDocument(const Document& document, const std::string& path, Progress* progress = nullptr);

}  // namespace kanvo
