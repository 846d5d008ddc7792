#include <windows.h>

#include "foundation/ansi_code_page.h"
#include "foundation/win32/wide_text.h"

namespace mirvo {
namespace {

// Byte length of the UTF-8 sequence that starts with this byte.
std::size_t SequenceLength(unsigned char lead) {
  return lead < 0x80 ? 1 : lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
}

// Converts to CP_ACP, reporting a character the code page lacks instead of writing "?".
bool ToAcp(std::wstring_view wide, std::string* bytes) {
  if (wide.empty()) {
    bytes->clear();
    return true;
  }
  BOOL usedDefault = FALSE;
  int length =
      WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                          nullptr, 0, nullptr, &usedDefault);
  if (length <= 0 || usedDefault) return false;
  bytes->assign(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                      bytes->data(), length, nullptr, &usedDefault);
  return !usedDefault;
}

}  // namespace

Result<std::string> EncodeAnsi(std::string_view utf8) {
  if (!IsValidUtf8(utf8)) return Error{"文本不是有效的 UTF-8"};
  std::string bytes;
  if (ToAcp(win32::Widen(utf8), &bytes)) return bytes;
  // Find the first character the code page cannot hold, to name it.
  for (std::size_t i = 0; i < utf8.size();) {
    std::size_t length = SequenceLength(static_cast<unsigned char>(utf8[i]));
    std::string single;
    if (!ToAcp(win32::Widen(utf8.substr(i, length)), &single)) {
      return Error{"字符" + DescribeCharacterAt(utf8, i) + "无法用系统代码页 " +
                   std::to_string(GetACP()) + " 保存"};
    }
    i += length;
  }
  return Error{"无法转换为系统代码页 " + std::to_string(GetACP())};
}

Result<std::string> DecodeAnsi(std::string_view ansi) {
  if (ansi.empty()) return std::string();
  int length = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(),
                                   static_cast<int>(ansi.size()), nullptr, 0);
  if (length <= 0) {
    return Error{"文本不是有效的系统代码页 " + std::to_string(GetACP()) + " 编码"};
  }
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(), static_cast<int>(ansi.size()),
                      wide.data(), length);
  return win32::Narrow(wide);
}

}  // namespace mirvo
