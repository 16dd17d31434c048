#pragma once
// Runs kanvo-cli as a child process and captures its exit status and output.
#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace kanvo::test {

struct CliResult {
  int status = -1;     // exit status, -1 when the process did not exit normally
  std::string output;  // standard output (and standard error when merged)
};

inline CliResult runCli(const std::string& args, bool mergeStderr = true) {
  std::string cmd = std::string(KANVO_CLI_PATH) + " " + args + (mergeStderr ? " 2>&1" : " 2>/dev/null");
  CliResult r;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.output.append(buf, n);
  int st = pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

}  // namespace kanvo::test
