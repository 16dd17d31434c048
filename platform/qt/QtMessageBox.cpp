#include "platform/qt/QtMessageBox.h"

#include <QMessageBox>

#include "platform/qt/Trace.h"

namespace kanvo {

MessageBox::Answer QtMessageBox::show(const std::string& caption, const std::string& text, Buttons buttons) {
  QMessageBox::StandardButtons shown = QMessageBox::Ok;
  QMessageBox::StandardButton preset = QMessageBox::Ok;
  if (buttons == Buttons::kOkCancel) {
    shown = QMessageBox::Ok | QMessageBox::Cancel;
  } else if (buttons == Buttons::kYesNoCancel) {
    shown = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    preset = QMessageBox::Yes;
  }
  QMessageBox::StandardButton chosen = preset;
  if (tracing()) {
    trace("message " + QString::fromStdString(caption) + ": " + QString::fromStdString(text).replace('\n', " | "));
  } else {
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(caption), QString::fromStdString(text), shown,
                    parent_);
    box.setDefaultButton(preset);
    chosen = QMessageBox::StandardButton(box.exec());
  }
  switch (chosen) {
    case QMessageBox::Yes: return Answer::kYes;
    case QMessageBox::No: return Answer::kNo;
    case QMessageBox::Cancel: return Answer::kCancel;
    default: return Answer::kOk;
  }
}

}  // namespace kanvo
