#pragma once
// The picture loader on Qt's image reader (QtGui only; no display or application object is
// needed): reads every BMP variant Qt knows (1, 4, 8, 16, 24 and 32 bits, RLE, bit fields,
// OS/2 headers, top-down rows) into an Image32. The picture is made fully opaque: the stored
// colour bytes are kept and every alpha becomes 255, whatever the file says. The 5 and 6-bit
// colour fields of 16-bit files are widened to the full range (the largest field gives 255).
// loadWithAlpha reads any picture Qt knows (PNG of every colour type and depth, with tRNS)
// keeping its transparency as straight alpha, 16-bit samples reduced to 8 by Qt.
#include "formats/ImageLoader.h"

namespace kanvo {

class QtImageLoader final : public ImageLoader {
 public:
  Status load(const std::string& path, Image32& image) const override { return read(path, image, false); }
  Status loadWithAlpha(const std::string& path, Image32& image) const override { return read(path, image, true); }

 private:
  Status read(const std::string& path, Image32& image, bool keepAlpha) const;
};

}  // namespace kanvo
