#pragma once
// What "kanvo-cli info" prints about a document: the JSON object of the command-line contract
// (keys width, height, resolution, currentLayer, layers; each layer name, kind, offsetX,
// offsetY, width, height, opacity, visible, blendMode, protected), or the same as lines of
// text. Layer names are converted from CP932 to UTF-8; in JSON every character JSON requires
// is escaped (quote, backslash, all control characters), in text control characters are
// shown as escapes so that a name cannot move the terminal's cursor.
#include <string>
#include <string_view>

#include "document/Document.h"

namespace kanvo::cli {

// extraKeys (", \"key\": value" each) follow the canvas keys, for what only some inputs have.
std::string documentJson(const Document& document, std::string_view extraKeys = {});
std::string documentText(const Document& document);

// A JSON string literal (quotes included) of UTF-8 text.
std::string jsonString(std::string_view utf8);

}  // namespace kanvo::cli
