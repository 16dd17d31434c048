#include "platform/qt/StartupRecovery.h"

#include "platform/qt/MainWindow.h"

namespace kanvo {

bool offerRecovery(MainWindow&) {
  return false;  // no work is kept aside yet
}

}  // namespace kanvo
