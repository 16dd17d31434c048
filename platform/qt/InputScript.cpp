#include "platform/qt/InputScript.h"

#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <QTextStream>

#include "app/Application.h"
#include "formats/native/NativeWriter.h"
#include "platform/qt/CanvasWidget.h"
#include "platform/qt/Trace.h"

namespace kanvo {

namespace {

bool playLine(const QString& line, CanvasWidget& canvas, Application& app) {
  const QStringList words = line.split(' ', Qt::SkipEmptyParts);
  if (words.isEmpty()) return true;
  const QString& verb = words[0];
  if (verb == "copy" && words.size() == 2) {
    if (!writeNativeDocument(app.document, words[1].toStdString()).isOk()) return false;
    trace(QString("copied %1, %2").arg(QString::fromStdString(app.fileName), app.document.modified ? "changed" : "unchanged"));
    return true;
  }
  bool okX = false, okY = false;
  if (verb == "tool" && words.size() == 3) {
    const int category = words[1].toInt(&okX), subTool = words[2].toInt(&okY);
    if (okX && okY) app.tools.mode.select(category, subTool);
    return okX && okY;
  }
  const QPointF at(words.value(1).toDouble(&okX), words.value(2).toDouble(&okY));
  if (words.size() != 3 || !okX || !okY) return false;
  QEvent::Type type = QEvent::MouseMove;
  if (verb == "press") {
    type = QEvent::MouseButtonPress;
  } else if (verb == "release") {
    type = QEvent::MouseButtonRelease;
  } else if (verb != "move") {
    return false;
  }
  const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent e(type, at, canvas.mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held,
                Qt::NoModifier);
  QApplication::sendEvent(&canvas, &e);
  return true;
}

}  // namespace

bool playInputScript(const QString& path, CanvasWidget& canvas, Application& app) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
    trace("script failed at line 0");
    return false;
  }
  QTextStream in(&file);
  int number = 0;
  for (QString line; in.readLineInto(&line);) {
    ++number;
    if (!playLine(line.trimmed(), canvas, app)) {
      trace(QString("script failed at line %1").arg(number));
      return false;
    }
  }
  trace("script done");
  return true;
}

}  // namespace kanvo
