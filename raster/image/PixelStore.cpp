#include "raster/image/PixelStore.h"

#include <cstring>
#include <new>

namespace kanvo {

PixelStore::PixelStore(PixelStore&& other) noexcept { takeFrom(other); }

void PixelStore::takeFrom(PixelStore& other) noexcept {
  info_ = other.info_;
  data_ = other.data_;
  other.info_ = ImageInfo();
  other.data_ = nullptr;
}

bool PixelStore::holdsSize(int32_t width, int32_t height) const {
  if (width < 1) width = 1;
  if (height < 1) height = 1;
  return data_ != nullptr && width == info_.width && height == info_.height;
}

bool PixelStore::allocateFor(int32_t width, int32_t height, double bytesPerPixel, size_t alignment) {
  info_ = ImageInfo::make(width < 1 ? 1 : width, height < 1 ? 1 : height, bytesPerPixel);
  uint64_t bytes = info_.byteCount();
  if (info_.stride < 1 || bytes == 0 || bytes > kMaxImageBytes || bytes > uint64_t(SIZE_MAX)) {
    info_ = ImageInfo();
    return false;
  }
  data_ = static_cast<uint8_t*>(::operator new(size_t(bytes), std::align_val_t(alignment), std::nothrow));
  if (data_ == nullptr) {
    info_ = ImageInfo();
    return false;
  }
  return true;
}

void PixelStore::freeData(size_t alignment) {
  if (data_ != nullptr) ::operator delete(data_, std::align_val_t(alignment));
  data_ = nullptr;
  info_ = ImageInfo();
}

bool PixelStore::bytesRepeat(const uint8_t* bytes, uint64_t count, uint32_t word) {
  if (count % 4 == 0) {
    for (uint64_t i = 0; i < count; i += 4) {
      uint32_t v;
      std::memcpy(&v, bytes + i, 4);
      if (v != word) return false;
    }
    return true;
  }
  uint8_t pattern[4];
  std::memcpy(pattern, &word, 4);
  for (uint64_t i = 0; i < count; ++i)
    if (bytes[i] != pattern[i % 4]) return false;
  return true;
}

}  // namespace kanvo
