#pragma once
// Work kept aside against a crash. While the program runs, a changed document is written to a
// recovery file of its own (FOLDER/<pid>.knvmob, the native format, through AtomicFile) a
// while after the last change that is not yet in it, never during a stroke; a clean end
// removes it. Each running instance holds an advisory lock on FOLDER/<pid>.lock for its whole
// life, so that the next start can tell the files of instances that died (their lock is free)
// from those of instances still running.
//
// The write does not hold up the interface thread beyond the snapshot: the snapshot shares the
// document's tiles (Document::shareFrom), so taking it costs the tile tables, and an edit
// meanwhile copies just the tiles it changes. It is compressed and written on a thread of its
// own, which owns it and destroys it when done.
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "document/Document.h"
#include "formats/Status.h"
#include "strings/StringTable.h"

namespace kanvo {

// A recovery file left by an instance that is no longer running.
struct RecoveryEntry {
  std::string path;
  int64_t writtenAt = 0;  // seconds since the epoch (the file's modification time)
};

class RecoveryFolder {
 public:
  static constexpr int64_t kKeepDiscardedSeconds = 7 * 24 * 3600;

  explicit RecoveryFolder(std::string folder) : folder_(std::move(folder)) {}
  ~RecoveryFolder();
  RecoveryFolder(const RecoveryFolder&) = delete;
  RecoveryFolder& operator=(const RecoveryFolder&) = delete;

  // Makes the folder and takes this process's lock; false (with nothing kept aside) when the
  // folder cannot be made or the lock cannot be had.
  bool claim(int pid);
  bool claimed() const { return lockFd_ >= 0; }
  const std::string& folder() const { return folder_; }
  // This instance's recovery file.
  std::string ownPath() const { return folder_ + "/" + std::to_string(pid_) + ".knvmob"; }

  // The files of instances whose lock is free, oldest first (this instance's never).
  std::vector<RecoveryEntry> abandoned() const;
  // Moves a file to FOLDER/discarded/ (kept a week, then removed by pruneDiscarded).
  bool moveAside(const RecoveryEntry& entry) const;
  // Makes a restored file this instance's own (it holds the work now shown).
  bool adopt(const RecoveryEntry& entry) const;
  // Removes discarded files older than a week.
  void pruneDiscarded(int64_t nowSeconds) const;

 private:
  std::string folder_;
  int pid_ = 0;
  int lockFd_ = -1;
};

// The question offering a file back, in the interface language: "Restore unsaved work from
// <local date and time>?", followed by the reader's warning when the file is damaged.
std::string restoreQuestion(int64_t writtenAt, const Status& read, UiLanguage language);

class AutoSave {
 public:
  static constexpr uint32_t kDefaultDelayMs = 60000;

  // folder must be claimed and outlive this object.
  explicit AutoSave(const RecoveryFolder& folder, uint32_t delayMs = kDefaultDelayMs)
      : folder_(folder), delayMs_(delayMs) {}
  ~AutoSave() { finish(); }
  AutoSave(const AutoSave&) = delete;
  AutoSave& operator=(const AutoSave&) = delete;

  // From the program's timer. revision counts the document's changes (the history's revision);
  // a change starts the delay again. A document that is not modified (just saved, opened or
  // new) has no recovery file. When the delay has passed since a change not yet written,
  // no stroke is in progress and no write is running, the document is copied and written.
  void tick(const Document& document, uint32_t revision, bool strokeInProgress, uint32_t nowMs);
  // Waits for a write in flight and removes the recovery file: a clean end of the run.
  void finish();

  // For tests and the status: writes finished and the last one's outcome.
  int32_t writesDone() const { return writesDone_; }
  const Status& lastWrite() const { return lastWrite_; }
  bool writing() const { return worker_.joinable(); }

 private:
  void collect(bool wait);
  void removeFile();

  const RecoveryFolder& folder_;
  uint32_t delayMs_;
  bool seen_ = false;
  uint32_t seenRevision_ = 0;
  uint32_t changedAtMs_ = 0;
  bool written_ = false;        // the file holds seenRevision_
  uint32_t writtenRevision_ = 0;
  std::thread worker_;
  std::shared_ptr<struct AutoSaveJob> job_;
  int32_t writesDone_ = 0;
  Status lastWrite_;
};

}  // namespace kanvo
