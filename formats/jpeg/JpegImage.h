#pragma once
// JPEG pictures to and from Image32: decoded pictures become opaque Color32 pixels; encoding
// takes an image's red, green and blue bytes (alpha ignored).
#include <cstdint>
#include <span>
#include <vector>

#include "formats/jpeg/JpegMarkers.h"
#include "formats/Status.h"
#include "raster/image/Image32.h"

namespace kanvo {

// Decodes a whole JPEG file into `image`, resized to the picture's size. A refused file (see
// JpegMarkers.h and checkJpegAllocation) leaves the image as it was; when the memory cannot be
// had the image is left without pixels, as Image32::resizeBuffer leaves it. Partial: see
// JpegDecoder.
Status decodeJpegImage(std::span<const uint8_t> bytes, Image32& image,
                       int64_t maxPixels = int64_t(jpeg::kMaxJpegDimension) * jpeg::kMaxJpegDimension);

// Encodes the whole image at the given quality (1..100) into `out`.
Status encodeJpegImage(const Image32& image, int quality, std::vector<uint8_t>& out);

}  // namespace kanvo
