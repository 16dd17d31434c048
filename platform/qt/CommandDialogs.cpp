#include "platform/qt/CommandDialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QVBoxLayout>

#include "app/Application.h"
#include "platform/qt/ImageWrap.h"

namespace kanvo {

namespace {

const char* const kRangeNote = "1 ... 32760";

QDialogButtonBox* okCancel(QDialog* dialog, const QString& cancelText = QString()) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
  if (!cancelText.isEmpty()) buttons->button(QDialogButtonBox::Cancel)->setText(cancelText);
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  return buttons;
}

QComboBox* sideBox(int32_t value, QWidget* parent) {
  auto* box = new QComboBox(parent);
  box->setEditable(true);
  box->addItems({"256", "512", "768", "1024"});
  box->setEditText(QString::number(value));
  return box;
}

}  // namespace

NewDocumentDialog::NewDocumentDialog(const NewDialogValues& values, QWidget* parent)
    : QDialog(parent), width_(sideBox(values.width, this)), height_(sideBox(values.height, this)) {
  setWindowTitle("New Document");
  auto* form = new QFormLayout(this);
  form->addRow("Width", width_);
  form->addRow("Height", height_);
  form->addRow(new QLabel(kRangeNote, this));
  form->addRow(okCancel(this));
}

void NewDocumentDialog::acceptInto(NewDialogValues& values) const {
  values.accept(width_->currentText().toStdString(), height_->currentText().toStdString());
}

ResolutionDialog::ResolutionDialog(const ResolutionDialogValues& values, QWidget* parent)
    : QDialog(parent),
      values_(values),
      width_(new QLineEdit(QString::number(values.documentWidth), this)),
      height_(new QLineEdit(QString::number(values.documentHeight), this)) {
  setWindowTitle("Resolution");
  auto* keep = new QCheckBox("Keep Aspect", this);
  keep->setChecked(true);
  values_.keepAspect = true;
  auto* form = new QFormLayout(this);
  form->addRow("Width", width_);
  form->addRow("Height", height_);
  form->addRow(keep);
  form->addRow(new QLabel(kRangeNote, this));
  form->addRow(okCancel(this, QString::fromUtf8("キャンセル")));
  connect(keep, &QCheckBox::toggled, this, [this](bool on) { values_.keepAspect = on; });
  // textEdited fires for the user's typing only, so the other box's update does not echo back.
  connect(width_, &QLineEdit::textEdited, this, [this](const QString& text) {
    if (auto other = values_.widthTyped(text.toStdString())) height_->setText(QString::fromStdString(*other));
  });
  connect(height_, &QLineEdit::textEdited, this, [this](const QString& text) {
    if (auto other = values_.heightTyped(text.toStdString())) width_->setText(QString::fromStdString(*other));
  });
}

void ResolutionDialog::acceptInto(ResolutionDialogValues& values) const {
  values.accept(width_->text().toStdString(), height_->text().toStdString());
}

ChooseBrushDialog::ChooseBrushDialog(Application& app, double scale, QWidget* parent)
    : QDialog(parent),
      app_(app),
      slider_(new QSlider(Qt::Horizontal, this)),
      value_(new QLabel(this)),
      preview_(new QLabel(this)),
      side_(BrushDialogLogic::previewSide(scale)) {
  setWindowTitle("Choose Brush");
  const char* names[3] = {"Pen", "Pencil", "Water Color"};
  auto* group = new QButtonGroup(this);
  auto* kindsRow = new QHBoxLayout;
  for (int kind = 0; kind < 3; ++kind) {
    kinds_[kind] = new QRadioButton(names[kind], this);
    group->addButton(kinds_[kind], kind);
    kindsRow->addWidget(kinds_[kind]);
  }
  kinds_[app.brushKind()]->setChecked(true);
  slider_->setRange(BrushDialogLogic::kMinPosition, BrushDialogLogic::kMaxPosition);
  slider_->setValue(BrushDialogLogic::startPosition(app.brushOfKind(app.brushKind()).size));
  preview_->setFixedSize(side_, side_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(preview_);
  layout->addLayout(kindsRow);
  auto* sliderRow = new QHBoxLayout;
  sliderRow->addWidget(slider_);
  sliderRow->addWidget(value_);
  layout->addLayout(sliderRow);
  layout->addWidget(okCancel(this));
  connect(slider_, &QSlider::valueChanged, this, [this] { showSize(); });
  connect(group, &QButtonGroup::idClicked, this, [this](int kind) {
    app_.setBrushKind(kind);
    const int32_t position = BrushDialogLogic::kindPosition(app_.brushOfKind(kind).size);
    if (slider_->value() == position) showSize();
    slider_->setValue(position);
  });
  showSize();
}

void ChooseBrushDialog::showSize() {
  const double size = BrushDialogLogic::sizeOf(slider_->value());
  value_->setText(QString::number(size));
  Image32 picture;
  if (!picture.resizeBuffer(side_, side_)) return;
  drawBrushPreview(picture, app_.view.zoom() * size * 0.5);
  preview_->setPixmap(QPixmap::fromImage(wrapImage(picture, QImage::Format_RGB32).copy()));
}

void ChooseBrushDialog::apply() {
  BrushParams& brush = app_.brushOfKind(app_.brushKind());
  brush.size = brush.savedSize = BrushDialogLogic::sizeOf(slider_->value());
  app_.setBrushKind(app_.brushKind());
  app_.drawPanels();
}

bool QtDialogs::runNew(NewDialogValues& values) {
  NewDocumentDialog dialog(values, parent_);
  if (dialog.exec() != QDialog::Accepted) return false;
  dialog.acceptInto(values);
  return true;
}

bool QtDialogs::runResolution(ResolutionDialogValues& values) {
  ResolutionDialog dialog(values, parent_);
  if (dialog.exec() != QDialog::Accepted) return false;
  dialog.acceptInto(values);
  return true;
}

bool QtDialogs::runChooseBrush(Application& app) {
  const QScreen* screen = parent_ != nullptr ? parent_->screen() : QGuiApplication::primaryScreen();
  const double scale =
      screen != nullptr ? (screen->logicalDotsPerInchX() + screen->logicalDotsPerInchY()) / 2.0 / 96.0 : 1.0;
  ChooseBrushDialog dialog(app, scale, parent_);
  if (dialog.exec() != QDialog::Accepted) return false;
  dialog.apply();
  return true;
}

}  // namespace kanvo
