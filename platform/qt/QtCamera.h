#pragma once
// The camera on Qt Multimedia: a modal "Camera Demo" dialog with the viewfinder, Capture and
// Cancel. The still goes to "kanvo_capture.jpg" in the documents folder, written beside it first
// and renamed over it only once complete. Whether a camera exists follows the system's list of
// video inputs (availabilityChanged).
#include <QObject>
#include <QWidget>

#include "app/commands/PlatformServices.h"

class QMediaDevices;

namespace kanvo {

class QtCamera final : public QObject, public Camera {
  Q_OBJECT

 public:
  explicit QtCamera(QWidget* window);
  bool available() const override;
  Outcome capture(std::string& path, std::string& failure) override;

 signals:
  void availabilityChanged();

 protected:
  // While the dialog is open, activating the main window raises the dialog.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* window_;
  QMediaDevices* devices_;
  QWidget* dialog_ = nullptr;
};

}  // namespace kanvo
