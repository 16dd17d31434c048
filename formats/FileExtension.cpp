#include "formats/FileExtension.h"

namespace kanvo {

std::string lowerCaseExtension(std::string_view path) {
  const size_t slash = path.rfind('/');
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return std::string();
  std::string ext(name.substr(dot));
  for (char& c : ext)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return ext;
}

}  // namespace kanvo
