#pragma once
// The message box on QMessageBox, modal over the main window. With tracing on (Trace.h) it
// writes the box to the trace and answers with its default button instead of waiting for a
// user, so that scripted runs never block.
#include "app/MessageBox.h"

class QWidget;

namespace kanvo {

class QtMessageBox final : public MessageBox {
 public:
  explicit QtMessageBox(QWidget* parent = nullptr) : parent_(parent) {}
  void setParent(QWidget* parent) { parent_ = parent; }
  Answer show(const std::string& caption, const std::string& text, Buttons buttons) override;

 private:
  QWidget* parent_;
};

}  // namespace kanvo
