#pragma once
// A message box that shows nothing: it records each box and answers with a preset button.
#include <string>
#include <vector>

#include "app/MessageBox.h"

namespace kanvo::test {

class RecordingMessageBox : public MessageBox {
 public:
  struct Shown {
    std::string caption, text;
    Buttons buttons;
  };
  std::vector<Shown> shown;
  Answer answer = Answer::kOk;

  Answer show(const std::string& caption, const std::string& text, Buttons buttons) override {
    shown.push_back({caption, text, buttons});
    return answer;
  }
};

}  // namespace kanvo::test
