#include "formats/PageBytes.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <new>
#include <utility>

namespace kanvo {

namespace {

// Under AddressSanitizer the bytes come from the heap, so that a read past the end is caught.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kFromHeap = true;
#elif defined(__has_feature)
constexpr bool kFromHeap = __has_feature(address_sanitizer);
#else
constexpr bool kFromHeap = false;
#endif

// Under AddressSanitizer and ThreadSanitizer the heap is theirs: it is left as they set it up.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define KANVO_SANITIZED_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define KANVO_SANITIZED_HEAP 1
#endif
#endif

}  // namespace

PageBytes::PageBytes(PageBytes&& other) noexcept
    : bytes_(std::exchange(other.bytes_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      mapped_(std::exchange(other.mapped_, 0)) {}

PageBytes& PageBytes::operator=(PageBytes&& other) noexcept {
  if (this != &other) {
    release();
    bytes_ = std::exchange(other.bytes_, nullptr);
    size_ = std::exchange(other.size_, 0);
    mapped_ = std::exchange(other.mapped_, 0);
  }
  return *this;
}

bool PageBytes::resize(size_t n) {
  if (n <= mapped_) {
    size_ = n;
    return true;
  }
  release();
  if (n == 0) return true;
  if (kFromHeap) {
    bytes_ = static_cast<uint8_t*>(::operator new(n, std::nothrow));
    size_ = mapped_ = bytes_ != nullptr ? n : 0;
    return bytes_ != nullptr;
  }
  void* p = mmap(nullptr, n, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return false;
  madvise(p, n, MADV_HUGEPAGE);  // advice only: without huge pages the buffer works the same
  bytes_ = static_cast<uint8_t*>(p);
  size_ = n;
  mapped_ = n;
  return true;
}

void PageBytes::release() {
  if (bytes_ != nullptr && kFromHeap) ::operator delete(bytes_);
  else if (bytes_ != nullptr) munmap(bytes_, mapped_);
  bytes_ = nullptr;
  size_ = 0;
  mapped_ = 0;
}

void growHeapInLargePages() {
#if !defined(KANVO_SANITIZED_HEAP)
  constexpr size_t kStep = size_t(1) << 30;
  if (mallopt(M_ARENA_MAX, 1) == 0 || mallopt(M_MMAP_THRESHOLD, 32 << 20) == 0 ||
      mallopt(M_TOP_PAD, int(kStep)) == 0 || mallopt(M_TRIM_THRESHOLD, int(kStep)) == 0)
    return;
  void* grown = std::malloc(4 << 20);  // the heap grows by this and the pad
  if (grown == nullptr) return;
  const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
  const uintptr_t from = uintptr_t(grown) & ~(page - 1), to = uintptr_t(sbrk(0));
  if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
  std::free(grown);
#endif
}

}  // namespace kanvo
