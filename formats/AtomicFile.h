#pragma once
// The writer behind every save: the new file is written beside the target under a temporary
// name, flushed to the disk and then renamed over the target, so that the target is either the
// complete old file or the complete new one, never a mixture.
//
//   AtomicFile out;
//   Status s = out.begin("pictures/a.psd");
//   ... out.write(bytes, n) ...            // false once anything failed; the first error is kept
//   if (s.isOk()) s = out.commit();        // flush, fsync, rename; the reason when it failed
//
// - begin refuses a target that exists but is not a regular file (a folder, a device, a pipe).
//   A symbolic link to a regular file is followed: the file it names is replaced, the link stays.
// - The new file takes the old file's permission bits when it replaces one, and 0666 less the
//   umask otherwise.
// - On any failure (unwritable folder, full disk, write error, a failed rename) the temporary file
//   is removed and the target is left exactly as it was. An AtomicFile destroyed or abandoned
//   before commit removes its temporary file as well.
// - Failures read "cannot write 'PATH': REASON", with the operating system's reason (strerror).
// POSIX only. Not copyable; one file at a time.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "formats/Status.h"

namespace kanvo {

class AtomicFile {
 public:
  AtomicFile() = default;
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Checks the target and creates the temporary file in the target's folder. A file begun
  // earlier and not committed is abandoned first.
  Status begin(const std::string& target);

  // Appends (or, after seek, overwrites) n bytes at the current position. Returns false when the
  // file is not open or any write so far has failed; the first failure is reported by commit.
  bool write(const void* data, size_t n);
  // Moves the write position to an absolute byte offset (to fill in a length written earlier as
  // a placeholder). Offsets past the end are refused.
  bool seek(uint64_t offset);
  // The current write position and the file's length so far, in bytes.
  uint64_t position() const { return position_; }
  uint64_t length() const { return length_; }

  bool isOpen() const { return file_ != nullptr; }
  bool hasFailed() const { return errorNumber_ != 0; }

  // Flushes, syncs and renames the temporary file over the target. After commit (successful or
  // not) the object is closed.
  Status commit();
  // Closes and removes the temporary file; the target stays as it was.
  void abandon();

  // The path the new file will be renamed to (the target with a symbolic link resolved) and
  // the temporary file's path while one is open; both empty when nothing was begun.
  const std::string& finalPath() const { return finalPath_; }
  const std::string& temporaryPath() const { return tempPath_; }

 private:
  Status failure(int errorNumber, const std::string& what = std::string()) const;
  void noteError(int errorNumber);

  std::FILE* file_ = nullptr;
  std::string displayPath_;  // the path as the caller gave it, for messages
  std::string finalPath_;
  std::string tempPath_;
  uint64_t position_ = 0;
  uint64_t length_ = 0;
  int errorNumber_ = 0;      // first errno of a failed write, 0 while all is well
};

}  // namespace kanvo
