#include "formats/FileBuffer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kanvo {

namespace {

// "512 bytes", "1.5 MiB", "3.0 GiB".
std::string humanSize(uint64_t bytes) {
  if (bytes < 1024) return std::to_string(bytes) + " bytes";
  const char* units[] = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
  double v = double(bytes) / 1024.0;
  int u = 0;
  while (v >= 1024.0 && u < 5) {
    v /= 1024.0;
    ++u;
  }
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f %s", v, units[u]);
  return buf;
}

}  // namespace

void FileBuffer::release() {
  bytes_.release();
}

Status FileBuffer::load(const std::string& path, uint64_t maxBytes) {
  release();
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Status::failed("cannot open '" + path + "': " + std::strerror(errno));
  struct Closer {
    int fd;
    ~Closer() { close(fd); }
  } closer{fd};

  struct stat st {};
  if (fstat(fd, &st) != 0) return Status::failed("cannot read '" + path + "': " + std::strerror(errno));
  if (!S_ISREG(st.st_mode)) return Status::failed("cannot read '" + path + "': not a regular file");
  uint64_t size = uint64_t(st.st_size);
  if (size > maxBytes || size > uint64_t(SIZE_MAX / 2))
    return Status::failed("'" + path + "' is too large (" + humanSize(size) + "; at most " + humanSize(maxBytes) + ")");

  if (!bytes_.resize(size_t(size)))
    return Status::failed("cannot read '" + path + "': not enough memory for " + humanSize(size));

  size_t done = 0;
  while (done < bytes_.size()) {
    ssize_t got = read(fd, bytes_.data() + done, bytes_.size() - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      int e = errno;
      release();
      return Status::failed("cannot read '" + path + "': " + std::strerror(e));
    }
    if (got == 0) {
      release();
      return Status::failed("cannot read '" + path + "': the file became shorter while it was read");
    }
    done += size_t(got);
  }
  return Status::ok();
}

}  // namespace kanvo
