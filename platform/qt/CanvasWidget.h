#pragma once
// The main window's client area: it shows the view's picture and the three panels and turns
// Qt's input into the shell's routing (app/InputRouting.h).
//
// - Left-button mouse events, with tracking on so that moves without a button reach the
//   tools; pressure 1.0.
// - Tablet events with their pressure; the pen's eraser end and barrel button are button 1.
// - Touch: one finger is the stylus. A second finger never paints: it cancels a one-finger
//   stroke (its pixels go back, no step is recorded) and the two fingers pinch-zoom through the
//   view's steps and twist the view about the point between them.
// - Keys through the key table (KeyMapping.h); auto-repeated releases are dropped. X11 sends a
//   held key's repeats as release-press pairs with one timestamp, which Qt does not always mark
//   as repeats, so a release waits briefly (until another event, or kReleaseWaitMs) for a press
//   of the same key at the same time, and such a pair is a repeat. Losing the keyboard releases
//   every held key.
//
// - Tool-panel buttons: a right click, or a press held still for kHoldMs (pen or finger),
//   opens the menu of the tools the button offers (app/ToolChooser.h); a held press ends as
//   the menu opens. A double click finishes a multi-click shape.
//
// Tablet and touch events are accepted, so Qt synthesises no mouse stroke from them. Moves and
// the release keep coming to this widget after a press (Qt's implicit grab), also outside it.
// The input method is off for this widget only, so no on-screen keyboard covers the canvas.
//
// As the view's drawing surface it keeps the last picture presented and the two overlays and
// draws them in paintEvent (window coordinates of the surface are device pixels of the canvas
// area); present and setOverlay only schedule a repaint of what changed.
#include <QPointF>
#include <QRect>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <array>
#include <cstdint>

#include "app/InputRouting.h"
#include "view/DrawingSurface.h"

class QTouchEvent;

namespace kanvo {

class Application;

class CanvasWidget : public QWidget, public DrawingSurface {
  Q_OBJECT

 public:
  static constexpr int kReleaseWaitMs = 25;
  static constexpr int kHoldMs = 500;
  static constexpr double kHoldSlack = 8.0;  // logical pixels a held press may wander

  explicit CanvasWidget(Application& app, QWidget* parent = nullptr);
  ~CanvasWidget() override;

  // ---- DrawingSurface ----
  void present(const DibImage& picture, int32_t pictureX, int32_t pictureY, const Rect& rect) override;
  void setOverlay(OverlaySlot slot, const Overlay& overlay) override;
  void setCursor(int32_t kind) override;
  void beginWait() override;
  void endWait() override;

  // Paints finished since the widget was made (benchmarks wait on and measure them).
  uint64_t framesPainted() const { return frames_; }
  // Of them, the paints that showed part of the canvas, and the canvas pixels they covered.
  uint64_t canvasFramesPainted() const { return canvasFrames_; }
  uint64_t canvasPixelsPainted() const { return canvasPixels_; }
  // The window stopped being active: a stroke in progress ends at its last point and every
  // held key is released.
  void inputLost();

 signals:
  // The bottom bar's brush button was pressed.
  void brushButtonPressed();
  // A frame has been painted (emitted after each paint).
  void framePainted();
  // An input event was handled: the zoom or the file name may have changed.
  void stateChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void tabletEvent(QTabletEvent* event) override;
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void press(const PointerEvent& e);
  void move(const PointerEvent& e);
  void release(const PointerEvent& e);
  void touch(QTouchEvent* event);
  // The held press on a tool button lasted: it ends, and the button's menu opens.
  void holdElapsed();
  void showToolMenu(int button, QPoint globalAt);
  // A key release waiting to be told from a repeat goes to the routing now.
  void flushRelease();
  void panelsChanged();
  // The widget area (logical) that shows a rectangle of the surface (device pixels).
  QRect widgetRectOf(const Rect& surfaceRect) const;
  QRect widgetRectOf(const Overlay& overlay) const;
  void showCursorAt(QPointF position);
  void paintCanvas(QPainter& painter, const QRect& dirty);
  // Where the bottom bar shows the tools' status line (empty when the bar is too short).
  QRect statusRect() const;

  Application& app_;
  const DibImage* picture_ = nullptr;
  int32_t pictureX_ = 0, pictureY_ = 0;
  std::array<Overlay, 2> overlays_;
  QString status_;  // the status line as shown
  int32_t cursorKind_ = 0;
  int waits_ = 0;
  bool strokeDown_ = false;  // a stylus (mouse, pen or finger) is down
  PointerEvent last_;        // where it was last
  int touchId_ = -1;         // the finger acting as the stylus
  bool twoFingers_ = false;  // a pinch or twist is in progress
  int32_t pendingKey_ = 0;     // the key of the waiting release, 0 for none
  quint64 pendingTime_ = 0;   // its timestamp
  QTimer releaseTimer_;
  QTimer holdTimer_;
  int holdButton_ = -1;          // the tool button a press is held on
  QPointF holdAt_;
  bool finishOnRelease_ = false;  // the press was a double click
  uint64_t frames_ = 0;
  uint64_t canvasFrames_ = 0, canvasPixels_ = 0;
};

}  // namespace kanvo
