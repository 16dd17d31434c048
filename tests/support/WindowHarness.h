#pragma once
// The program's window in a test: one QApplication per process (on the platform the test runs
// with, offscreen under ctest), an Application started as the program starts it, and its main
// window shown with a canvas area of the asked size. Events go through Qt as a user's would:
// mouse events through the window (so Qt's implicit grab and shortcuts apply), tablet events to
// the canvas widget, touches through a touch screen device.
#include <QApplication>
#include <QMenuBar>
#include <QPointingDevice>
#include <QTabletEvent>
#include <QTest>
#include <vector>

#include "app/Application.h"
#include "platform/qt/MainWindow.h"
#include "support/ManualClock.h"

namespace kanvo::test {

inline QApplication& qtApplication() {
  static int argc = 1;
  static char name[] = "kanvo_platform_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);  // lives as long as the process
  return *app;
}

class WindowHarness {
 public:
  // width x height: the canvas widget's (client area's) logical size.
  explicit WindowHarness(int width = 800, int height = 600) {
    window.show();
    window.resize(width, height + window.menuBar()->sizeHint().height());
    exposed = QTest::qWaitForWindowExposed(&window);
    window.canvas().resize(width, height);
    QCoreApplication::processEvents();
  }

  // In this order: Qt before any widget, the application started before its window.
  bool qtStarted = (qtApplication(), true);
  ManualClock clock;
  Application app{&clock};
  bool started = app.initialise();
  MainWindow window{app};
  bool exposed = false;

  CanvasWidget& canvas() { return window.canvas(); }
  // The canvas focused, with canvas pixel (x, y) at view pixel (x, y).
  void canvasAtOrigin() {
    canvas().setFocus();
    app.view.setOrigin(0, 0);
    app.view.invalidate();
    app.view.redraw();
  }
  // A point of the canvas widget in the window's coordinates.
  QPoint inWindow(QPointF widgetPoint) { return canvas().mapTo(&window, widgetPoint.toPoint()); }

  // A left-button drag through the window along widget points (logical pixels).
  void drag(const std::vector<QPointF>& points) {
    QWindow* w = window.windowHandle();
    QTest::mousePress(w, Qt::LeftButton, {}, inWindow(points.front()));
    for (size_t i = 1; i < points.size(); ++i) QTest::mouseMove(w, inWindow(points[i]));
    QTest::mouseRelease(w, Qt::LeftButton, {}, inWindow(points.back()));
  }
  void click(QPointF point) { drag({point}); }

  // A pen on a tablet: press, moves and release at widget points with one pressure; eraser:
  // the pen's eraser end.
  void penStroke(const std::vector<QPointF>& points, double pressure, bool eraser = false) {
    static const QPointingDevice pen("pen", 1001, QInputDevice::DeviceType::Stylus,
                                     QPointingDevice::PointerType::Pen, QInputDevice::Capability::Pressure, 1, 3);
    static const QPointingDevice rubber("eraser", 1002, QInputDevice::DeviceType::Stylus,
                                        QPointingDevice::PointerType::Eraser, QInputDevice::Capability::Pressure, 1, 3);
    const QPointingDevice* device = eraser ? &rubber : &pen;
    for (size_t i = 0; i < points.size() + 1; ++i) {
      const bool last = i == points.size();
      const QEvent::Type type = i == 0 ? QEvent::TabletPress : last ? QEvent::TabletRelease : QEvent::TabletMove;
      const QPointF at = points[last ? i - 1 : i];
      QTabletEvent e(type, device, at, canvas().mapToGlobal(at), last ? 0.0 : pressure, 0, 0, 0, 0, 0, {},
                     Qt::LeftButton, last ? Qt::NoButton : Qt::LeftButton);
      QApplication::sendEvent(&canvas(), &e);
    }
  }

  QPointingDevice* touchScreen() {
    static QPointingDevice* device = QTest::createTouchDevice();
    return device;
  }
};

}  // namespace kanvo::test
