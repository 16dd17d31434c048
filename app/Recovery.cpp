#include "app/Recovery.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "formats/native/NativeWriter.h"
#include "strings/Cp932.h"

namespace kanvo {

namespace fs = std::filesystem;

namespace {

constexpr const char* kExtension = ".knvmob";

std::string lockPathOf(const std::string& folder, const std::string& stem) { return folder + "/" + stem + ".lock"; }

// Whether some running process holds the lock of that name.
bool lockHeld(const std::string& path) {
  const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return false;  // no lock file: its instance ended
  const bool held = flock(fd, LOCK_EX | LOCK_NB) != 0;
  close(fd);
  return held;
}

int64_t modifiedAt(const std::string& path) {
  struct stat st{};
  return stat(path.c_str(), &st) == 0 ? int64_t(st.st_mtime) : 0;
}

}  // namespace

RecoveryFolder::~RecoveryFolder() {
  if (lockFd_ < 0) return;
  unlink(lockPathOf(folder_, std::to_string(pid_)).c_str());
  close(lockFd_);
}

bool RecoveryFolder::claim(int pid) {
  std::error_code ec;
  fs::create_directories(folder_, ec);
  const std::string lock = lockPathOf(folder_, std::to_string(pid));
  const int fd = open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return false;
  }
  pid_ = pid;
  lockFd_ = fd;
  return true;
}

std::vector<RecoveryEntry> RecoveryFolder::abandoned() const {
  std::vector<RecoveryEntry> out;
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator(folder_, ec)) {
    const fs::path& p = e.path();
    if (p.extension() != kExtension || !e.is_regular_file(ec)) continue;
    const std::string stem = p.stem().string();
    if (stem == std::to_string(pid_) || lockHeld(lockPathOf(folder_, stem))) continue;
    out.push_back({p.string(), modifiedAt(p.string())});
  }
  std::sort(out.begin(), out.end(), [](const RecoveryEntry& a, const RecoveryEntry& b) {
    return a.writtenAt < b.writtenAt || (a.writtenAt == b.writtenAt && a.path < b.path);
  });
  return out;
}

bool RecoveryFolder::moveAside(const RecoveryEntry& entry) const {
  std::error_code ec;
  const fs::path from(entry.path);
  const fs::path aside = fs::path(folder_) / "discarded";
  fs::create_directories(aside, ec);
  const fs::path to = aside / (from.stem().string() + "-" + std::to_string(entry.writtenAt) + kExtension);
  fs::rename(from, to, ec);
  if (ec) return false;
  utimensat(AT_FDCWD, to.c_str(), nullptr, 0);  // kept a week from now
  fs::remove(lockPathOf(folder_, from.stem().string()), ec);
  return true;
}

bool RecoveryFolder::adopt(const RecoveryEntry& entry) const {
  std::error_code ec;
  const fs::path from(entry.path);
  fs::rename(from, ownPath(), ec);
  if (ec) return false;
  fs::remove(lockPathOf(folder_, from.stem().string()), ec);
  return true;
}

void RecoveryFolder::pruneDiscarded(int64_t nowSeconds) const {
  std::error_code ec;
  for (const fs::directory_entry& e : fs::directory_iterator(fs::path(folder_) / "discarded", ec)) {
    if (e.is_regular_file(ec) && nowSeconds - modifiedAt(e.path().string()) > kKeepDiscardedSeconds)
      fs::remove(e.path(), ec);
  }
}

std::string restoreQuestion(int64_t writtenAt, const Status& read, UiLanguage language) {
  const time_t t = time_t(writtenAt);
  tm local{};
  char when[32] = "?";
  if (localtime_r(&t, &local) != nullptr) std::strftime(when, sizeof when, "%Y-%m-%d %H:%M", &local);
  const StringTable strings(language);
  std::string text = cp932ToUtf8(strings.GetString(TextId::RecoveryQuestion));
  const size_t slot = text.find("%1");
  if (slot != std::string::npos) text.replace(slot, 2, when);
  if (!read.isOk()) {
    text += '\n';
    text += cp932ToUtf8(strings.GetString(TextId::RecoveryWarning));
    text += ' ';
    text += read.reason();
  }
  return text;
}

// One write: the snapshot, owned by the worker thread until it is done.
struct AutoSaveJob {
  std::unique_ptr<Document> copy;
  std::string path;
  uint32_t revision = 0;
  Status result;
  std::atomic<bool> done{false};
};

void AutoSave::collect(bool wait) {
  if (!worker_.joinable() || (!wait && !job_->done)) return;
  worker_.join();
  lastWrite_ = job_->result;
  ++writesDone_;
  if (lastWrite_.isOk()) {
    written_ = true;
    writtenRevision_ = job_->revision;
  }
  job_.reset();
}

void AutoSave::removeFile() {
  std::remove(folder_.ownPath().c_str());
  written_ = false;
}

void AutoSave::tick(const Document& document, uint32_t revision, bool strokeInProgress, uint32_t nowMs) {
  collect(false);
  if (!seen_ || revision != seenRevision_) {
    seen_ = true;
    seenRevision_ = revision;
    changedAtMs_ = nowMs;
  }
  if (document.modified == 0) {
    if (!worker_.joinable() && written_) removeFile();
    return;
  }
  if ((written_ && writtenRevision_ == seenRevision_) || strokeInProgress || worker_.joinable() ||
      nowMs - changedAtMs_ < delayMs_ || !folder_.claimed())
    return;
  auto job = std::make_shared<AutoSaveJob>();
  job->copy = std::make_unique<Document>(document.strings());
  if (!job->copy->shareFrom(document)) return;  // no memory now: tried again at the next tick
  job->path = folder_.ownPath();
  job->revision = seenRevision_;
  try {
    worker_ = std::thread([job] {
      NativeWriteOptions options;
      options.threads = 1;
      job->result = writeNativeDocument(*job->copy, job->path, options);
      job->copy.reset();
      job->done = true;
    });
  } catch (const std::system_error&) {
    return;
  }
  job_ = std::move(job);
}

void AutoSave::finish() {
  collect(true);
  removeFile();
}

}  // namespace kanvo
