#pragma once
// Start-up must not lose a user's work: when an earlier run ended without a clean end (a
// crash, a kill, a power cut), the work it kept aside (app/Recovery.h) is offered back before
// anything else is opened.
namespace kanvo {

class Application;
class MainWindow;
class RecoveryFolder;

// For each file of an instance that is no longer running, oldest first, asks whether to restore
// it (with the reader's warning when it is damaged). Yes opens it as a modified, untitled
// document and makes it this instance's recovery file; No moves it to the discarded files;
// Cancel leaves it for the next start. True when a document was restored (a file named on the
// command line is then not opened).
bool offerRecovery(MainWindow& window, Application& app, const RecoveryFolder& folder);

}  // namespace kanvo
