#include "platform/qt/CanvasWidget.h"

#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointingDevice>
#include <QTabletEvent>
#include <QTouchEvent>
#include <cmath>
#include <utility>

#include "app/Application.h"
#include "app/BottomBar.h"
#include "platform/qt/ImageWrap.h"
#include "platform/qt/KeyMapping.h"
#include "platform/qt/Trace.h"

namespace kanvo {

namespace {

TwoFingerGesture::Fingers fingersOf(const QList<QEventPoint>& points) {
  TwoFingerGesture::Fingers f;
  int n = 0;
  for (const QEventPoint& p : points) {
    if (p.state() == QEventPoint::Released) continue;
    (n == 0 ? f.x0 : f.x1) = p.position().x();
    (n == 0 ? f.y0 : f.y1) = p.position().y();
    if (++n == 2) break;
  }
  return f;
}

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
  app_.setSurface(this);
  setMouseTracking(true);
  setTabletTracking(true);
  setAttribute(Qt::WA_AcceptTouchEvents);
  setAttribute(Qt::WA_InputMethodEnabled, false);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::StrongFocus);
  releaseTimer_.setSingleShot(true);
  releaseTimer_.setInterval(kReleaseWaitMs);
  connect(&releaseTimer_, &QTimer::timeout, this, &CanvasWidget::flushRelease);
  holdTimer_.setSingleShot(true);
  holdTimer_.setInterval(kHoldMs);
  connect(&holdTimer_, &QTimer::timeout, this, &CanvasWidget::holdElapsed);
}

CanvasWidget::~CanvasWidget() {
  if (app_.surface() == this) app_.setSurface(nullptr);
  while (waits_ > 0) endWait();
}

// ---- the drawing surface ----

QRect CanvasWidget::widgetRectOf(const Rect& r) const {
  const double scale = app_.deviceScale();
  const ScreenLayout& l = app_.layout();
  const int x0 = int(std::floor(r.x / scale)), y0 = int(std::floor(r.y / scale));
  const int x1 = int(std::ceil((double(r.x) + r.width) / scale)), y1 = int(std::ceil((double(r.y) + r.height) / scale));
  return QRect(l.canvasX + x0, y0, x1 - x0, y1 - y0).intersected(QRect(l.canvasX, 0, l.viewWidth, l.viewHeight));
}

QRect CanvasWidget::widgetRectOf(const Overlay& overlay) const {
  Rect box;
  for (const OverlayRun& r : overlay.runs) box.unite(Rect(r.x, r.y, r.length, 1));
  for (const OverlayLine& l : overlay.lines)
    box.unite(Rect(std::min(l.x0, l.x1), std::min(l.y0, l.y1), std::abs(l.x1 - l.x0) + 1, std::abs(l.y1 - l.y0) + 1));
  for (const OverlayEllipse& e : overlay.ellipses)
    box.unite(Rect(std::min(e.left, e.right), std::min(e.top, e.bottom), std::abs(e.right - e.left) + 1,
                   std::abs(e.bottom - e.top) + 1));
  return box.isEmpty() ? QRect() : widgetRectOf(Rect(box.x - 1, box.y - 1, box.width + 2, box.height + 2));
}

void CanvasWidget::present(const DibImage& picture, int32_t pictureX, int32_t pictureY, const Rect& rect) {
  picture_ = &picture;
  pictureX_ = pictureX;
  pictureY_ = pictureY;
  update(widgetRectOf(rect));
}

void CanvasWidget::setOverlay(OverlaySlot slot, const Overlay& overlay) {
  Overlay& held = overlays_[size_t(slot)];
  if (held == overlay) return;
  update(widgetRectOf(held));
  held = overlay;
  update(widgetRectOf(held));
}

void CanvasWidget::setCursor(int32_t kind) {
  cursorKind_ = kind;
  showCursorAt(mapFromGlobal(QCursor::pos()));
}

void CanvasWidget::showCursorAt(QPointF position) {
  const ScreenLayout& l = app_.layout();
  const bool onCanvas = QRectF(l.canvasX, 0, l.viewWidth, l.viewHeight).contains(position);
  Qt::CursorShape shape = Qt::ArrowCursor;
  if (onCanvas && cursorKind_ == kCursorCross) shape = Qt::CrossCursor;
  if (onCanvas && cursorKind_ == kCursorMove) shape = Qt::SizeAllCursor;
  if (onCanvas && cursorKind_ == kCursorHand) shape = Qt::OpenHandCursor;
  if (cursor().shape() != shape) QWidget::setCursor(shape);
}

