#pragma once
// BmpWriter: stores an Image32 as a 24-bit uncompressed BMP (BITMAPINFOHEADER, rows bottom-up,
// each row width x 3 bytes blue, green, red padded with zeros to a multiple of 4). Each pixel
// is blended over opaque white by its alpha: colour byte (255 x (255 - a) + c x (a + 1)) >> 8.
//
// The file is written through an atomic save: the target is replaced only when the whole file
// was written; a failure returns failed with the reason and leaves the old file. Progress (a
// percentage) goes through the ProgressThrottle after each row.
#include <string>

#include "formats/ProgressThrottle.h"
#include "formats/Status.h"
#include "raster/image/Image32.h"

namespace kanvo {

Status writeBmp(const Image32& image, const std::string& path, PercentCallback progress = nullptr,
                const Clock* clock = nullptr);

}  // namespace kanvo
