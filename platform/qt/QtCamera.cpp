#include "platform/qt/QtCamera.h"

#include <QCamera>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QImageCapture>
#include <QMediaCaptureSession>
#include <QMediaDevices>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <QVideoWidget>
#include <cstdio>

namespace kanvo {

namespace {

constexpr const char* kCaptureName = "kanvo_capture.jpg";
constexpr const char* kPartName = "kanvo_capture.part.jpg";

}  // namespace

QtCamera::QtCamera(QWidget* window) : window_(window), devices_(new QMediaDevices(this)) {
  connect(devices_, &QMediaDevices::videoInputsChanged, this, &QtCamera::availabilityChanged);
}

bool QtCamera::available() const { return !QMediaDevices::videoInputs().isEmpty(); }

Camera::Outcome QtCamera::capture(std::string& path, std::string& failure) {
  if (!available()) {
    failure = "no camera was found";
    return Outcome::kFailed;
  }
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (folder.isEmpty() || !QDir().mkpath(folder)) {
    failure = "cannot make the documents folder '" + folder.toStdString() + "'";
    return Outcome::kFailed;
  }
  const QString part = folder + "/" + kPartName, target = folder + "/" + kCaptureName;

  QDialog dialog(window_);
  dialog.setWindowTitle("Camera Demo");
  auto* viewfinder = new QVideoWidget(&dialog);
  viewfinder->setMinimumSize(320, 240);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, &dialog);
  QPushButton* take = buttons->addButton("Capture", QDialogButtonBox::ActionRole);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(viewfinder);
  layout->addWidget(buttons);

  QCamera camera(QMediaDevices::defaultVideoInput());
  QImageCapture still;
  QMediaCaptureSession session;
  session.setCamera(&camera);
  session.setImageCapture(&still);
  session.setVideoOutput(viewfinder);

  QString error;
  bool saved = false;
  connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  connect(take, &QPushButton::clicked, &dialog, [&] {
    take->setEnabled(false);
    QFile::remove(part);
    still.captureToFile(part);
  });
  connect(&still, &QImageCapture::imageSaved, &dialog, [&](int, const QString& file) {
    // Only a complete capture replaces the previous one.
    saved = std::rename(QFile::encodeName(file).constData(), QFile::encodeName(target).constData()) == 0;
    if (!saved) error = "cannot replace '" + target + "'";
    dialog.done(saved ? QDialog::Accepted : QDialog::Rejected);
  });
  connect(&still, &QImageCapture::errorOccurred, &dialog, [&](int, QImageCapture::Error, const QString& text) {
    error = text;
    dialog.reject();
  });
  connect(&camera, &QCamera::errorOccurred, &dialog, [&](QCamera::Error, const QString& text) {
    error = text;
    dialog.reject();
  });

  dialog_ = &dialog;
  window_->installEventFilter(this);
  camera.start();
  const int result = dialog.exec();
  camera.stop();
  window_->removeEventFilter(this);
  dialog_ = nullptr;
  QFile::remove(part);

  if (result == QDialog::Accepted && saved) {
    path = target.toStdString();
    return Outcome::kOk;
  }
  if (!error.isEmpty()) {
    failure = "the camera failed: " + error.toStdString();
    return Outcome::kFailed;
  }
  return Outcome::kCancelled;
}

bool QtCamera::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_ && dialog_ != nullptr && event->type() == QEvent::WindowActivate) {
    dialog_->raise();
    dialog_->activateWindow();
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace kanvo
