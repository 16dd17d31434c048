#pragma once
// A program started in the background (no shell), whose standard error is read line by line
// while it runs: for watching a window's trace lines (KANVO_TRACE) from a test. The process is
// killed when the object goes.
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/CliProcess.h"

namespace kanvo::test {

class RunningProgram {
 public:
  // args[0] is the program; it runs in this process's environment.
  explicit RunningProgram(std::vector<std::string> args) {
    int errPipe[2];
    if (pipe(errPipe) != 0) return;
    pid_ = startProgram(args, -1, errPipe[1], {errPipe[0]});
    close(errPipe[1]);
    err_ = errPipe[0];
  }
  ~RunningProgram() {
    kill(SIGKILL);
    if (err_ >= 0) close(err_);
  }
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  // Waits up to timeoutMs for a line of standard error containing text, after the line the
  // last successful wait found; true when one came.
  bool waitFor(const std::string& text, int timeoutMs = 20000) {
    timespec start;
    clock_gettime(CLOCK_MONOTONIC, &start);
    for (;;) {
      for (size_t end; (end = pending_.find('\n')) != std::string::npos;) {
        lines_.push_back(pending_.substr(0, end));
        pending_.erase(0, end + 1);
      }
      for (; next_ < lines_.size(); ++next_) {
        if (lines_[next_].find(text) != std::string::npos) {
          ++next_;
          return true;
        }
      }
      timespec now;
      clock_gettime(CLOCK_MONOTONIC, &now);
      const long left = timeoutMs - ((now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000);
      if (left <= 0 || err_ < 0) return false;
      pollfd fd = {err_, POLLIN, 0};
      if (poll(&fd, 1, int(left)) <= 0) return false;
      char buf[4096];
      const ssize_t n = read(err_, buf, sizeof buf);
      if (n <= 0) return false;
      pending_.append(buf, size_t(n));
    }
  }
  // Sends the signal and waits for the process to end; its exit status, -1 if it did not exit.
  int kill(int signal) {
    if (pid_ <= 0) return -1;
    ::kill(pid_, signal);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = -1;
  int err_ = -1;
  std::string pending_;
  std::vector<std::string> lines_;
  size_t next_ = 0;  // the first line a wait looks at
};

}  // namespace kanvo::test
