#include "platform/qt/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>
#include <QScreen>

#include "app/Application.h"
#include "app/OpenStep.h"
#include "app/ViewCommands.h"
#include "platform/qt/ProgramIcon.h"
#include "platform/qt/Trace.h"

namespace kanvo {

namespace {

constexpr int kTimerMs = 100;
// A screen this small (logical pixels) is a phone's: the window opens full screen.
constexpr int kSmallScreenSide = 600;
// The least client size a desktop window opens with.
constexpr int kDesktopWidth = 960, kDesktopHeight = 640;

}  // namespace

MainWindow::MainWindow(Application& app) : app_(app), canvas_(new CanvasWidget(app)), messages_(this) {
  setWindowTitle("kanvo mobile");
  setWindowIcon(programIconSet());
  fileMenu_ = menuBar()->addMenu("File");
  editMenu_ = menuBar()->addMenu("Edit");
  setCentralWidget(canvas_);
  canvas_->setFocus();

  auto* fullScreen = new QAction(this);
  fullScreen->setShortcut(Qt::Key_F11);
  connect(fullScreen, &QAction::triggered, this, &MainWindow::toggleFullScreen);
  addAction(fullScreen);

  auto* zoomIn = new QAction(this);  // "S": taken on the press; the release still reaches the canvas
  zoomIn->setShortcut(Qt::Key_S);
  connect(zoomIn, &QAction::triggered, this, [this] {
    zoomInCommand(app_);
    updateTitle();
  });
  addAction(zoomIn);

  timer_.setInterval(kTimerMs);
  connect(&timer_, &QTimer::timeout, this, [this] { app_.tick(); });
  connect(canvas_, &CanvasWidget::stateChanged, this, &MainWindow::updateTitle);
  timer_.start();
}

MainWindow::~MainWindow() {
  timer_.stop();
  disconnect(canvas_, nullptr, this, nullptr);
}

void MainWindow::showAtStart() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QRect available = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
  if (std::min(available.width(), available.height()) < kSmallScreenSide) {
    setGeometry(screen->geometry());  // where no window manager places full-screen windows
    showFullScreen();
    return;
  }
  // At least the start canvas at 100 % (one canvas pixel per device pixel) beside the panels,
  // and room for the status line in the bottom bar.
  const qreal ratio = screen != nullptr ? screen->devicePixelRatio() : 1.0;
  const int side = int(Application::kStartSide / ratio);
  QSize client(std::max(side + ScreenLayout::kPanelWidth, kDesktopWidth),
               std::max(side + ScreenLayout::kBarHeight, kDesktopHeight) + menuBar()->sizeHint().height());
  client = client.boundedTo(available.size() - QSize(16, 48));
  resize(client);
  show();
}

void MainWindow::comeForward(const QString& file) {
  trace("raise");
  if (isMinimized()) showNormal();
  raise();
  activateWindow();
  QApplication::alert(this);
  if (!file.isEmpty()) openFile(file);
}

bool MainWindow::openFile(const QString& path) {
  const bool opened = !kanvo::openFile(app_, path.toStdString(), messages_).isFailed();
  if (opened) trace("opened " + path);
  trace(QString("document %1 x %2, %3 layers, %4")
            .arg(app_.document.width())
            .arg(app_.document.height())
            .arg(app_.document.layerCount())
            .arg(QString::fromStdString(app_.fileName)));
  updateTitle();
  canvas_->update();
  return opened;
}

void MainWindow::updateTitle() {
  const QString title = QString::fromStdString(app_.title());
  if (windowTitle() != title) setWindowTitle(title);
}

void MainWindow::toggleFullScreen() {
  if (isFullScreen())
    showNormal();
  else
    showFullScreen();
}

void MainWindow::closeEvent(QCloseEvent* event) { event->accept(); }

void MainWindow::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && !isActiveWindow()) canvas_->inputLost();
  QMainWindow::changeEvent(event);
}

}  // namespace kanvo
