#include "cli/TerminalProgress.h"

#include <unistd.h>

#include <algorithm>

namespace kanvo::cli {

namespace {
constexpr int kBarCells = 30;
constexpr size_t kNameChars = 40;
}  // namespace

TerminalProgress::TerminalProgress(std::FILE* stream, const std::string& verb, const std::string& path)
    : stream_(stream), enabled_(stream != nullptr && isatty(fileno(stream)) == 1) {
  const size_t slash = path.rfind('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.size() > kNameChars) name = name.substr(0, kNameChars - 3) + "...";
  for (char& c : name)
    if (uint8_t(c) < 0x20 || c == 0x7F) c = '?';
  label_ = verb;
  label_.append(" ").append(name);
}

void TerminalProgress::report(int32_t done, int32_t total) {
  if (!enabled_) return;
  int percent =
      total > 0 ? int(std::clamp<int64_t>(int64_t(done) * 100 / total, 0, 100)) : (done >= total ? 100 : 0);
  if (percent == percent_) return;
  percent_ = percent;
  const int cells = percent * kBarCells / 100;
  std::string line = "\r";
  line.append(label_).append(" [").append(size_t(cells), '#').append(size_t(kBarCells - cells), '.');
  line.append("] ").append(std::to_string(percent)).append("%");
  drawnWidth_ = std::max(drawnWidth_, line.size() - 1);
  std::fputs(line.c_str(), stream_);
  std::fflush(stream_);
}

void TerminalProgress::finish() {
  if (!enabled_ || drawnWidth_ == 0) return;
  std::string blank(drawnWidth_ + 2, ' ');
  blank.front() = '\r';
  blank.back() = '\r';
  std::fputs(blank.c_str(), stream_);
  std::fflush(stream_);
  drawnWidth_ = 0;
  percent_ = -1;
}

}  // namespace kanvo::cli
