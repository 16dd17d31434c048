#pragma once
// The menu commands of the window (CommandIds.h) and what surrounds them: the save prompts,
// the open and save flows, the stored dialog values and the title. No toolkit: the platform
// reaches the user through the services (PlatformServices.h, app/MessageBox.h), each of which
// may be null (the command that needs it then does nothing).
//
// Opening goes through the open step (app/OpenStep.h). Saving goes through saveDocument
// (formats/DocumentSaver.h) and only for the kinds the program saves: ".psd", ".bmp", ".jpg",
// ".jpeg", and ".knvmob" and ".png" once writers for them exist. Any other name shows
// "Unsupported ext" and keeps the old name. Only a save that wrote the file empties the
// history, takes the path as the file name and marks the document unchanged; a failed one
// shows "Save failed" with the name and the reason and leaves the document changed.
//
// Save writes under the current name when that is a layered or lossless kind (".psd", ".bmp",
// ".knvmob", ".png") it can write, and otherwise runs Save As, so that a photo opened from a JPEG
// is not flattened and re-encoded in place. The prompts before New, Open and Quit ("Save before
// ...?", Yes, No, Cancel) save by the same rule; a failed or cancelled save stops the command.
//
// The document counts as changed while Document::modified is set (New, Open and each
// successful save clear it; Resolution, Trimming and Layer Exchange set it).
#include <cstdint>
#include <string>

#include "app/MessageBox.h"
#include "app/commands/DialogLogic.h"
#include "app/commands/MenuState.h"
#include "app/commands/PlatformServices.h"
#include "formats/Status.h"
#include "strings/StringTable.h"

namespace kanvo {

class Application;

struct CommandServices {
  MessageBox* messages = nullptr;
  FileDialogs* files = nullptr;
  Dialogs* dialogs = nullptr;
  Clipboard* clipboard = nullptr;
  Desktop* desktop = nullptr;
  Camera* camera = nullptr;
};

class CommandHandler {
 public:
  // What a command asks of the window besides what it did to the application.
  enum Effect : uint32_t {
    kIgnored = 0,           // not a command of the handler
    kDone = 1,              // handled (the title and the menu state may have changed)
    kCloseWindow = 2,       // Quit was confirmed: close without asking again
    kShowAbout = 4,         // the About box
    kToggleFullScreen = 8,  // the window's full-screen mode
  };

  CommandHandler(Application& app, const CommandServices& services) : app_(app), services_(services) {}

  // Runs a command id; ids outside the command range do nothing (kIgnored).
  uint32_t run(int32_t id);

  // The window is about to close (Quit, the title bar, logout): the Quit prompt. True when it
  // may close.
  bool confirmClose();
  bool documentChanged() const;
  MenuState menuState() const;
  // Switches the texts' language for this run.
  void setLanguage(UiLanguage language);

  // The save flows, also for the window's own use. Each returns true when a file was written.
  bool saveToPath(const std::string& path);
  bool saveAs();
  bool save();
  bool quickSave();
  // The quick save's file name: "YYYY-MM-DD_hh-mm-ss.psd".
  static std::string quickSaveName(const LocalTime& time);
  // Whether the program saves files of this lower-cased extension now.
  static bool savesExtension(const std::string& extension);

  // Stored values, kept for the whole run.
  NewDialogValues newValues;
  ResolutionDialogValues resolutionValues;
  int32_t openFilterIndex = 0, saveFilterIndex = 0;

 private:
  // "Save before <what>?": true when the command may go on.
  bool askToSave(const char* question);
  void showMessage(uint32_t captionId, const std::string& text);
  // A whole-document change could not get its memory: "Image is too large".
  void tooLarge();
  void newDocument();
  void open();
  void resolution();
  void trimming();
  void mirror();
  void copyFilename();
  void camera();

  Application& app_;
  CommandServices services_;
};

}  // namespace kanvo
