#include "app/Version.h"

namespace kanvo {

const char* versionString() { return "0.1.0"; }

}  // namespace kanvo
