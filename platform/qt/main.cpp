// kanvo: the painting program's window. "kanvo [FILE...]" starts it with FILE open (the first
// of several); when it already runs, the running window comes forward and opens FILE instead.
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "app/Application.h"
#include "app/Recovery.h"
#include "platform/qt/CommandMenus.h"
#include "platform/qt/DisplayCheck.h"
#include "platform/qt/InputScript.h"
#include "platform/qt/MainWindow.h"
#include "platform/qt/ProgramIcon.h"
#ifdef KANVO_HAS_CAMERA
#include "platform/qt/QtCamera.h"
#endif
#include "platform/qt/QtClock.h"
#include "platform/qt/QtImageLoader.h"
#include "platform/qt/SingleInstance.h"
#include "platform/qt/StartupRecovery.h"

int main(int argc, char** argv) {
  kanvo::requireDisplay();
  kanvo::beginDisplayConnection();
  QApplication qt(argc, argv);
  kanvo::endDisplayConnection();
  QApplication::setApplicationName("kanvo");
  QApplication::setWindowIcon(kanvo::programIconSet());

  QString file;
  const QStringList args = QApplication::arguments();
  if (args.size() > 1) file = QFileInfo(args[1]).absoluteFilePath();

  kanvo::SingleInstance instance;
  switch (instance.start(file)) {
    case kanvo::SingleInstance::Role::kHandedOver: return 0;
    case kanvo::SingleInstance::Role::kFailed:
      std::fprintf(stderr, "kanvo: %s\n", instance.failure().toLocal8Bit().constData());
      return 1;
    case kanvo::SingleInstance::Role::kFirst: break;
  }

  kanvo::QtClock clock;
  kanvo::QtImageLoader images;
  kanvo::Application app(&clock);
  app.imageLoader = &images;
  if (!app.initialise()) {
    std::fprintf(stderr, "kanvo: not enough memory to start\n");
    return 1;
  }
  kanvo::MainWindow window(app);
#ifdef KANVO_HAS_CAMERA
  kanvo::QtCamera camera(&window);
  kanvo::CommandMenus menus(window, app, &camera);
  QObject::connect(&camera, &kanvo::QtCamera::availabilityChanged, &menus, &kanvo::CommandMenus::refresh);
#else
  kanvo::CommandMenus menus(window, app);
#endif
  QObject::connect(&instance, &kanvo::SingleInstance::requested, &window, &kanvo::MainWindow::comeForward);
  if (std::getenv("KANVO_BENCH_FIRST_FRAME") != nullptr) {
    // The start-up benchmark's switch: report the end of the first paint and quit.
    QObject::connect(&window.canvas(), &kanvo::CanvasWidget::framePainted, &window, [] {
      timespec now;
      clock_gettime(CLOCK_MONOTONIC, &now);
      std::printf("first-frame %lld\n", (long long)now.tv_sec * 1000000000LL + now.tv_nsec);
      std::fflush(stdout);
      QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }, Qt::SingleShotConnection);
  }
  if (const char* script = std::getenv("KANVO_INPUT_SCRIPT")) {
    // The tests' input (InputScript.h), played after the first frame, outside its paint.
    QObject::connect(&window.canvas(), &kanvo::CanvasWidget::framePainted, &window, [&, script] {
      QTimer::singleShot(0, &window, [&, script] { kanvo::playInputScript(QString::fromLocal8Bit(script), window.canvas(), app); });
    }, Qt::SingleShotConnection);
  }
  window.showAtStart();
  window.updateTitle();

  // Work kept aside against a crash: offered back first, then written while the program runs
  // (KANVO_AUTOSAVE_MS sets the delay after a change, for tests).
  kanvo::RecoveryFolder recovery(
      (QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + "/recovery").toStdString());
  recovery.claim(int(getpid()));
  const char* delay = std::getenv("KANVO_AUTOSAVE_MS");
  kanvo::AutoSave autosave(recovery, delay != nullptr ? uint32_t(std::strtoul(delay, nullptr, 10))
                                                      : kanvo::AutoSave::kDefaultDelayMs);
  QTimer autosaveTimer;
  QObject::connect(&autosaveTimer, &QTimer::timeout, &window, [&] {
    autosave.tick(app.document, app.history.revision(), app.tools.buttonDown(), clock.milliseconds());
  });
  autosaveTimer.start(250);
  if (!kanvo::offerRecovery(window, app, recovery) && !file.isEmpty())
    window.openFile(file);  // failing, the start document stays
  const int status = QApplication::exec();
  autosaveTimer.stop();
  autosave.finish();  // a clean end: nothing is kept aside
  return status;
}
