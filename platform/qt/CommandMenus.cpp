#include "platform/qt/CommandMenus.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QMenu>

#include "app/Application.h"
#include "app/commands/CommandIds.h"
#include "platform/qt/AboutBox.h"
#include "platform/qt/MainWindow.h"

namespace kanvo {

CommandMenus::CommandMenus(MainWindow& window, Application& app, Camera* camera)
    : window_(window),
      app_(app),
      dialogs_(&window),
      files_(&window),
      handler_(app, CommandServices{&window.messages(), &files_, &dialogs_, &clipboard_, &desktop_, camera}) {
  build();
  window_.installEventFilter(this);
  connect(&window_.canvas(), &CanvasWidget::stateChanged, this, &CommandMenus::refresh);
  connect(&window_.canvas(), &CanvasWidget::brushButtonPressed, this, [this] {
    dialogs_.runChooseBrush(app_);
    refresh();
  });
  refresh();
}

CommandMenus::~CommandMenus() {
  window_.removeEventFilter(this);
  disconnect(&window_.canvas(), nullptr, this, nullptr);
}

QAction* CommandMenus::add(QMenu* menu, int32_t id, const char* text) {
  QAction* action = menu->addAction(QString::fromUtf8(text));
  actions_[id] = action;
  connect(action, &QAction::triggered, this, [this, id] { runCommand(id); });
  return action;
}

void CommandMenus::build() {
  QMenu* file = &window_.fileMenu();
  add(file, kCmdNew, "&New...")->setShortcut(QKeySequence::New);
  add(file, kCmdOpen, "&Open...")->setShortcut(QKeySequence::Open);
  file->addSeparator();
  add(file, kCmdSave, "&Save")->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  add(file, kCmdSaveAs, "Save &As...")->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
  add(file, kCmdQuickSave, "Quic&k Save");
  file->addSeparator();
  add(file, kCmdCamera, "&Camera");
  add(file, kCmdAbout, "A&bout...");
  add(file, kCmdQuit, "&Quit")->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

  QMenu* edit = &window_.editMenu();
  add(edit, kCmdUndo, "&Undo\tZ")->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  add(edit, kCmdRedo, "&Redo\tQ")->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
  edit->addSeparator();
  add(edit, kCmdZoomIn, "Zoom &In\tS");
  add(edit, kCmdZoomOut, "Zoom &Out\tA");
  add(edit, kCmdExchangeColor, "E&xchange Color\tX");
  edit->addSeparator();
  QMenu* brush = edit->addMenu("Brush");
  add(brush, kCmdAntialias, "&AA")->setCheckable(true);
  add(brush, kCmdBezier, "Bezier Interpolate")->setCheckable(true);
  add(brush, kCmdRedraw, "&Redraw");
  QMenu* canvas = edit->addMenu("&Canvas");
  add(canvas, kCmdClear, "&Clear");
  canvas->addSeparator();
  add(canvas, kCmdResolution, "&Resolution...");
  add(canvas, kCmdTrimming, "&Trimming");
  canvas->addSeparator();
  add(canvas, kCmdLayerExchange, "Layer &Exchange");
  QMenu* view = edit->addMenu("&View");
  add(view, kCmdMirror, "&Mirror\tDown")->setCheckable(true);
  add(view, kCmdRotateRight, "Rotate &Right\tRight");
  add(view, kCmdRotateLeft, "Rotate &Left\tLeft");
  view->addSeparator();
  add(view, kCmdResetView, "Reset Mirror/Rotate\tUp");
  view->addSeparator();
  add(view, kCmdFullscreen, "&Fullscreen");
  QMenu* etc = edit->addMenu("Etc");
  add(etc, kCmdCopyFilename, "&Copy Filename");
  QMenu* language = etc->addMenu("Language");
  auto* languages = new QActionGroup(language);
  const std::pair<const char*, UiLanguage> choices[] = {{"日本語", kUiLanguageJapanese},
                                                        {"English", kUiLanguageEnglish}};
  for (const auto& [name, value] : choices) {
    QAction* choice = language->addAction(QString::fromUtf8(name));
    choice->setCheckable(true);
    choice->setChecked(app_.strings.language() == value);
    languages->addAction(choice);
    connect(choice, &QAction::triggered, this, [this, value] {
      handler_.setLanguage(value);
      window_.canvas().update();
    });
  }
  for (QMenu* menu : {file, edit, brush, canvas, view, etc})
    connect(menu, &QMenu::aboutToShow, this, &CommandMenus::refresh);
}

QAction* CommandMenus::action(int32_t id) const {
  const auto it = actions_.find(id);
  return it == actions_.end() ? nullptr : it->second;
}

void CommandMenus::runCommand(int32_t id) {
  const uint32_t effect = handler_.run(id);
  if (effect & CommandHandler::kShowAbout) showAboutBox(&window_);
  if (effect & CommandHandler::kToggleFullScreen) window_.toggleFullScreen();
  window_.canvas().update();
  refresh();
  if (effect & CommandHandler::kCloseWindow) {
    closing_ = true;
    window_.close();
  }
}

void CommandMenus::refresh() {
  const MenuState state = handler_.menuState();
  for (const auto& [id, action] : actions_) {
    const MenuState::Item item = state.of(id);
    action->setEnabled(item.enabled);
    if (action->isCheckable()) action->setChecked(item.checked);
  }
  if (QAction* camera = action(kCmdCamera))
    camera->setStatusTip(state.cameraAvailable ? QString() : QString("No camera was found"));
  window_.updateTitle();
}

bool CommandMenus::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &window_ && event->type() == QEvent::Close && !closing_) {
    if (!handler_.confirmClose()) {
      event->ignore();
      refresh();
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace kanvo
