#include "platform/qt/CanvasWidget.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointingDevice>
#include <QTabletEvent>
#include <QTouchEvent>

#include "app/Application.h"
#include "platform/qt/ImageWrap.h"
#include "platform/qt/KeyMapping.h"
#include "platform/qt/Trace.h"

namespace kanvo {

namespace {

PointerEvent pointerAt(QPointF position, double pressure = 1.0, int32_t button = 0) {
  PointerEvent e;
  e.x = position.x();
  e.y = position.y();
  e.pressure = pressure;
  e.button = button;
  return e;
}

void drawPanel(QPainter& painter, const Image32& image, int x, int y) {
  painter.drawImage(QPoint(x, y), wrapImage(image, QImage::Format_RGB32));
}

}  // namespace

CanvasWidget::CanvasWidget(Application& app, QWidget* parent) : QWidget(parent), app_(app) {
  setMouseTracking(true);
  setTabletTracking(true);
  setAttribute(Qt::WA_AcceptTouchEvents);
  setAttribute(Qt::WA_InputMethodEnabled, false);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::StrongFocus);
}

void CanvasWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const ScreenLayout& l = app_.layout();
  painter.fillRect(QRect(l.canvasX, 0, l.viewWidth, l.viewHeight), QColor(0x70, 0x70, 0x70));
  if (l.paletteShown) drawPanel(painter, app_.paletteImage(), 0, 0);
  drawPanel(painter, app_.panelImage(), l.panelX(), 0);
  drawPanel(painter, app_.barImage(), 0, l.barY());
  ++frames_;
  if (frames_ == 1) {
    const QPoint at = mapToGlobal(QPoint(0, 0));
    trace(QString("ready: canvas area at %1,%2 size %3x%4 logical, scale %5")
              .arg(at.x())
              .arg(at.y())
              .arg(width())
              .arg(height())
              .arg(devicePixelRatioF()));
  }
  emit framePainted();
}

void CanvasWidget::resizeEvent(QResizeEvent*) {
  app_.layOut(width(), height());
  update();
}

void CanvasWidget::panelsChanged() { update(); }

void CanvasWidget::press(const PointerEvent& e) {
  strokeDown_ = true;
  last_ = e;
  const PressResult result = stylusPress(app_, e);
  panelsChanged();
  if (result == PressResult::kBrushButton) emit brushButtonPressed();
}

void CanvasWidget::move(const PointerEvent& e) {
  last_ = e;
  stylusMove(app_, e);
  if (strokeDown_) panelsChanged();
}

void CanvasWidget::release(const PointerEvent& e) {
  strokeDown_ = false;
  last_ = e;
  stylusRelease(app_, e);
  panelsChanged();
}

void CanvasWidget::inputLost() {
  if (strokeDown_) release(last_);
  touchId_ = -1;
  twoFingers_ = false;
}

void CanvasWidget::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && !strokeDown_) press(pointerAt(event->position()));
}

void CanvasWidget::mouseMoveEvent(QMouseEvent* event) {
  if (touchId_ < 0 && !twoFingers_) move(pointerAt(event->position()));
}

void CanvasWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && strokeDown_ && touchId_ < 0) release(pointerAt(event->position()));
}

void CanvasWidget::tabletEvent(QTabletEvent* event) {
  const bool eraser = event->pointerType() == QPointingDevice::PointerType::Eraser ||
                      (event->buttons() & (Qt::MiddleButton | Qt::RightButton)) != 0;
  const PointerEvent e = pointerAt(event->position(), event->pressure(), eraser ? 1 : 0);
  switch (event->type()) {
    case QEvent::TabletPress:
      if (!strokeDown_) press(e);
      break;
    case QEvent::TabletMove: move(e); break;
    case QEvent::TabletRelease:
      if (strokeDown_) release(PointerEvent{e.x, e.y, last_.pressure, last_.button});
      break;
    default: break;
  }
  event->accept();
}

bool CanvasWidget::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
      touch(static_cast<QTouchEvent*>(event));
      event->accept();
      return true;
    default: return QWidget::event(event);
  }
}

void CanvasWidget::touch(QTouchEvent* event) {
  (void)event;
}

void CanvasWidget::keyPressEvent(QKeyEvent* event) {
  const int32_t key = virtualKeyOf(event->key(), (event->modifiers() & Qt::KeypadModifier) != 0);
  if (key == 0) return QWidget::keyPressEvent(event);
  keyDown(app_, key, event->isAutoRepeat());
  panelsChanged();
}

void CanvasWidget::keyReleaseEvent(QKeyEvent* event) {
  const int32_t key = virtualKeyOf(event->key(), (event->modifiers() & Qt::KeypadModifier) != 0);
  if (key == 0) return QWidget::keyReleaseEvent(event);
  if (event->isAutoRepeat()) return;
  keyUp(app_, key);
  panelsChanged();
}

void CanvasWidget::focusOutEvent(QFocusEvent* event) {
  inputLost();
  QWidget::focusOutEvent(event);
}

}  // namespace kanvo
