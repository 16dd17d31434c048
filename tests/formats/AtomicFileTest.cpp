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
#include <functional>

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

TEST(AtomicFile, ReplacesKeepingPermissionsAndFillsInPlaceholders) {
  TempDir dir;
  const std::string path = dir.file("picture.psd");
  ASSERT_TRUE(writeAll(path, pattern(100000, 1)).isOk());
  EXPECT_EQ(readWholeFile(path), pattern(100000, 1));
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);

  AtomicFile f;
  ASSERT_TRUE(f.begin(path).isOk());
  ASSERT_TRUE(f.write("LEN:____|payload", 16));
  ASSERT_TRUE(f.seek(4));
  ASSERT_TRUE(f.write("0016", 4));
  EXPECT_EQ(f.position(), 8u);
  EXPECT_EQ(f.length(), 16u);
  EXPECT_FALSE(f.seek(17));  // past the end
  ASSERT_TRUE(f.seek(16));
  ASSERT_TRUE(f.write("!", 1));
  ASSERT_TRUE(f.commit().isOk());
  const std::vector<uint8_t> got = readWholeFile(path);
  EXPECT_EQ(std::string(got.begin(), got.end()), "LEN:0016|payload!");
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"picture.psd"});  // no temporary file left

  ASSERT_TRUE(writeAll(path, {}).isOk());  // an empty file is a file too
  EXPECT_TRUE(readWholeFile(path).empty());
}

TEST(AtomicFile, AbandonOrDestructionKeepsOldFile) {
  TempDir dir;
  const std::string path = dir.file("keep.bmp");
  ASSERT_TRUE(writeWholeFile(path, pattern(5000, 3)));
  for (bool destroy : {true, false}) {
    auto f = std::make_unique<AtomicFile>();
    ASSERT_TRUE(f->begin(path).isOk());
    EXPECT_FALSE(f->temporaryPath().empty());
    f->write("new", 3);
    if (destroy) {
      f.reset();
    } else {
      f->abandon();
      EXPECT_FALSE(f->commit().isOk());  // nothing open any more
    }
    EXPECT_EQ(readWholeFile(path), pattern(5000, 3));
    EXPECT_EQ(dir.entries().size(), 1u);
  }
}

// Targets that cannot be written: each is refused with the reason, and whatever stands at the
// target (a folder, a pipe, a device node, a link that names nothing) stays as it was.
TEST(AtomicFile, RefusedTargetsAreLeftAsTheyWere) {
  TempDir dir;
  ASSERT_TRUE(writeWholeFile(dir.file("plain"), std::string("x")));
  struct Case {
    std::string name;
    std::function<bool(const std::string&)> make;  // false: cannot be made here
    std::string reason;
  };
  const Case cases[] = {
      {"folder", [](const std::string& p) { return mkdir(p.c_str(), 0755) == 0; }, "not a regular file"},
      {"pipe", [](const std::string& p) { return mkfifo(p.c_str(), 0644) == 0; }, "not a regular file"},
      // A character device of our own, never one of /dev.
      {"null", [](const std::string& p) { return mknod(p.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0; },
       "not a regular file"},
      {"dangling.jpg", [](const std::string& p) { return symlink("nowhere.jpg", p.c_str()) == 0; },
       "the symbolic link names no file"},
      {"missing/a.psd", nullptr, std::strerror(ENOENT)},
      {"plain/a.psd", nullptr, std::strerror(ENOTDIR)},  // a folder that is a file
  };
  size_t made = 1;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string target = dir.file(c.name);
    if (c.make && !c.make(target)) continue;
    made += c.make != nullptr;
    const auto before = std::filesystem::symlink_status(target).type();
    Status s = writeAll(target, pattern(10, 4));
    EXPECT_EQ(s.reason(), "cannot write '" + target + "': " + c.reason);
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

// A full disk, simulated by a file size limit in a child process: every write beyond the limit
// fails with EFBIG (SIGXFSZ ignored). The old file must survive byte for byte.
TEST(AtomicFile, FullDiskKeepsOldFileIntact) {
  TempDir dir;
  const std::string path = dir.file("big.psd");
  ASSERT_TRUE(writeWholeFile(path, pattern(3000, 6)));
  for (size_t size : {size_t(5000), size_t(300000)}) {  // fails at flush / fails during write
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      signal(SIGXFSZ, SIG_IGN);
      rlimit lim{4096, 4096};
      if (setrlimit(RLIMIT_FSIZE, &lim) != 0) _exit(10);
      Status s = writeAll(path, pattern(size, 7));
      _exit(s.reason() == "cannot write '" + path + "': " + std::strerror(EFBIG) ? 0 : 11);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "size " << size;
    EXPECT_EQ(readWholeFile(path), pattern(3000, 6));
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"big.psd"});
  }
}

}  // namespace
}  // namespace kanvo
