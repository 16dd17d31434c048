#pragma once
// The extension that chooses a file's reader or writer: the text from the last "." of the
// file-name part (after the last "/"), lower-cased (ASCII letters only), dot included;
// empty when the name has no ".".
//   "pictures/A.KNVMOB" -> ".knvmob", "x.tar.JPEG" -> ".jpeg", "dir.d/name" -> "", ".psd" -> ".psd"
#include <string>
#include <string_view>

namespace kanvo {

std::string lowerCaseExtension(std::string_view path);

}  // namespace kanvo
