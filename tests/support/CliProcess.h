#pragma once
// Runs a program (kanvo-cli, or a peer found on PATH) with an argument vector (no shell involved)
// and captures its exit status, standard output and standard error separately; optionally with
// standard error on a pseudo-terminal, to see what the program draws on a terminal.
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "support/BuildTree.h"

namespace kanvo::test {

struct CliRun {
  int status = -1;  // exit status, -1 when the process did not exit normally
  std::string out;
  std::string err;
};

// Starts args[0] (looked up on PATH) in this process's environment, its standard output on
// outFd (unless -1) and its standard error on errFd, with the parent's ends closed in the
// child; its process id, -1 when it could not be started.
inline pid_t startProgram(std::vector<std::string>& args, int outFd, int errFd, std::vector<int> parentEnds) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (outFd >= 0) posix_spawn_file_actions_adddup2(&actions, outFd, 1);
  posix_spawn_file_actions_adddup2(&actions, errFd, 2);
  for (int fd : parentEnds) posix_spawn_file_actions_addclose(&actions, fd);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), ::environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// args[0] is the program.
inline CliRun runProgram(std::vector<std::string> args, bool stderrOnTerminal = false) {
  CliRun r;
  int outPipe[2], errPipe[2] = {-1, -1};
  if (pipe(outPipe) != 0) return r;
  int errChild = -1, errParent = -1;
  if (stderrOnTerminal) {
    errParent = posix_openpt(O_RDWR | O_NOCTTY);
    if (errParent < 0 || grantpt(errParent) != 0 || unlockpt(errParent) != 0) return r;
    errChild = open(ptsname(errParent), O_RDWR | O_NOCTTY);
  } else {
    if (pipe(errPipe) != 0) return r;
    errParent = errPipe[0];
    errChild = errPipe[1];
  }
  const pid_t pid = startProgram(args, outPipe[1], errChild, {outPipe[0], errParent});
  close(outPipe[1]);
  close(errChild);
  if (pid < 0) {
    close(outPipe[0]);
    close(errParent);
    return r;
  }
  // Read both until the child closes them (a pty reports EIO once the child is gone).
  pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errParent, POLLIN, 0}};
  bool open[2] = {true, true};
  while (open[0] || open[1]) {
    if (poll(fds, 2, 10000) <= 0) break;
    for (int i = 0; i < 2; ++i) {
      if (!open[i] || fds[i].revents == 0) continue;
      char buf[4096];
      ssize_t n = read(fds[i].fd, buf, sizeof buf);
      if (n > 0) {
        (i == 0 ? r.out : r.err).append(buf, size_t(n));
      } else if (!(n < 0 && errno == EINTR)) {
        open[i] = false;
        fds[i].fd = -1;
      }
    }
  }
  close(outPipe[0]);
  close(errParent);
  int st = 0;
  waitpid(pid, &st, 0);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

inline CliRun runCliArgs(const std::vector<std::string>& args, bool stderrOnTerminal = false) {
#ifdef KANVO_CLI_PATH
  std::vector<std::string> all = {KANVO_CLI_PATH};
#else
  std::vector<std::string> all = {(buildTree() / "cli" / "kanvo-cli").string()};
#endif
  all.insert(all.end(), args.begin(), args.end());
  return runProgram(std::move(all), stderrOnTerminal);
}

}  // namespace kanvo::test
