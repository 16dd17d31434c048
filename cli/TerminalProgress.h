#pragma once
// A progress bar on a terminal stream: "reading a.knvmob [#########...........] 45%" (the verb
// and the file's name without its folder), redrawn in place when the whole percentage changes
// and wiped by finish(). On a stream that is not a terminal (a pipe, a file) it draws nothing.
#include <cstdio>
#include <string>

#include "document/Progress.h"

namespace kanvo::cli {

class TerminalProgress : public Progress {
 public:
  TerminalProgress(std::FILE* stream, const std::string& verb, const std::string& path);
  ~TerminalProgress() override { finish(); }

  bool enabled() const { return enabled_; }
  // done of total steps; total of 0 or below counts as complete once done reaches it.
  void report(int32_t done, int32_t total) override;
  // Erases the bar (if one was drawn).
  void finish();

 private:
  std::FILE* stream_;
  std::string label_;
  bool enabled_;
  int percent_ = -1;
  size_t drawnWidth_ = 0;
};

}  // namespace kanvo::cli