void CanvasWidget::beginWait() {
  if (waits_++ == 0) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

void CanvasWidget::endWait() {
  if (waits_ > 0 && --waits_ == 0) QGuiApplication::restoreOverrideCursor();
}

// ---- painting ----

void CanvasWidget::paintCanvas(QPainter& painter, const QRect& dirty) {
  const ScreenLayout& l = app_.layout();
  const QRect area = QRect(l.canvasX, 0, l.viewWidth, l.viewHeight).intersected(dirty);
  if (area.isEmpty()) return;
  const double scale = app_.deviceScale();
  painter.save();
  painter.setClipRect(area);
  painter.fillRect(area, QColor::fromRgb(View::kOutsideColour));
  if (picture_ != nullptr && picture_->hasPixels()) {
    QImage image = wrapImage(*picture_, QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    painter.drawImage(QPointF(l.canvasX + pictureX_ / scale, pictureY_ / scale), image);
  }
  painter.translate(l.canvasX, 0);
  painter.scale(1 / scale, 1 / scale);
  for (const Overlay& overlay : overlays_) {
    for (const OverlayRun& r : overlay.runs) painter.fillRect(QRect(r.x, r.y, r.length, 1), QColor::fromRgb(r.colour));
    for (const OverlayLine& line : overlay.lines) {
      painter.setPen(QPen(QColor::fromRgb(line.colour), 0));
      painter.drawLine(line.x0, line.y0, line.x1, line.y1);
    }
    painter.setBrush(Qt::NoBrush);
    for (const OverlayEllipse& e : overlay.ellipses) {
      painter.setPen(QPen(QColor::fromRgb(e.colour), 0));
      const QRect box = QRect(QPoint(e.left, e.top), QPoint(e.right, e.bottom)).normalized();
      painter.drawEllipse(box.adjusted(0, 0, -1, -1));
    }
  }
  painter.restore();
}

void CanvasWidget::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  paintCanvas(painter, event->rect());
  const ScreenLayout& l = app_.layout();
  if (l.paletteShown) drawPanel(painter, app_.paletteImage(), 0, 0);
  drawPanel(painter, app_.panelImage(), l.panelX(), 0);
  drawPanel(painter, app_.barImage(), 0, l.barY());
  const QRect status = statusRect();
  if (!status.isEmpty() && event->rect().intersects(status)) {
    painter.setPen(Qt::black);
    painter.drawText(status, Qt::AlignLeft | Qt::AlignVCenter,
                     painter.fontMetrics().elidedText(status_, Qt::ElideRight, status.width()));
  }
  ++frames_;
  const QRegion onCanvas = event->region() & QRect(l.canvasX, 0, l.viewWidth, l.viewHeight);
  if (!onCanvas.isEmpty()) ++canvasFrames_;
  for (const QRect& r : onCanvas) canvasPixels_ += uint64_t(r.width()) * uint64_t(r.height());
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
  app_.setDeviceScale(devicePixelRatioF());
  app_.layOut(width(), height());
  update();
}

QRect CanvasWidget::statusRect() const {
  const ScreenLayout& l = app_.layout();
  const int x = BottomBar::kStatusX, width = l.barWidth - x - 4;
  return width >= 40 ? QRect(x, l.barY(), width, ScreenLayout::kBarHeight) : QRect();
}

void CanvasWidget::panelsChanged() {
  const QString status = QString::fromStdString(app_.statusText());
  if (status != status_) {
    status_ = status;
    update(statusRect());
  }
  if (app_.takePanelsDrawn()) {
    const ScreenLayout& l = app_.layout();
    QRegion panels(QRect(l.panelX(), 0, ScreenLayout::kPanelWidth, l.panelHeight));
    panels += QRect(0, l.barY(), l.barWidth, ScreenLayout::kBarHeight);
    if (l.paletteShown) panels += QRect(0, 0, ScreenLayout::kPaletteWidth, l.panelHeight);
    update(panels);
  }
  emit stateChanged();
}

void CanvasWidget::press(const PointerEvent& e) {
  flushRelease();
  strokeDown_ = true;
  last_ = e;
  const PressResult result = stylusPress(app_, e);
  if (result == PressResult::kPaletteButton) update();  // the whole layout moved
  panelsChanged();
  if (result == PressResult::kBrushButton) emit brushButtonPressed();
  holdButton_ = toolButtonAt(app_, e.x, e.y);
  holdAt_ = QPointF(e.x, e.y);
  if (holdButton_ >= 0 && !toolMenu(app_, holdButton_).empty()) holdTimer_.start();
}

void CanvasWidget::holdElapsed() {
  if (!strokeDown_ || holdButton_ < 0) return;
  release(last_);
  touchId_ = -1;
  showToolMenu(holdButton_, mapToGlobal(holdAt_.toPoint()));
}

void CanvasWidget::showToolMenu(int button, QPoint globalAt) {
  const std::vector<ToolOffer> offers = toolMenu(app_, button);
  if (offers.empty()) return;
  QMenu menu(this);
  const ToolChoice held = app_.routing.chooser.held(button);
  for (size_t i = 0; i < offers.size(); ++i) {
    QAction* action = menu.addAction(QString::fromStdString(offers[i].name));
    action->setCheckable(true);
    action->setChecked(offers[i].tool.category == held.category && offers[i].tool.subTool == held.subTool);
    action->setData(int(i));
  }
  trace(QString("tool menu: button %1, %2 tools").arg(button).arg(offers.size()));
  const QAction* chosen = menu.exec(globalAt);
  if (chosen == nullptr) return;
  const ToolOffer& offer = offers[size_t(chosen->data().toInt())];
  trace(QString("tool chosen: %1").arg(QString::fromStdString(offer.name)));
  chooseTool(app_, button, offer.tool);
  panelsChanged();
}

void CanvasWidget::move(const PointerEvent& e) {
  if (holdTimer_.isActive() && std::hypot(e.x - holdAt_.x(), e.y - holdAt_.y()) > kHoldSlack) holdTimer_.stop();
  last_ = e;
  stylusMove(app_, e);
  showCursorAt(QPointF(e.x, e.y));
  panelsChanged();
}

void CanvasWidget::release(const PointerEvent& e) {
  holdTimer_.stop();
  strokeDown_ = false;
  last_ = e;
  stylusRelease(app_, e);
  if (std::exchange(finishOnRelease_, false)) finishShape(app_);
  panelsChanged();
}

void CanvasWidget::inputLost() {
  pendingKey_ = 0;
  releaseTimer_.stop();
  if (strokeDown_) release(last_);
  touchId_ = -1;
  twoFingers_ = false;
  releaseKeys(app_);
  panelsChanged();
}

void CanvasWidget::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && !strokeDown_) press(pointerAt(event->position()));
  if (event->button() == Qt::RightButton && !strokeDown_) {
    const int button = toolButtonAt(app_, event->position().x(), event->position().y());
    if (button >= 0) showToolMenu(button, event->globalPosition().toPoint());
  }
}

void CanvasWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || strokeDown_) return;
  press(pointerAt(event->position()));
  finishOnRelease_ = true;
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
  const QList<QEventPoint>& points = event->points();
  int down = 0;
  for (const QEventPoint& p : points) down += p.state() != QEventPoint::Released ? 1 : 0;
  if (!twoFingers_ && down >= 2) {
    // A second finger: the one-finger stroke is taken back and the two fingers steer the view.
    if (touchId_ >= 0 && strokeDown_) {
      cancelStroke(app_);
      strokeDown_ = false;
    }
    touchId_ = -1;
    twoFingers_ = true;
    twoFingersBegin(app_, fingersOf(points));
    return;
  }
  if (twoFingers_) {
    if (down >= 2) twoFingersMove(app_, fingersOf(points));
    if (down == 0 || event->type() == QEvent::TouchEnd || event->type() == QEvent::TouchCancel) twoFingers_ = false;
    return;
  }
  // One finger is the stylus.
  const bool pressure = event->pointingDevice() != nullptr &&
                        event->pointingDevice()->capabilities().testFlag(QInputDevice::Capability::Pressure);
  for (const QEventPoint& p : points) {
    if (touchId_ >= 0 && p.id() != touchId_) continue;
    const PointerEvent e = pointerAt(p.position(), pressure ? p.pressure() : 1.0);
    switch (p.state()) {
      case QEventPoint::Pressed:
        if (!strokeDown_) {
          touchId_ = p.id();
          press(e);
        }
        break;
      case QEventPoint::Updated: move(e); break;
      case QEventPoint::Released:
        if (strokeDown_) release(PointerEvent{e.x, e.y, last_.pressure, 0});
        touchId_ = -1;
        break;
      default: break;
    }
  }
  if (event->type() == QEvent::TouchCancel && strokeDown_) {
    release(last_);
    touchId_ = -1;
  }
}

void CanvasWidget::keyPressEvent(QKeyEvent* event) {
  const int32_t key = virtualKeyOf(event->key(), (event->modifiers() & Qt::KeypadModifier) != 0);
  if (key == 0) return QWidget::keyPressEvent(event);
  bool repeat = event->isAutoRepeat();
  if (key == pendingKey_ && event->timestamp() == pendingTime_) {
    pendingKey_ = 0;  // the release and this press are one repeat of a held key
    releaseTimer_.stop();
    repeat = true;
  } else {
    flushRelease();
  }
  keyDown(app_, key, repeat);
  panelsChanged();
}

void CanvasWidget::flushRelease() {
  if (pendingKey_ == 0) return;
  const int32_t key = std::exchange(pendingKey_, 0);
  releaseTimer_.stop();
  keyUp(app_, key);
  panelsChanged();
}

void CanvasWidget::keyReleaseEvent(QKeyEvent* event) {
  const int32_t key = virtualKeyOf(event->key(), (event->modifiers() & Qt::KeypadModifier) != 0);
  if (key == 0) return QWidget::keyReleaseEvent(event);
  if (event->isAutoRepeat()) return;
  flushRelease();
  pendingKey_ = key;
  pendingTime_ = event->timestamp();
  if (pendingTime_ == 0)
    flushRelease();  // no time to pair it by
  else
    releaseTimer_.start();
}

void CanvasWidget::focusOutEvent(QFocusEvent* event) {
  inputLost();
  QWidget::focusOutEvent(event);
}

}  // namespace kanvo
