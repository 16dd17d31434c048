#include "formats/AtomicFile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "support/TempDir.h"

using kanvo::AtomicFile;
using kanvo::Status;
using kanvo::test::readWholeFile;
using kanvo::test::TempDir;
using kanvo::test::writeWholeFile;

namespace {

std::vector<uint8_t> pattern(size_t n, uint32_t seed) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) {
    seed = seed * 1103515245u + 12345u;
    v[i] = uint8_t(seed >> 16);
  }
  return v;
}

Status writeAll(const std::string& path, const std::vector<uint8_t>& bytes) {
  AtomicFile f;
  Status s = f.begin(path);
  if (!s.isOk()) return s;
  f.write(bytes.data(), bytes.size());
  return f.commit();
}

}  // namespace

TEST(AtomicFile, WritesNewAndReplacesOldKeepingPermissions) {
  TempDir dir;
  std::string path = dir.file("picture.psd");
  auto first = pattern(100000, 1);
  ASSERT_TRUE(writeAll(path, first).isOk());
  EXPECT_EQ(readWholeFile(path), first);

  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  auto second = pattern(777, 2);
  ASSERT_TRUE(writeAll(path, second).isOk());
  EXPECT_EQ(readWholeFile(path), second);
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"picture.psd"});  // no temporary file left

  // An empty file is a file too.
  ASSERT_TRUE(writeAll(path, {}).isOk());
  EXPECT_TRUE(readWholeFile(path).empty());
}

TEST(AtomicFile, SeekFillsInPlaceholders) {
  TempDir dir;
  std::string path = dir.file("a.bin");
  AtomicFile f;
  ASSERT_TRUE(f.begin(path).isOk());
  const char head[] = "LEN:____|payload";
  ASSERT_TRUE(f.write(head, sizeof head - 1));
  EXPECT_EQ(f.position(), 16u);
  ASSERT_TRUE(f.seek(4));
  ASSERT_TRUE(f.write("0016", 4));
  EXPECT_EQ(f.position(), 8u);
  EXPECT_EQ(f.length(), 16u);
  EXPECT_FALSE(f.seek(17));  // past the end
  ASSERT_TRUE(f.seek(16));
  ASSERT_TRUE(f.write("!", 1));
  ASSERT_TRUE(f.commit().isOk());
  auto got = readWholeFile(path);
  EXPECT_EQ(std::string(got.begin(), got.end()), "LEN:0016|payload!");
}

TEST(AtomicFile, AbandonOrDestructionKeepsOldFile) {
  TempDir dir;
  std::string path = dir.file("keep.bmp");
  auto old = pattern(5000, 3);
  ASSERT_TRUE(writeWholeFile(path, old));
  {
    AtomicFile f;
    ASSERT_TRUE(f.begin(path).isOk());
    EXPECT_FALSE(f.temporaryPath().empty());
    f.write("new", 3);
  }  // destroyed without commit
  EXPECT_EQ(readWholeFile(path), old);
  EXPECT_EQ(dir.entries().size(), 1u);

  AtomicFile f;
  ASSERT_TRUE(f.begin(path).isOk());
  f.write("new", 3);
  f.abandon();
  EXPECT_FALSE(f.commit().isOk());  // nothing open any more
  EXPECT_EQ(readWholeFile(path), old);
  EXPECT_EQ(dir.entries().size(), 1u);
}

TEST(AtomicFile, RefusesTargetsThatAreNotRegularFiles) {
  TempDir dir;
  std::string folder = dir.file("folder");
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  std::string fifo = dir.file("pipe");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  std::vector<std::string> targets{folder, fifo};
  std::string device = dir.file("null");  // a character device of our own, never one of /dev
  if (mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) targets.push_back(device);
  for (const std::string& target : targets) {
    Status s = writeAll(target, pattern(10, 4));
    EXPECT_TRUE(s.isFailed()) << target;
    EXPECT_EQ(s.reason(), "cannot write '" + target + "': not a regular file");
  }
  EXPECT_TRUE(std::filesystem::is_directory(folder));
  EXPECT_EQ(dir.entries().size(), targets.size());

  // A link to a regular file: the file it names is replaced, the link stays a link.
  std::string real = dir.file("real.jpg");
  std::string link = dir.file("link.jpg");
  ASSERT_TRUE(writeWholeFile(real, std::string("old")));
  ASSERT_EQ(symlink("real.jpg", link.c_str()), 0);
  ASSERT_TRUE(writeAll(link, {'n', 'e', 'w'}).isOk());
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(readWholeFile(real), (std::vector<uint8_t>{'n', 'e', 'w'}));

  // A link that names nothing is refused rather than replaced.
  std::string dangling = dir.file("dangling.jpg");
  ASSERT_EQ(symlink("nowhere.jpg", dangling.c_str()), 0);
  EXPECT_TRUE(writeAll(dangling, {'x'}).isFailed());
  EXPECT_TRUE(std::filesystem::is_symlink(dangling));
  EXPECT_FALSE(std::filesystem::exists(dir.file("nowhere.jpg")));
}

TEST(AtomicFile, UnwritableFolderReportsTheReason) {
  TempDir dir;
  std::string plain = dir.file("plain");
  ASSERT_TRUE(writeWholeFile(plain, std::string("x")));

  Status s = writeAll(plain + "/a.psd", pattern(10, 5));  // a folder that is a file
  EXPECT_TRUE(s.isFailed());
  EXPECT_EQ(s.reason(), "cannot write '" + plain + "/a.psd': " + std::strerror(ENOTDIR));

  s = writeAll(dir.file("missing/a.psd"), pattern(10, 5));
  EXPECT_EQ(s.reason(), "cannot write '" + dir.file("missing/a.psd") + "': " + std::strerror(ENOENT));

  // Not even root may create files in /proc.
  s = writeAll("/proc/kanvo-atomic-test.psd", pattern(10, 5));
  EXPECT_TRUE(s.isFailed());
  EXPECT_NE(s.reason().find("cannot write '/proc/kanvo-atomic-test.psd': "), std::string::npos);

  if (geteuid() != 0) {  // root ignores permission bits
    std::string locked = dir.file("locked");
    ASSERT_EQ(mkdir(locked.c_str(), 0555), 0);
    s = writeAll(locked + "/a.psd", pattern(10, 5));
    EXPECT_EQ(s.reason(), "cannot write '" + locked + "/a.psd': " + std::strerror(EACCES));
  }
  EXPECT_TRUE(writeAll("", {}).isFailed());
}

// A full disk, simulated by a file size limit in a child process: every write beyond the limit
// fails with EFBIG (SIGXFSZ ignored). The old file must survive byte for byte.
TEST(AtomicFile, FullDiskKeepsOldFileIntact) {
  TempDir dir;
  std::string path = dir.file("big.psd");
  auto old = pattern(3000, 6);
  ASSERT_TRUE(writeWholeFile(path, old));

  for (size_t size : {size_t(5000), size_t(300000)}) {  // fails at flush / fails during write
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      signal(SIGXFSZ, SIG_IGN);
      rlimit lim{4096, 4096};
      if (setrlimit(RLIMIT_FSIZE, &lim) != 0) _exit(10);
      auto bytes = pattern(size, 7);
      AtomicFile f;
      if (!f.begin(path).isOk()) _exit(11);
      f.write(bytes.data(), bytes.size());
      Status s = f.commit();
      if (!s.isFailed()) _exit(12);
      if (s.reason() != "cannot write '" + path + "': " + std::strerror(EFBIG)) _exit(13);
      _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "size " << size;
    EXPECT_EQ(readWholeFile(path), old);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"big.psd"});
  }
}
