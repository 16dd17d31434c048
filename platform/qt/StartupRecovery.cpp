#include "platform/qt/StartupRecovery.h"

#include <ctime>

#include "app/Application.h"
#include "app/Recovery.h"
#include "formats/DocumentOpener.h"
#include "platform/qt/MainWindow.h"
#include "platform/qt/QtMessageBox.h"
#include "strings/Cp932.h"

namespace kanvo {

bool offerRecovery(MainWindow& window, Application& app, const RecoveryFolder& folder) {
  folder.pruneDiscarded(int64_t(std::time(nullptr)));
  QtMessageBox box(&window);
  for (const RecoveryEntry& entry : folder.abandoned()) {
    Document probe(app.strings);
    OpenServices services;
    const Status read = openDocument(probe, entry.path, services);
    const std::string caption = cp932ToUtf8(app.strings.GetString(TextId::RecoveryCaption));
    switch (box.show(caption, restoreQuestion(entry.writtenAt, read, app.strings.language()),
                     MessageBox::Buttons::kYesNoCancel)) {
      case MessageBox::Answer::kYes:
        if (read.isFailed() || !window.openFile(QString::fromStdString(entry.path))) continue;
        app.fileName = Application::kUntitled;
        app.document.modified = 1;
        window.updateTitle();
        folder.adopt(entry);
        return true;
      case MessageBox::Answer::kNo: folder.moveAside(entry); break;
      default: break;
    }
  }
  return false;
}

}  // namespace kanvo
