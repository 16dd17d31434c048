#pragma once
// JPEG pictures to and from Image32: decoded pictures become opaque Color32 pixels; encoding
// takes an image's red, green and blue bytes (alpha ignored).
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "formats/jpeg/JpegMarkers.h"
#include "formats/Status.h"
#include "raster/image/Image32.h"

namespace kanvo {

// Decodes a whole JPEG file into `image`, resized to the picture's size and turned upright as
// its EXIF orientation asks (JpegOrientation.h). A refused file (see
// JpegMarkers.h and checkJpegAllocation) leaves the image as it was; when the memory cannot be
// had the image is left without pixels, as Image32::resizeBuffer leaves it. Partial: see
// JpegDecoder.
Status decodeJpegImage(std::span<const uint8_t> bytes, Image32& image,
                       int64_t maxPixels = int64_t(jpeg::kMaxJpegDimension) * jpeg::kMaxJpegDimension);

// What a JPEG file says beyond its pixels, as JSON keys for a report: "orientation" (the EXIF
// value, 1..8) and "progressive" (true or false), each preceded by ", ". Empty for a file that
// is not a JPEG the decoder reads.
std::string jpegReportKeys(std::span<const uint8_t> bytes);

// Encodes the whole image at the given quality (1..100) into `out`.
Status encodeJpegImage(const Image32& image, int quality, std::vector<uint8_t>& out);

}  // namespace kanvo
