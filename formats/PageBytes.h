#pragma once
// A large byte buffer taken from the system in whole pages, for data that is written in full
// before it is read (a file read into memory, unpacked image planes). The bytes start out
// unspecified (never cleared by the program), and the system is asked to back the buffer with
// huge pages, so a buffer of many megabytes costs a few page faults rather than one per 4 KiB.
// (Under AddressSanitizer they come from the heap instead, so that reads past the end are
// caught.) Move-only; the pages go back to the system when the buffer is released or destroyed.
#include <cstddef>
#include <cstdint>

namespace kanvo {

class PageBytes {
 public:
  PageBytes() = default;
  ~PageBytes() { release(); }
  PageBytes(PageBytes&& other) noexcept;
  PageBytes& operator=(PageBytes&& other) noexcept;
  PageBytes(const PageBytes&) = delete;
  PageBytes& operator=(const PageBytes&) = delete;

  // Makes the buffer n bytes long; the first min(n, size()) bytes are kept only when n fits in
  // what is already held. False (and an empty buffer) when the memory cannot be had.
  bool resize(size_t n);
  void release();

  uint8_t* data() { return bytes_; }
  const uint8_t* data() const { return bytes_; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

 private:
  uint8_t* bytes_ = nullptr;
  size_t size_ = 0;
  size_t mapped_ = 0;  // bytes mapped, a whole number of pages
};

// Prepares the heap of a program that holds whole documents, allocated tile by tile: the heap
// grows in one large step that the system is asked to back with huge pages (sparing a page
// fault for every 4 KiB of pixels), keeps what is freed for the next document, and worker
// threads allocate from it too rather than from arenas of their own. Called once at the start,
// before any other thread runs. Advice only: where it is not taken, memory works as before.
// (Sanitizers keep their own heap: nothing is changed under them.)
void growHeapInLargePages();

}  // namespace kanvo
