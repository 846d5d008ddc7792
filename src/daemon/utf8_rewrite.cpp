#include "daemon/utf8_rewrite.h"

namespace mirvo {

Status RewriteAsUtf8(Platform& platform, const std::string& path) {
  Result<std::string> ansi = platform.ReadFileBytes(path);
  if (!ansi.ok()) return ansi.error();
  Result<std::string> utf8 = platform.AnsiToUtf8(ansi.value());
  if (!utf8.ok()) {
    return Error{"无法把文件“" + path + "”转换为 UTF-8：" + utf8.error().message};
  }
  return platform.WriteFileBytes(path, utf8.value(), FileAccess::Normal);
}

}  // namespace mirvo
