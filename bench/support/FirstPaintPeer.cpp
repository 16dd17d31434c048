// The start-up peer: the least a Qt Widgets program does to show a window. It shows one
// widget of the window program's start size, and at the end of its first paint prints
// "first-frame NS" (CLOCK_MONOTONIC nanoseconds) and quits.
#include <time.h>

#include <QApplication>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace {

class FirstPaint : public QWidget {
 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.end();
    if (painted_) return;
    painted_ = true;
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    std::printf("first-frame %lld\n", (long long)now.tv_sec * 1000000000LL + now.tv_nsec);
    std::fflush(stdout);
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
  }

 private:
  bool painted_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  FirstPaint widget;
  widget.resize(572, 542);
  widget.show();
  return QApplication::exec();
}
