#include "platform/qt/AboutBox.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "app/Version.h"
#include "platform/qt/ProgramIcon.h"

namespace kanvo {

void showAboutBox(QWidget* parent) {
  QDialog box(parent);
  box.setWindowTitle(QString::fromUtf8("バージョン情報 kanvo mobile"));
  auto* icon = new QLabel;
  icon->setPixmap(programIconPixmap(64, box.devicePixelRatioF()));
  auto* text = new QLabel(QString("kanvo mobile Version ") + versionString());
  auto* row = new QHBoxLayout;
  row->addWidget(icon);
  row->addWidget(text, 1);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
  auto* layout = new QVBoxLayout(&box);
  layout->addLayout(row);
  layout->addStretch(1);
  layout->addWidget(buttons);
  if (parent != nullptr && parent->window()->isFullScreen())
    box.setWindowState(box.windowState() | Qt::WindowFullScreen);
  box.exec();
}

}  // namespace kanvo
