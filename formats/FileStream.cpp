#include "formats/FileStream.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <limits>

#include "formats/Endian.h"

namespace kanvo {

Status FileStream::openRead(const std::string& path) {
  close();
  path_ = path;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return Status::failed("cannot open '" + path + "': " + std::strerror(errno));
  struct stat st {};
  if (fstat(fileno(f), &st) != 0) {
    int e = errno;
    std::fclose(f);
    return Status::failed("cannot open '" + path + "': " + std::strerror(e));
  }
  if (!S_ISREG(st.st_mode)) {
    std::fclose(f);
    return Status::failed("cannot open '" + path + "': not a regular file");
  }
  reading_ = f;
  readSize_ = uint64_t(st.st_size);
  return Status::ok();
}

Status FileStream::openWrite(const std::string& path) {
  close();
  path_ = path;
  return writing_.begin(path);
}

uint64_t FileStream::size() const { return reading_ ? readSize_ : writing_.length(); }

size_t FileStream::readSome(void* buffer, size_t n) {
  if (!reading_ || n == 0) return 0;
  size_t got = std::fread(buffer, 1, n, reading_);
  if (got < n) std::memset(static_cast<uint8_t*>(buffer) + got, 0, n - got);
  position_ += got;
  return got;
}

bool FileStream::read(void* buffer, size_t n) {
  if (!reading_ || n == 0) return false;
  return readSome(buffer, n) == n;
}

bool FileStream::write(const void* buffer, size_t n) {
  if (!writing_.isOpen() || n == 0) return false;
  bool ok = writing_.write(buffer, n);
  position_ = writing_.position();
  return ok;
}

bool FileStream::seekTo(uint64_t offset) {
  if (reading_) {
    if (offset > readSize_ || offset > uint64_t(std::numeric_limits<off_t>::max())) return false;
    if (fseeko(reading_, off_t(offset), SEEK_SET) != 0) return false;
    position_ = offset;
    return true;
  }
  if (!writing_.isOpen() || !writing_.seek(offset)) return false;
  position_ = offset;
  return true;
}

bool FileStream::skip(uint64_t n) {
  if (reading_) {
    if (n > remaining()) {
      seekTo(readSize_ > position_ ? readSize_ : position_);
      return false;
    }
    return seekTo(position_ + n);
  }
  if (!writing_.isOpen()) return false;
  uint64_t end = writing_.length();
  uint64_t target = position_ + n;
  if (target < position_) return false;  // wrapped
  if (target <= end) return seekTo(target);
  if (!seekTo(end)) return false;
  static const uint8_t zeros[4096] = {};
  for (uint64_t left = target - end; left > 0;) {
    size_t part = left < sizeof zeros ? size_t(left) : sizeof zeros;
    if (!write(zeros, part)) return false;
    left -= part;
  }
  return true;
}

bool FileStream::padTo(uint32_t m) {
  if (m > 4 || !writing_.isOpen()) return false;
  if (m < 2 || position_ % m == 0) return true;
  const uint8_t zeros[4] = {};
  return write(zeros, size_t(m - position_ % m));
}

namespace {

template <size_t N, typename T, typename Load>
bool readInt(FileStream& s, T& v, Load load) {
  uint8_t b[N];
  if (!s.read(b, N)) {
    v = 0;
    return false;
  }
  v = T(load(b));
  return true;
}

template <size_t N, typename T, typename Store>
bool writeInt(FileStream& s, T v, Store store) {
  uint8_t b[N];
  store(b, v);
  return s.write(b, N);
}

}  // namespace

bool FileStream::readU8(uint8_t& v) { return readInt<1>(*this, v, [](const uint8_t* p) { return p[0]; }); }
bool FileStream::readU16LE(uint16_t& v) { return readInt<2>(*this, v, loadU16LE); }
bool FileStream::readU16BE(uint16_t& v) { return readInt<2>(*this, v, loadU16BE); }
bool FileStream::readU32LE(uint32_t& v) { return readInt<4>(*this, v, loadU32LE); }
bool FileStream::readU32BE(uint32_t& v) { return readInt<4>(*this, v, loadU32BE); }
bool FileStream::readI32LE(int32_t& v) { return readInt<4>(*this, v, loadU32LE); }
bool FileStream::readI32BE(int32_t& v) { return readInt<4>(*this, v, loadU32BE); }

bool FileStream::writeU16LE(uint16_t v) { return writeInt<2>(*this, v, storeU16LE); }
bool FileStream::writeU16BE(uint16_t v) { return writeInt<2>(*this, v, storeU16BE); }
bool FileStream::writeU32LE(uint32_t v) { return writeInt<4>(*this, v, storeU32LE); }
bool FileStream::writeU32BE(uint32_t v) { return writeInt<4>(*this, v, storeU32BE); }

Status FileStream::commit() {
  if (!writing_.isOpen()) return Status::failed("cannot write '" + path_ + "': the file was not opened for writing");
  Status s = writing_.commit();
  position_ = 0;
  return s;
}

void FileStream::close() {
  if (reading_) {
    std::fclose(reading_);
    reading_ = nullptr;
  }
  writing_.abandon();
  position_ = 0;
  readSize_ = 0;
}

}  // namespace kanvo
