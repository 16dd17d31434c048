#pragma once
// Start-up must not lose a user's work: when the program last ended without saving (a crash,
// a power cut), the work it kept aside is offered back before anything else is opened.
namespace kanvo {

class MainWindow;

// Asks the user whether to restore kept-aside work, when there is some, and restores it. True
// when a document was restored (a file named on the command line is then not opened).
bool offerRecovery(MainWindow& window);

}  // namespace kanvo
