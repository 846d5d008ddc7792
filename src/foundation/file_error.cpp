#include "foundation/file_error.h"

namespace mirvo {

Error FileError(FileOperation operation, const std::string& path, const std::string& reason) {
  const char* verb = operation == FileOperation::Write ? "无法写入" : "无法读取";
  return Error{std::string(verb) + "文件“" + path + "”：" + reason};
}

Error RenameError(const std::string& from, const std::string& to, const std::string& reason) {
  return Error{"无法把文件“" + from + "”改名为“" + to + "”：" + reason};
}

}  // namespace mirvo
