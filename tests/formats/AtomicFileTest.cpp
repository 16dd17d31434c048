#include "formats/AtomicFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>

#include "support/FullDisk.h"
#include "support/TempDir.h"

namespace kanvo {
namespace {

using test::readWholeFile;
using test::TempDir;
using test::writeWholeFile;

std::vector<uint8_t> pattern(size_t n, uint32_t seed) {
  std::vector<uint8_t> v(n);
  for (uint8_t& b : v) b = uint8_t((seed = seed * 1103515245u + 12345u) >> 16);
  return v;
}

Status writeAll(const std::string& path, const std::vector<uint8_t>& bytes) {
  AtomicFile f;
  Status s = f.begin(path);
  if (!s.isOk()) return s;
  f.write(bytes.data(), bytes.size());
  return f.commit();
}

// A new file, then a replacement keeping the old one's permissions, then an empty one; no
// temporary file is left behind.
TEST(AtomicFile, ReplacesKeepingPermissions) {
  TempDir dir;
  const std::string path = dir.file("picture.psd");
  for (size_t size : {size_t(100000), size_t(777), size_t(0)}) {
    ASSERT_TRUE(writeAll(path, pattern(size, 1)).isOk());
    EXPECT_EQ(readWholeFile(path), pattern(size, 1));
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, size == 100000 ? st.st_mode & 07777 : 0640u);
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"picture.psd"});
  }
}

// Targets that cannot be written: each is refused with the reason, and whatever stands at the
// target (a folder, a pipe, a device node of our own, never one of /dev, a link that names
// nothing) stays as it was.
TEST(AtomicFile, RefusedTargetsAreLeftAsTheyWere) {
  TempDir dir;
  ASSERT_TRUE(writeWholeFile(dir.file("plain"), std::string("x")));
  using Make = std::function<bool(const char*)>;
  // clang-format off
  const std::tuple<std::string, Make, std::string> cases[] = {
      {"folder", [](const char* p) { return mkdir(p, 0755) == 0; }, "not a regular file"},
      {"pipe", [](const char* p) { return mkfifo(p, 0644) == 0; }, "not a regular file"},
      {"null", [](const char* p) { return mknod(p, S_IFCHR | 0666, makedev(1, 3)) == 0; }, "not a regular file"},
      {"dangling.jpg", [](const char* p) { return symlink("nowhere.jpg", p) == 0; }, "the symbolic link names no file"},
      {"missing/a.psd", nullptr, std::strerror(ENOENT)},
      {"plain/a.psd", nullptr, std::strerror(ENOTDIR)}};  // a folder that is a file
  // clang-format on
  size_t made = 1;
  for (const auto& [name, make, reason] : cases) {
    SCOPED_TRACE(name);
    const std::string target = dir.file(name);
    if (make && !make(target.c_str())) continue;
    made += make != nullptr;
    const auto before = std::filesystem::symlink_status(target).type();
    EXPECT_EQ(writeAll(target, pattern(10, 4)).reason(), "cannot write '" + target + "': " + reason);
    EXPECT_EQ(std::filesystem::symlink_status(target).type(), before);
  }
  EXPECT_EQ(dir.entries().size(), made);  // no temporary file left, nothing made
  EXPECT_TRUE(writeAll("", {}).isFailed());

  // A link to a regular file: the file it names is replaced, the link stays a link.
  const std::string real = dir.file("real.jpg"), link = dir.file("link.jpg");
  ASSERT_TRUE(writeWholeFile(real, std::string("old")));
  ASSERT_EQ(symlink("real.jpg", link.c_str()), 0);
  ASSERT_TRUE(writeAll(link, pattern(3, 5)).isOk());
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(readWholeFile(real), pattern(3, 5));
}

// A full disk: the write fails with its reason, and the old file survives byte for byte.
TEST(AtomicFile, FullDiskKeepsOldFileIntact) {
  TempDir dir;
  const std::string path = dir.file("big.psd");
  ASSERT_TRUE(writeWholeFile(path, pattern(3000, 6)));
  for (size_t size : {size_t(5000), size_t(300000)}) {  // fails at flush / fails during write
    EXPECT_TRUE(test::onAFullDisk(4096, [&] {
      return writeAll(path, pattern(size, 7)).reason() == "cannot write '" + path + "': " + std::strerror(EFBIG);
    })) << "size " << size;
    EXPECT_EQ(readWholeFile(path), pattern(3000, 6));
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"big.psd"});
  }
}

}  // namespace
}  // namespace kanvo
