#include "formats/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>

namespace kanvo {

namespace {

// The folder part of a path: "." for a bare name, "/" for a name in the root.
std::string folderOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A name for the temporary file that no other writer is likely to pick: hidden, derived from
// the target's name (shortened so that the whole stays within the file system's name limit), the
// process id, the clock and the attempt number.
std::string temporaryName(const std::string& folder, const std::string& name, int attempt, const void* self) {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  uint64_t mix = uint64_t(ts.tv_nsec) ^ (uint64_t(ts.tv_sec) << 30) ^ uint64_t(uintptr_t(self)) ^
                 (uint64_t(getpid()) << 40) ^ (uint64_t(attempt) * 0x9E3779B97F4A7C15ull);
  char suffix[40];
  std::snprintf(suffix, sizeof suffix, ".%016llx.tmp", static_cast<unsigned long long>(mix));
  std::string base = name.substr(0, 200);
  std::string dir = folder == "/" ? std::string() : folder;
  return dir + "/." + base + suffix;
}

void syncFolder(const std::string& folder) {
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);  // best effort: the rename has been made, a failure here loses nothing
  close(fd);
}

}  // namespace

AtomicFile::~AtomicFile() { abandon(); }

Status AtomicFile::failure(int errorNumber, const std::string& what) const {
  std::string reason = what.empty() ? std::string(std::strerror(errorNumber)) : what;
  return Status::failed("cannot write '" + displayPath_ + "': " + reason);
}

void AtomicFile::noteError(int errorNumber) {
  if (errorNumber_ != 0) return;
  errorNumber_ = errorNumber != 0 ? errorNumber : EIO;
}

Status AtomicFile::begin(const std::string& target) {
  abandon();
  displayPath_ = target;
  finalPath_.clear();
  if (target.empty()) return failure(ENOENT);

  std::string resolved = target;
  bool replacing = false;
  struct stat st {};
  if (lstat(target.c_str(), &st) == 0) {
    if (S_ISLNK(st.st_mode)) {
      char* real = realpath(target.c_str(), nullptr);
      if (!real) {
        int e = errno;
        return failure(e, e == ENOENT ? "the symbolic link names no file" : std::string());
      }
      resolved = real;
      std::free(real);
      if (stat(resolved.c_str(), &st) != 0) return failure(errno);
    }
    if (!S_ISREG(st.st_mode)) return failure(0, "not a regular file");
    if (access(resolved.c_str(), W_OK) != 0) return failure(errno);
    replacing = true;
  } else if (errno != ENOENT) {
    return failure(errno);
  } else if (!target.empty() && target.back() == '/') {
    return failure(EISDIR);
  }

  std::string folder = folderOf(resolved);
  std::string name = nameOf(resolved);
  int fd = -1;
  std::string temp;
  for (int attempt = 0; attempt < 64 && fd < 0; ++attempt) {
    temp = temporaryName(folder, name, attempt, this);
    fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return failure(errno);
  }
  if (fd < 0) return failure(EEXIST);
  if (replacing) {
    // Keep the old file's permissions and, where allowed, its owner.
    fchmod(fd, st.st_mode & 07777);
    if (fchown(fd, st.st_uid, st.st_gid) != 0) {
      // Only the owner or root may give a file away; the new file then belongs to us.
    }
  }
  std::FILE* f = fdopen(fd, "wb");
  if (!f) {
    int e = errno;
    close(fd);
    unlink(temp.c_str());
    return failure(e);
  }
  file_ = f;
  tempPath_ = temp;
  finalPath_ = resolved;
  position_ = 0;
  length_ = 0;
  errorNumber_ = 0;
  return Status::ok();
}

bool AtomicFile::write(const void* data, size_t n) {
  if (!file_ || errorNumber_ != 0) return false;
  if (n == 0) return true;
  errno = 0;
  size_t done = std::fwrite(data, 1, n, file_);
  position_ += done;
  if (position_ > length_) length_ = position_;
  if (done != n) {
    noteError(errno);
    return false;
  }
  return true;
}

bool AtomicFile::seek(uint64_t offset) {
  if (!file_ || errorNumber_ != 0 || offset > length_) return false;
  if (offset > uint64_t(std::numeric_limits<off_t>::max())) return false;
  if (fseeko(file_, off_t(offset), SEEK_SET) != 0) {
    noteError(errno);
    return false;
  }
  position_ = offset;
  return true;
}

Status AtomicFile::commit() {
  if (!file_) return failure(0, "the file was not opened");
  if (errorNumber_ == 0 && std::fflush(file_) != 0) noteError(errno);
  if (errorNumber_ == 0 && fsync(fileno(file_)) != 0) noteError(errno);
  int closed = std::fclose(file_);
  file_ = nullptr;
  if (errorNumber_ == 0 && closed != 0) noteError(errno);
  if (errorNumber_ == 0 && std::rename(tempPath_.c_str(), finalPath_.c_str()) != 0) noteError(errno);
  if (errorNumber_ != 0) {
    Status s = failure(errorNumber_);
    abandon();
    return s;
  }
  syncFolder(folderOf(finalPath_));
  tempPath_.clear();
  return Status::ok();
}

void AtomicFile::abandon() {
  if (file_) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (!tempPath_.empty()) {
    unlink(tempPath_.c_str());
    tempPath_.clear();
  }
  position_ = 0;
  length_ = 0;
  errorNumber_ = 0;
}

}  // namespace kanvo
