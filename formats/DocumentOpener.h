#pragma once
// Opening a file as the document: the one place that chooses a reader by the file's
// lower-cased extension (FileExtension.h). The program's Open command and kanvo-cli both call
// it.
//
// Two kinds of reader plug into the table of formats (DocumentOpener.cpp, one line each):
//   - document readers fill the Document themselves (".knvmob", ".psd");
//   - picture readers produce one Image32 (".bmp" through the platform's ImageLoader; ".jpg"
//     and ".jpeg" through the JPEG decoder; ".png" through the ImageLoader with its alpha),
//     which is then imported: the document becomes a canvas of the picture's size whose bottom
//     layer holds the picture, with a new empty 32 bpp layer above it, current
//     (Document::newFromImage, then Document::addLayer32). A picture with transparency (PNG)
//     goes on top instead, over the empty current layer, so that paint goes beneath it.
// A format listed without a reader reports that it cannot be opened yet; an extension that is
// not listed reports that kanvo does not open such files.
//
// Outcomes (Status): failed leaves the Document untouched; partial means the file was damaged
// and the Document holds what could be read (the reason says what); ok. What the shell does
// around an open (the file name, clearing the history, redrawing) is left to the caller.
#include <span>
#include <string>
#include <string_view>

#include "document/Document.h"
#include "document/Progress.h"
#include "formats/ImageLoader.h"
#include "formats/Status.h"
#include "raster/image/Image32.h"

namespace kanvo {

// What readers may use; every member is optional.
struct OpenServices {
  const ImageLoader* imageLoader = nullptr;  // BMP files cannot be opened without one
  Progress* progress = nullptr;
};

using DocumentReader = Status (*)(Document& document, const std::string& path, const OpenServices& services);
using PictureReader = Status (*)(Image32& picture, const std::string& path, const OpenServices& services);

struct OpenFormat {
  std::string_view extension;  // lower-case, with the dot
  std::string_view name;       // for messages: "PSD"
  DocumentReader readDocument = nullptr;
  PictureReader readPicture = nullptr;
  bool pictureOnTop = false;  // the imported picture is the upper of the two layers
  bool canOpen() const { return readDocument != nullptr || readPicture != nullptr; }
};

// Every extension the program knows how to open (or will), in the order they are tested.
std::span<const OpenFormat> openFormats();
// The entry of a lower-cased extension; null when it is not listed.
const OpenFormat* findOpenFormat(std::string_view extension);

Status openDocument(Document& document, const std::string& path, const OpenServices& services = {});

// Makes the document a canvas of the picture's size holding it as its bottom layer, with an
// empty 32 bpp layer above it, current (pictureOnTop: the picture above the empty layer). Failed (the document untouched) when the picture has
// no pixels, is larger than the largest canvas or memory cannot be had.
Status importPicture(Document& document, const Image32& picture, bool pictureOnTop = false);

}  // namespace kanvo
