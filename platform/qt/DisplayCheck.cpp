#include "platform/qt/DisplayCheck.h"

#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace kanvo {

namespace {

QtMessageHandler previous = nullptr;

[[noreturn]] void noDisplay() {
  const char* display = std::getenv("DISPLAY");
  std::fprintf(stderr,
               "kanvo: no display to open a window on (%s%s); start it from a desktop session, or on a "
               "virtual display: xvfb-run -a ./run.sh\n",
               display != nullptr ? "cannot reach DISPLAY=" : "DISPLAY and WAYLAND_DISPLAY are unset",
               display != nullptr ? display : "");
  std::fflush(stderr);
  _exit(1);
}

// While connecting, the plugin's own complaints before its fatal message are dropped.
void handler(QtMsgType type, const QMessageLogContext&, const QString&) {
  if (type == QtFatalMsg) noDisplay();
}

bool set(const char* name) {
  const char* v = std::getenv(name);
  return v != nullptr && *v != '\0';
}

}  // namespace

void requireDisplay() {
  if (!set("QT_QPA_PLATFORM") && !set("DISPLAY") && !set("WAYLAND_DISPLAY")) noDisplay();
}

void beginDisplayConnection() { previous = qInstallMessageHandler(handler); }

void endDisplayConnection() { qInstallMessageHandler(previous); }

}  // namespace kanvo
