#pragma once
// The platform's message box, as the shell's commands use it: a caption, a text and a set of
// buttons; it returns the button the user chose. Texts are UTF-8. Implemented in platform/
// (a modal box), faked in tests.
#include <string>

namespace kanvo {

class MessageBox {
 public:
  enum class Buttons { kOk, kOkCancel, kYesNoCancel };
  enum class Answer { kOk, kCancel, kYes, kNo };

  virtual ~MessageBox() = default;
  virtual Answer show(const std::string& caption, const std::string& text, Buttons buttons = Buttons::kOk) = 0;
};

}  // namespace kanvo
