#include "foundation/cygwin_path.h"

#include "foundation/names.h"

namespace mirvo {

std::string CygwinTail(std::string_view path) {
  std::string tail;
  tail.reserve(path.size());
  for (char c : path) {
    if (c == ':') continue;
    tail.push_back(c == '\\' ? '/' : c);
  }
  return tail;
}

std::string CygdrivePath(std::string_view path) {
  return std::string(kCygdrivePrefix) + CygwinTail(path);
}

}  // namespace mirvo
