#include <cstdio>

#include "foundation/ansi_code_page.h"

namespace mirvo {

std::string DescribeCharacterAt(std::string_view utf8, std::size_t offset) {
  if (offset >= utf8.size()) return "";
  auto lead = static_cast<unsigned char>(utf8[offset]);
  std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
  if (lead >= 0x80 && lead < 0xC0) length = 1;  // a stray continuation byte
  if (offset + length > utf8.size()) length = utf8.size() - offset;
  unsigned codePoint = length == 1 ? lead : lead & (0x7Fu >> length);
  for (std::size_t i = 1; i < length; ++i) {
    codePoint = (codePoint << 6) | (static_cast<unsigned char>(utf8[offset + i]) & 0x3Fu);
  }
  char hex[16];
  std::snprintf(hex, sizeof hex, "U+%04X", codePoint);
  if (codePoint < 0x20 || codePoint == 0x7F) return std::string("控制字符(") + hex + ")";
  return "“" + std::string(utf8.substr(offset, length)) + "”(" + hex + ")";
}

}  // namespace mirvo
