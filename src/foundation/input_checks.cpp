#include "foundation/input_checks.h"

#include <string>

#include "foundation/ansi_code_page.h"

namespace mirvo {
namespace {

bool IsControl(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte == 0x7F;
}

std::size_t FirstControl(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsControl(text[i])) return i;
  }
  return std::string_view::npos;
}

Error Refused(std::string_view fieldName, const std::string& reason) {
  return Error{"“" + std::string(fieldName) + "”" + reason};
}

Error ControlRefused(std::string_view fieldName, std::string_view text, std::size_t at,
                     std::string_view where) {
  return Refused(fieldName, "中不能有" + DescribeCharacterAt(text, at) + "：" + std::string(where) +
                                "。请删除换行、制表符等控制字符。");
}

// The first "%" that begins a %NAME% pair, or npos. "50%" or "%%" hold no name and stay as typed.
std::size_t FirstVariablePair(std::string_view text) {
  std::size_t open = text.find('%');
  while (open != std::string_view::npos) {
    std::size_t close = text.find('%', open + 1);
    if (close == std::string_view::npos) return std::string_view::npos;
    if (close > open + 1) return open;
    open = close;
  }
  return std::string_view::npos;
}

}  // namespace

Status CheckLineText(std::string_view fieldName, std::string_view text) {
  std::size_t at = FirstControl(text);
  if (at != std::string_view::npos) {
    return ControlRefused(fieldName, text, at, "它会在配置文件中断开这一行或插入新的一行");
  }
  return Status::Ok();
}

Status CheckCommandText(std::string_view fieldName, std::string_view text) {
  std::size_t at = FirstControl(text);
  if (at != std::string_view::npos) {
    return ControlRefused(fieldName, text, at, "命令行无法原样传递它");
  }
  if (text.find('"') != std::string_view::npos) {
    return Refused(fieldName,
                   "中不能有双引号（\"）：cmd.exe 会把它后面的内容当作命令的一部分来解释。");
  }
  std::size_t open = FirstVariablePair(text);
  if (open != std::string_view::npos) {
    std::size_t close = text.find('%', open + 1);
    return Refused(fieldName,
                   "中不能有“" + std::string(text.substr(open, close - open + 1)) +
                       "”这样用两个 % 围起来的文字：cmd.exe 会把它换成同名环境变量的值。");
  }
  return Status::Ok();
}

std::size_t InterpreterLength(std::string_view commandLine) {
  std::size_t units = 0;
  for (char c : commandLine) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte & 0xC0) == 0x80) continue;  // continuation byte
    units += byte >= 0xF0 ? 2 : 1;        // beyond U+FFFF: a surrogate pair
  }
  return units;
}

Status CheckCommandLength(std::string_view commandLine, std::string_view longestField) {
  const std::size_t length = InterpreterLength(commandLine);
  if (length <= kLongestInterpreterLine) return Status::Ok();
  return Error{"命令行太长（" + std::to_string(length) + " 个字符）：cmd.exe 最多接受 " +
               std::to_string(kLongestInterpreterLine) + " 个字符。请缩短“" +
               std::string(longestField) + "”中的文字。"};
}

Status CheckCommandInputs(std::span<const InputField> fields, std::string_view commandLine) {
  std::string_view longest = fields.empty() ? std::string_view() : fields.front().label;
  std::size_t longestSize = 0;
  for (const InputField& field : fields) {
    if (!field.used) continue;
    Status status = CheckCommandText(field.label, field.text);
    if (!status.ok()) return status;
    if (field.text.size() > longestSize) {
      longest = field.label;
      longestSize = field.text.size();
    }
  }
  return CheckCommandLength(commandLine, longest);
}

}  // namespace mirvo
