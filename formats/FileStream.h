#pragma once
// A file with a running byte position, the stream every file reader and writer works through.
//
// Reading: openRead opens a regular file; read, skip, align and the integer readers move the
// position by the bytes really read or skipped, so after a short read position() tells how much
// of the file was there. size() and remaining() let a reader check a length field against the
// file before it allocates anything.
//
// Writing: openWrite starts an atomic save (see AtomicFile): the bytes go to a temporary file
// beside the target, and only commit() puts the complete file in the target's place. Closing or
// destroying a write stream without commit keeps the old file untouched. A failed write makes
// every later write fail too; commit reports the first failure with its reason.
//
// Counts are in bytes; position 0 is the first byte of the file. The stream owns its file.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "formats/AtomicFile.h"
#include "formats/Status.h"

namespace kanvo {

class FileStream {
 public:
  FileStream() = default;
  ~FileStream() { close(); }
  FileStream(const FileStream&) = delete;
  FileStream& operator=(const FileStream&) = delete;

  // Each first closes whatever was open and resets the position.
  Status openRead(const std::string& path);
  Status openWrite(const std::string& path);

  bool isOpen() const { return reading_ != nullptr || writing_.isOpen(); }
  bool isWriting() const { return writing_.isOpen(); }
  uint64_t position() const { return position_; }
  // The file's length: for reading, its size when it was opened; for writing, the bytes so far.
  uint64_t size() const;
  uint64_t remaining() const { return size() > position_ ? size() - position_ : 0; }

  // Transfers n bytes. n of 0 does nothing and returns false (as does a stream of the other
  // direction). True when all n bytes were transferred. A short read zeroes the part of buffer
  // that was not read.
  bool read(void* buffer, size_t n);
  bool write(const void* buffer, size_t n);
  // As read, returning how many bytes were really read.
  size_t readSome(void* buffer, size_t n);

  // Moves forward n bytes. Reading: fails (moving to the end) when fewer than n bytes remain.
  // Writing: moves within what was written and writes zero bytes beyond it.
  bool skip(uint64_t n);
  // Moves to an absolute offset; for writing, only within what was written (to fill in a length
  // written earlier), for reading, at most to the end.
  bool seekTo(uint64_t offset);
  bool rewind() { return seekTo(0); }
  // When position mod m is not 0, writes m - (position mod m) zero bytes (m at most 4).
  bool padTo(uint32_t m);

  // Integers in little-endian (LE) or big-endian (BE) order. A failed read gives 0.
  bool readU8(uint8_t& v);
  bool readU16LE(uint16_t& v);
  bool readU16BE(uint16_t& v);
  bool readU32LE(uint32_t& v);
  bool readU32BE(uint32_t& v);
  bool readI32LE(int32_t& v);
  bool readI32BE(int32_t& v);
  bool writeU8(uint8_t v) { return write(&v, 1); }
  bool writeU16LE(uint16_t v);
  bool writeU16BE(uint16_t v);
  bool writeU32LE(uint32_t v);
  bool writeU32BE(uint32_t v);

  // Write streams: finishes the file and renames it over the target. Closes the stream.
  Status commit();
  // Closes a read stream; abandons an uncommitted write stream (the target is not touched).
  void close();
  // The path given to the last open, for messages.
  const std::string& path() const { return path_; }

 private:
  std::FILE* reading_ = nullptr;
  AtomicFile writing_;
  std::string path_;
  uint64_t position_ = 0;
  uint64_t readSize_ = 0;
};

}  // namespace kanvo
