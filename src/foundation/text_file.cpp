#include "foundation/text_file.h"

namespace mirvo {

Status WriteTextFile(Platform& platform, const std::string& path, std::string_view value,
                     FileAccess access) {
  Result<std::string> bytes = platform.Utf8ToAnsi(value);
  if (!bytes.ok()) {
    return Error{"无法写入文件“" + path + "”：" + bytes.error().message};
  }
  bytes.value().append("\r\n");
  return platform.WriteFileBytes(path, bytes.value(), access);
}

Status CheckAnsiField(const Platform& platform, std::string_view fieldName, std::string_view text) {
  Result<std::string> bytes = platform.Utf8ToAnsi(text);
  if (!bytes.ok()) {
    return Error{"“" + std::string(fieldName) + "”的内容无法保存：" + bytes.error().message};
  }
  return Status::Ok();
}

}  // namespace mirvo
