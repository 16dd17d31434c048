#pragma once
// A whole file in one buffer of pages (see PageBytes), for readers that parse from memory (the JPEG decoder).
// load checks the file's size against a limit before allocating anything, reads the file in one
// piece and reports failures with the operating system's reason:
//   "cannot open 'a.jpg': No such file or directory", "'big.jpg' is too large (3.0 GiB; at most 1.0 GiB)".
// The buffer owns its bytes; reader() gives a bounded cursor over them (see ByteReader).
#include <cstddef>
#include <cstdint>
#include <string>

#include "formats/ByteReader.h"
#include "formats/PageBytes.h"
#include "formats/Status.h"

namespace kanvo {

class FileBuffer {
 public:
  static constexpr uint64_t kDefaultLimit = uint64_t(1) << 30;  // 1 GiB

  // Releases any previous contents, then reads the file at path. Only regular files are read.
  // On failure the buffer is empty. A file that shrinks while it is read gives a failure.
  Status load(const std::string& path, uint64_t maxBytes = kDefaultLimit);
  void release();

  const uint8_t* data() const { return bytes_.data(); }
  size_t size() const { return bytes_.size(); }
  bool empty() const { return bytes_.empty(); }
  ByteReader reader() const { return ByteReader(bytes_.data(), bytes_.size()); }

 private:
  PageBytes bytes_;
};

}  // namespace kanvo
