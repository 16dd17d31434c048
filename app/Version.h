#pragma once

namespace kanvo {

// The program's version as shown by "kanvo-cli --version" and the About box.
const char* versionString();

}  // namespace kanvo
