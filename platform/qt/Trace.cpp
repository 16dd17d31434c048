#include "platform/qt/Trace.h"

#include <cstdio>
#include <cstdlib>

namespace kanvo {

bool tracing() {
  static const bool on = std::getenv("KANVO_TRACE") != nullptr;
  return on;
}

void trace(const QString& line) {
  if (!tracing()) return;
  std::fprintf(stderr, "kanvo: %s\n", line.toUtf8().constData());
  std::fflush(stderr);
}

}  // namespace kanvo
