#include "app/commands/CommandHandler.h"

#include <cstdio>
#include <initializer_list>

#include "app/Application.h"
#include "app/HistoryCommands.h"
#include "app/OpenStep.h"
#include "app/ViewCommands.h"
#include "app/commands/CommandIds.h"
#include "app/commands/LayerCommands.h"
#include "formats/DocumentSaver.h"
#include "formats/FileExtension.h"
#include "strings/Cp932.h"
#include "tools/dispatch/ViewSteps.h"

namespace kanvo {

namespace {

constexpr const char* kChangedCaption = "Document changed";
constexpr int32_t kTurnStepDegrees = 90;

bool oneOf(const std::string& s, std::initializer_list<const char*> list) {
  for (const char* item : list)
    if (s == item) return true;
  return false;
}

}  // namespace

bool CommandHandler::savesExtension(const std::string& extension) {
  if (!oneOf(extension, {".psd", ".bmp", ".jpg", ".jpeg", ".knvmob", ".png"})) return false;
  const SaveFormat* format = findSaveFormat(extension);
  return format != nullptr && format->write != nullptr;
}

std::string CommandHandler::quickSaveName(const LocalTime& t) {
  char name[64];
  std::snprintf(name, sizeof name, "%d-%02d-%02d_%02d-%02d-%02d.psd", t.year, t.month, t.day, t.hour, t.minute,
                t.second);
  return name;
}

bool CommandHandler::documentChanged() const { return app_.document.modified != 0; }

MenuState CommandHandler::menuState() const {
  return menuStateOf(app_, services_.camera != nullptr && services_.camera->available());
}

void CommandHandler::setLanguage(UiLanguage language) {
  app_.strings.setLanguage(language);
  app_.drawPanels();
}

void CommandHandler::showMessage(uint32_t captionId, const std::string& text) {
  if (services_.messages != nullptr) services_.messages->show(cp932ToUtf8(app_.strings.getString(captionId)), text);
}

void CommandHandler::tooLarge() {
  if (services_.messages != nullptr)
    services_.messages->show(cp932ToUtf8(app_.strings.getString(TextId::ImageTooLarge)),
                             cp932ToUtf8(app_.strings.getString(TextId::ImageTooLarge)));
}

bool CommandHandler::saveToPath(const std::string& path) {
  const std::string extension = lowerCaseExtension(path);
  if (!savesExtension(extension)) {
    showMessage(TextId::UnsupportedExtension,
                fileMessage(path, extension.empty() ? "the name has no extension"
                                                    : "kanvo does not save " + extension + " files"));
    return false;
  }
  Status status;
  {
    WaitCursor wait(app_.surface());
    status = saveDocument(app_.document, path);
  }
  if (!status.isOk()) {
    showMessage(TextId::SaveFailed, fileMessage(path, status.reason()));
    return false;
  }
  app_.history.clear();
  app_.fileName = path;
  app_.document.modified = 0;
  app_.drawPanels();
  return true;
}

bool CommandHandler::saveAs() {
  if (services_.files == nullptr) return false;
  std::string failure;
  const std::string folder = services_.desktop != nullptr ? services_.desktop->picturesFolder(failure) : "";
  int32_t filter = saveFilterIndex;
  const std::string path = services_.files->chooseSavePath(folder, filter);
  if (path.empty()) return false;
  saveFilterIndex = filter;
  return saveToPath(path);
}

bool CommandHandler::save() {
  const std::string extension = lowerCaseExtension(app_.fileName);
  if (app_.fileName != Application::kUntitled && oneOf(extension, {".psd", ".bmp", ".knvmob", ".png"}) &&
      savesExtension(extension))
    return saveToPath(app_.fileName);
  return saveAs();
}

bool CommandHandler::quickSave() {
  if (services_.desktop == nullptr) return false;
  std::string failure;
  const std::string folder = services_.desktop->picturesFolder(failure);
  if (folder.empty()) {
    showMessage(TextId::SaveFailed, failure);
    return false;
  }
  return saveToPath(folder + "/" + quickSaveName(services_.desktop->localTime()));
}

bool CommandHandler::askToSave(const char* question) {
  if (!documentChanged()) return true;
  if (services_.messages == nullptr) return false;
  switch (services_.messages->show(kChangedCaption, question, MessageBox::Buttons::kYesNoCancel)) {
    case MessageBox::Answer::kYes: return save();
    case MessageBox::Answer::kNo: return true;
    default: return false;
  }
}

bool CommandHandler::confirmClose() { return askToSave("Save before Quit?"); }

void CommandHandler::newDocument() {
  if (!askToSave("Save before New?") || services_.dialogs == nullptr) return;
  if (!services_.dialogs->runNew(newValues)) return;
  {
    WaitCursor wait(app_.surface());
    if (app_.document.newCanvas(newValues.width, newValues.height, kLayerKind32) == nullptr) {
      tooLarge();
      return;
    }
    app_.document.addLayer32();
    app_.fileName = Application::kUntitled;
    showReplacedDocument(app_);
  }
}

void CommandHandler::open() {
  if (!askToSave("Save before Open?") || services_.files == nullptr) return;
  int32_t filter = openFilterIndex;
  const std::string path = services_.files->chooseOpenPath(filter);
  if (path.empty()) return;
  openFilterIndex = filter;
  if (services_.messages != nullptr) openFile(app_, path, *services_.messages);
}

void CommandHandler::resolution() {
  if (services_.dialogs == nullptr) return;
  resolutionValues.documentWidth = app_.document.width();
  resolutionValues.documentHeight = app_.document.height();
  resolutionValues.keepAspect = true;
  if (!services_.dialogs->runResolution(resolutionValues)) return;
  if (!resizeCanvas(app_, resolutionValues.width, resolutionValues.height)) tooLarge();
}

void CommandHandler::trimming() {
  const Selection* selection = app_.document.currentSelection();
  if (selection == nullptr || selection->outline.empty()) {
    if (services_.messages != nullptr) services_.messages->show("Trimming error", "Set selected region.");
    return;
  }
  if (!trimToSelection(app_)) tooLarge();
}

void CommandHandler::mirror() {
  View& view = app_.view;
  const double cx = double(view.windowWidth() / 2), cy = double(view.windowHeight() / 2);
  const CurvePoint centre = view.windowToCanvas(cx, cy);
  view.setMirrored(!view.transform().isMirrored());
  view.placeCanvasPointAt(centre, cx, cy);
  view.invalidate();
  view.redraw();
}

void CommandHandler::copyFilename() {
  if (services_.clipboard != nullptr) services_.clipboard->setText(app_.fileName);
}

void CommandHandler::camera() {
  if (services_.camera == nullptr || !services_.camera->available()) return;
  std::string path, failure;
  switch (services_.camera->capture(path, failure)) {
    case Camera::Outcome::kOk:
      if (services_.messages != nullptr && !openFile(app_, path, *services_.messages).isFailed())
        app_.fileName = Application::kUntitled;
      break;
    case Camera::Outcome::kFailed: showMessage(TextId::OpenFailed, failure); break;
    case Camera::Outcome::kCancelled: break;
  }
}

uint32_t CommandHandler::run(int32_t id) {
  if (id < kFirstCommand || id > kLastCommand) return kIgnored;
  switch (id) {
    case kCmdNew: newDocument(); break;
    case kCmdOpen: open(); break;
    case kCmdSave: save(); break;
    case kCmdSaveAs: saveAs(); break;
    case kCmdQuickSave: quickSave(); break;
    case kCmdCamera: camera(); break;
    case kCmdAbout: return kDone | kShowAbout;
    case kCmdQuit: return confirmClose() ? kDone | kCloseWindow : kDone;
    case kCmdUndo: undoStep(app_); break;
    case kCmdRedo: redoStep(app_); break;
    case kCmdZoomIn: zoomInCommand(app_); break;
    case kCmdZoomOut: zoomOutCommand(app_); break;
    case kCmdExchangeColor:
      app_.settings.swapColours();
      app_.drawPanels();
      break;
    case kCmdAntialias: app_.settings.options.antialias = app_.settings.options.antialias == 0 ? 1 : 0; break;
    case kCmdBezier:
      app_.settings.options.bezierInterpolation = 1 - app_.settings.options.bezierInterpolation;
      break;
    case kCmdClear: clearCurrentLayer(app_); break;
    case kCmdResolution: resolution(); break;
    case kCmdTrimming: trimming(); break;
    case kCmdLayerExchange: exchangeBottomLayers(app_); break;
    case kCmdMirror: mirror(); break;
    case kCmdRotateRight: turnViewStep(app_.view, true, kTurnStepDegrees); break;
    case kCmdRotateLeft: turnViewStep(app_.view, false, kTurnStepDegrees); break;
    case kCmdResetView: resetViewTurn(app_.view); break;
    case kCmdCopyFilename: copyFilename(); break;
    case kCmdFullscreen: return kDone | kToggleFullScreen;
    default: break;  // Redraw and the ids between the items do nothing
  }
  return kDone;
}

}  // namespace kanvo
