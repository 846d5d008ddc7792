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

namespace mirvo {

bool IsValidUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length;
    unsigned codePoint;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      codePoint = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      codePoint = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      codePoint = lead & 0x07u;
    } else {
      return false;
    }
    if (i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0u) != 0x80u) return false;
      codePoint = (codePoint << 6) | (next & 0x3Fu);
    }
    const unsigned smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (codePoint < smallest[length] || codePoint > 0x10FFFF ||
        (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
      return false;
    }
    i += length;
  }
  return true;
}

}  // namespace mirvo
