#include "app/OpenStep.h"

#include "app/Application.h"
#include "app/MessageBox.h"
#include "formats/DocumentOpener.h"
#include "strings/Cp932.h"

namespace kanvo {

std::string fileMessage(const std::string& path, const std::string& reason) {
  if (reason.find(path) != std::string::npos) return reason;
  return path + ": " + reason;
}

void showReplacedDocument(Application& app) {
  app.history.clear();
  app.document.modified = 0;
  app.view.centreDocument();
  app.view.invalidate();
  app.view.redraw();
  app.drawPanels();
}

Status openFile(Application& app, const std::string& path, MessageBox& messages) {
  Status status;
  {
    WaitCursor wait(app.surface());
    OpenServices services;
    services.imageLoader = app.imageLoader;
    status = openDocument(app.document, path, services);
    if (!status.isFailed()) {
      app.fileName = status.isOk() ? path : Application::kUntitled;
      showReplacedDocument(app);
    }
  }
  if (!status.isOk()) {
    const uint32_t caption = status.isFailed() ? TextId::OpenFailed : TextId::Information;
    messages.show(cp932ToUtf8(app.strings.getString(caption)), fileMessage(path, status.reason()));
  }
  return status;
}

}  // namespace kanvo
