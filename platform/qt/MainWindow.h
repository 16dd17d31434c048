#pragma once
// The program's one window: the menu bar with "File" and "Edit", the canvas widget as the
// central widget, the 100 ms timer and the window-wide shortcuts (S zooms in; F11 switches
// full screen). Z and A are not shortcuts here: the canvas widget's key routing runs their
// commands when they are tapped (app/TapKeys.h), since held they change what the stylus does.
#include <QMainWindow>
#include <QMenu>
#include <QTimer>

#include "platform/qt/CanvasWidget.h"
#include "platform/qt/QtMessageBox.h"

namespace kanvo {

class Application;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit MainWindow(Application& app);
  // Cuts the canvas's signals first: closing the window moves the focus out of the canvas,
  // whose notice would otherwise reach a window already half torn down.
  ~MainWindow() override;

  CanvasWidget& canvas() { return *canvas_; }
  QMenu& fileMenu() { return *fileMenu_; }
  QMenu& editMenu() { return *editMenu_; }

  // Shows the window as it opens: full screen on a small (phone) screen, otherwise large
  // enough for the start canvas at 100 % within the screen.
  void showAtStart();
  // Another start asked this window to come forward, with a file to open when not empty.
  void comeForward(const QString& file);
  // The open step (app/OpenStep.h) with this window's message box, then the title.
  bool openFile(const QString& path);
  void updateTitle();
  MessageBox& messages() { return messages_; }
  void toggleFullScreen();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  Application& app_;
  CanvasWidget* canvas_;
  QMenu* fileMenu_;
  QMenu* editMenu_;
  QTimer timer_;
  QtMessageBox messages_;
};

}  // namespace kanvo
