#pragma once
// The platform's picture loader: reads an image file the engine has no codec of its own for
// (BMP and PNG, through the toolkit's image reader) into a plain 32 bpp picture. Implemented outside
// the engine (platform/) and handed to the opener; faked in tests.
#include <string>

#include "formats/Status.h"
#include "raster/image/Image32.h"

namespace kanvo {

class ImageLoader {
 public:
  virtual ~ImageLoader() = default;
  // Resizes image to the picture's size and fills it with straight-alpha Color32 pixels, rows
  // top to bottom. ok, partial (a damaged file of which something was read; the image holds
  // it) or failed with the reason (the image's contents are then unspecified).
  virtual Status load(const std::string& path, Image32& image) const = 0;
  // The same, keeping the transparency the file holds as straight alpha (PNG). A loader that
  // cannot tell gives what load gives.
  virtual Status loadWithAlpha(const std::string& path, Image32& image) const { return load(path, image); }
};

}  // namespace kanvo
