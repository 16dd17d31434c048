#pragma once
// Saving the document to a path: the one place that chooses a writer by the path's
// lower-cased extension (FileExtension.h). The program's save commands and kanvo-cli both
// call it. Every writer goes through the atomic writer: an existing file is replaced only by a
// complete new one, and a failed save leaves it exactly as it was.
//
// The table of formats (DocumentSaver.cpp, one line each), tested in this order:
//   ".knvmob"        the native document, every layer, store, attribute and selection
//   ".jpg", ".jpeg"  JPEG of the composite over white (quality 85, or SaveOptions::quality)
//   ".psd"           PSD, layered or flat as PsdWriter decides, PackBits channels
//   ".tga"           an accepted name for which nothing is written (failed, nothing touched)
//   ".png"           8-bit RGBA PNG of the composite over transparent black, straight alpha
//   ".bmp"           24-bit BMP of the composite flattened over white
//   ".pam"           the composite over transparent black, 8-bit RGB_ALPHA PAM, straight alpha
//   ".ppm"           the composite over white, 8-bit binary PPM
// Any other extension (or none) has no format: failed, nothing touched.
//
// Composites are made band by band (CompositeRows), never as a whole picture in memory.
// What the shell does around a save (the file name, clearing the history) is left to the
// caller, which takes the path as the file name only when the file was written.
#include <span>
#include <string>
#include <string_view>

#include "document/Document.h"
#include "document/Progress.h"
#include "formats/Status.h"

namespace kanvo {

struct SaveOptions {
  int32_t quality = 85;  // JPEG quality, 1 ... 100
  Progress* progress = nullptr;
};

using DocumentWriter = Status (*)(const Document& document, const std::string& path,
                                  const SaveOptions& options);

struct SaveFormat {
  std::string_view extension;      // lower-case, with the dot
  std::string_view name;           // for messages: "PSD"
  DocumentWriter write = nullptr;  // null: nothing can be written (yet, or ever: writesNothing)
  bool writesNothing = false;      // a name the program accepts but never writes (".tga")
};

std::span<const SaveFormat> saveFormats();
// The entry of a lower-cased extension; null when there is none.
const SaveFormat* findSaveFormat(std::string_view extension);

// ok when the file was written; failed (with the reason) when nothing was written.
Status saveDocument(const Document& document, const std::string& path, const SaveOptions& options = {});

}  // namespace kanvo
