#pragma once
// What the menu commands ask of the platform, one small interface each, so that the command
// handler runs without a toolkit: Qt implements them in platform/qt/, tests script them
// (tests/support/ScriptedPlatform.h). Paths and texts are UTF-8; paths are joined with "/".
#include <cstdint>
#include <string>

namespace kanvo {

class Application;
struct NewDialogValues;
struct ResolutionDialogValues;

// The Open and Save dialogs. filterIndex is the stored index of the filter list, in and out
// (the chosen filter on OK). An empty path: the user cancelled.
class FileDialogs {
 public:
  virtual ~FileDialogs() = default;
  virtual std::string chooseOpenPath(int32_t& filterIndex) = 0;
  // Starts in folder with the name "Untitled"; asks before replacing an existing file; a name
  // typed without an extension takes the chosen filter's.
  virtual std::string chooseSavePath(const std::string& folder, int32_t& filterIndex) = 0;
};

// The modal dialogs with their own logic in app/commands/DialogLogic.h. Each returns true on
// OK (the values then hold what the user chose) and false on Cancel or when its window closed.
class Dialogs {
 public:
  virtual ~Dialogs() = default;
  virtual bool runNew(NewDialogValues& values) = 0;
  virtual bool runResolution(ResolutionDialogValues& values) = 0;
  // Choose Brush edits the application's brush kinds (BrushDialogLogic).
  virtual bool runChooseBrush(Application& app) = 0;
};

class Clipboard {
 public:
  virtual ~Clipboard() = default;
  // False when the clipboard could not be had.
  virtual bool setText(const std::string& text) = 0;
};

struct LocalTime {
  int32_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// The user's folders and the wall clock.
class Desktop {
 public:
  virtual ~Desktop() = default;
  virtual LocalTime localTime() const = 0;
  // The pictures folder, created when missing; empty (with the reason in failure) when it
  // neither exists nor can be made.
  virtual std::string picturesFolder(std::string& failure) = 0;
};

// A still picture from a camera.
class Camera {
 public:
  virtual ~Camera() = default;
  virtual bool available() const = 0;
  // Runs the capture dialog. ok: path names the captured JPEG file; cancelled: nothing was
  // taken; failed: failure says why.
  enum class Outcome { kOk, kCancelled, kFailed };
  virtual Outcome capture(std::string& path, std::string& failure) = 0;
};

}  // namespace kanvo
