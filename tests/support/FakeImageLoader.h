#pragma once
// A stand-in for the platform's picture loader: hands out a fixed picture (or a failure) and
// remembers the paths it was asked for.
#include <string>
#include <vector>

#include "formats/ImageLoader.h"

namespace kanvo::test {

class FakeImageLoader : public ImageLoader {
 public:
  int32_t width = 0, height = 0;
  std::vector<Color32> pixels;  // width x height, rows top to bottom
  Status result = Status::ok();
  mutable std::vector<std::string> asked;

  Status load(const std::string& path, Image32& image) const override {
    asked.push_back(path);
    if (!result.isFailed()) {
      if (!image.resizeBuffer(width, height)) return Status::failed("no memory");
      for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
          image.setPixel(x, y, pixels[size_t(y) * size_t(width) + size_t(x)]);
    }
    return result;
  }
};

}  // namespace kanvo::test
