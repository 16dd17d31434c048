#pragma once
// The New, Resolution and Choose Brush dialogs on QDialog, built in code; their arithmetic is
// app/commands/DialogLogic.h. Closing a dialog's window counts as Cancel.
#include <QDialog>

#include "app/commands/DialogLogic.h"
#include "app/commands/PlatformServices.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSlider;

namespace kanvo {

// "New Document": two editable combo boxes offering 256, 512, 768 and 1024.
class NewDocumentDialog : public QDialog {
  Q_OBJECT
 public:
  NewDocumentDialog(const NewDialogValues& values, QWidget* parent = nullptr);
  QComboBox* widthBox() const { return width_; }
  QComboBox* heightBox() const { return height_; }
  // The values after OK.
  void acceptInto(NewDialogValues& values) const;

 private:
  QComboBox* width_;
  QComboBox* height_;
};

// "Resolution": the document's size in two line edits, "Keep Aspect" checked.
class ResolutionDialog : public QDialog {
  Q_OBJECT
 public:
  ResolutionDialog(const ResolutionDialogValues& values, QWidget* parent = nullptr);
  QLineEdit* widthEdit() const { return width_; }
  QLineEdit* heightEdit() const { return height_; }
  void acceptInto(ResolutionDialogValues& values) const;

 private:
  ResolutionDialogValues values_;
  QLineEdit* width_;
  QLineEdit* height_;
};

// "Choose Brush": the size slider (2 ... 200, half a pixel a step), the three kinds and the
// preview. OK sets the current kind's size.
class ChooseBrushDialog : public QDialog {
  Q_OBJECT
 public:
  ChooseBrushDialog(Application& app, double scale, QWidget* parent = nullptr);
  QSlider* slider() const { return slider_; }
  QRadioButton* kindButton(int kind) const { return kinds_[kind]; }
  QLabel* valueLabel() const { return value_; }
  QLabel* preview() const { return preview_; }
  // OK: the current kind's size becomes the slider's.
  void apply();

 private:
  void showSize();
  Application& app_;
  QSlider* slider_;
  QRadioButton* kinds_[3];
  QLabel* value_;
  QLabel* preview_;
  int32_t side_;
};

class QtDialogs final : public Dialogs {
 public:
  explicit QtDialogs(QWidget* parent) : parent_(parent) {}
  bool runNew(NewDialogValues& values) override;
  bool runResolution(ResolutionDialogValues& values) override;
  bool runChooseBrush(Application& app) override;

 private:
  QWidget* parent_;
};

}  // namespace kanvo
