#pragma once
// A full disk for a test: body runs in a child process whose files cannot grow past limit
// bytes, so that every write beyond it fails with EFBIG (SIGXFSZ ignored). True when the
// child ran and body returned true.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kanvo::test {

template <class Body>
bool onAFullDisk(rlim_t limit, Body body) {
  const pid_t child = fork();
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit lim{limit, limit};
    _exit(setrlimit(RLIMIT_FSIZE, &lim) == 0 && body() ? 0 : 1);
  }
  int status = 0;
  return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace kanvo::test
