#pragma once
// The window's "File" and "Edit" menus: one QAction per command (app/commands/CommandIds.h),
// with the program's texts, separators and submenus, each running its id through the command
// handler. After every command, every input event of the canvas and before a menu opens, the
// menu state (enabled, checked) is applied to the actions and the title updated.
//
// Closing the window (Quit, the title bar, Alt+F4, logout) runs the Quit prompt; on Cancel the
// window stays open. The bar's brush button opens Choose Brush. Edit > "Etc" > "Language"
// switches the texts for this run.
//
// Make one after the window and destroy it before (it filters the window's events).
#include <QObject>
#include <map>

#include "app/commands/CommandHandler.h"
#include "platform/qt/CommandDialogs.h"
#include "platform/qt/QtServices.h"

class QAction;
class QMenu;

namespace kanvo {

class Application;
class MainWindow;

class CommandMenus : public QObject {
  Q_OBJECT

 public:
  // camera: null when the program has no camera support.
  CommandMenus(MainWindow& window, Application& app, Camera* camera = nullptr);
  ~CommandMenus() override;

  CommandHandler& handler() { return handler_; }
  // The action of a command id; null for an id without one.
  QAction* action(int32_t id) const;
  void runCommand(int32_t id);
  // The menu state and the title, as they are now.
  void refresh();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void build();
  QAction* add(QMenu* menu, int32_t id, const char* text);

  MainWindow& window_;
  Application& app_;
  QtDialogs dialogs_;
  QtFileDialogs files_;
  QtClipboard clipboard_;
  QtDesktop desktop_;
  CommandHandler handler_;
  std::map<int32_t, QAction*> actions_;
  bool closing_ = false;  // Quit confirmed: the close passes
};

}  // namespace kanvo
