#pragma once
// Opening a file as the document, as the program does at start (a file given on the command
// line), when another start hands a file over, and for the Open command.
//
// The file is read through openDocument (formats/DocumentOpener.h) with the application's
// image loader, under the wait cursor.
// - ok: the path becomes the file name, the history is emptied, the view shows the new
//   document from its start and the panels follow.
// - partial (a damaged file read in part): the same, but the document is named "Untitled", so
//   that saving cannot replace the original with what was read, and a message box says what
//   happened.
// - failed: nothing changes; a message box "Open failed" names the file and the reason.
#include <string>

#include "formats/Status.h"

namespace kanvo {

class Application;
class MessageBox;

Status openFile(Application& app, const std::string& path, MessageBox& messages);

// After the document was replaced (opened, or made new): the history emptied, the document
// unchanged, the view showing it centred (as the start canvas) and the panels drawn again.
void showReplacedDocument(Application& app);

// "path: reason", or the reason alone when it names the path already (readers often do), so
// that a message names the file once.
std::string fileMessage(const std::string& path, const std::string& reason);

}  // namespace kanvo
