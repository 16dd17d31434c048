#pragma once
// The receiver of progress reports of long operations (flatten, crop, resize, copy): after
// each step the operation calls report(done, total), done counting from 0. The receiver may
// show a bar or pump events; it must not destroy the object whose operation is running.
#include <cstdint>

namespace kanvo {

class Progress {
 public:
  virtual ~Progress() = default;
  virtual void report(int32_t done, int32_t total) = 0;
};

}  // namespace kanvo
