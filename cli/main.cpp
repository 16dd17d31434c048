// kanvo-cli: inspects and converts documents with the program's own open and save flows.
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/CliArguments.h"
#include "cli/CliCommands.h"
#if KANVO_HAVE_QT_IMAGE_LOADER
#include "platform/qt/QtImageLoader.h"
#endif

namespace {

// A conversion holds whole documents, allocated tile by tile: the heap is grown in one large
// step that the system is asked to back with huge pages, which spares a page fault for every
// 4 KiB of pixels. Advice only: where it is not taken, memory works as before.
// (Sanitizers keep their own heap: nothing is changed under them.)
void growHeapInLargePages() {
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
  constexpr size_t kStep = size_t(1) << 30;
  // Worker threads allocate from the same heap rather than from arenas of their own.
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

}  // namespace

int main(int argc, char** argv) {
  growHeapInLargePages();
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
#if KANVO_HAVE_QT_IMAGE_LOADER
  const kanvo::QtImageLoader images;
  const kanvo::ImageLoader* loader = &images;
#else
  const kanvo::ImageLoader* loader = nullptr;  // BMP files then report that they cannot be read
#endif
  const int status = kanvo::cli::runCommand(kanvo::cli::parseArguments(args), stdout, stderr, loader);
  if (std::fflush(stdout) != 0 && status == kanvo::cli::kExitDone) {
    std::fputs("kanvo-cli: cannot write the output\n", stderr);
    return kanvo::cli::kExitOutput;
  }
  return status;
}
