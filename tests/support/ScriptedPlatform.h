#pragma once
// The menu commands' platform without a display: message boxes, file dialogs, dialogs,
// clipboard, desktop and camera that answer from what the test set and record what was asked.
#include <deque>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/MessageBox.h"
#include "app/commands/CommandHandler.h"

namespace kanvo::test {

// Records each box and answers with a preset button.
class RecordingMessageBox : public MessageBox {
 public:
  struct Shown {
    std::string caption, text;
  };
  std::vector<Shown> shown;
  Answer answer = Answer::kOk;

  Answer show(const std::string& caption, const std::string& text, Buttons) override {
    shown.push_back({caption, text});
    return answer;
  }
};

class ScriptedPlatform : public FileDialogs, public Dialogs, public Clipboard, public Desktop, public Camera {
 public:
  // ---- answers ----
  std::deque<std::string> paths;  // the next file dialogs' choices ("" cancels; none left cancels)
  std::string typedWidth, typedHeight;  // what the user types into New or Resolution (then OK)
  LocalTime time{2025, 3, 7, 9, 5, 3};
  std::string pictures;  // the pictures folder; empty: none can be had
  bool cameraPresent = false;
  Camera::Outcome cameraOutcome = Camera::Outcome::kCancelled;
  std::string capturedPath;

  // ---- what was asked ----
  int fileDialogs = 0, dialogs = 0;
  std::string clipboard;

  RecordingMessageBox messages;

  CommandServices services() { return {&messages, this, this, this, this, this}; }

  std::string chooseOpenPath(int32_t& filter) override { return next(filter); }
  std::string chooseSavePath(const std::string&, int32_t& filter) override { return next(filter); }
  bool runNew(NewDialogValues& values) override { return typeInto(values); }
  bool runResolution(ResolutionDialogValues& values) override { return typeInto(values); }
  bool runChooseBrush(Application&) override { return ++dialogs, true; }
  bool setText(const std::string& text) override {
    clipboard = text;
    return true;
  }
  LocalTime localTime() const override { return time; }
  std::string picturesFolder(std::string& failure) override {
    if (pictures.empty()) failure = "no pictures folder";
    return pictures;
  }
  bool available() const override { return cameraPresent; }
  Outcome capture(std::string& path, std::string& failure) override {
    path = capturedPath;
    failure = "the camera failed";
    return cameraOutcome;
  }

 private:
  template <class Values>
  bool typeInto(Values& values) {
    ++dialogs;
    values.accept(typedWidth, typedHeight);
    return true;
  }
  std::string next(int32_t& filter) {
    ++fileDialogs;
    filter = 1;
    if (paths.empty()) return {};
    std::string path = paths.front();
    paths.pop_front();
    return path;
  }
};

}  // namespace kanvo::test
