#include <iconv.h>

#include <cerrno>

#include "foundation/ansi_code_page.h"

namespace mirvo {
namespace {

// The bytes a Chinese Windows writes, so that files and passwords agree between peers.
constexpr const char* kAnsiCharset = "GBK";

struct Converted {
  std::string bytes;
  int error = 0;             // errno of the failed conversion, 0 when it succeeded
  std::size_t failedAt = 0;  // input offset of the character that failed
};

Converted Convert(const char* to, const char* from, std::string_view input) {
  Converted result;
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    result.error = errno;
    return result;
  }
  result.bytes.resize(input.size() * 4 + 16);
  char* in = const_cast<char*>(input.data());
  std::size_t inLeft = input.size();
  char* out = result.bytes.data();
  std::size_t outLeft = result.bytes.size();
  if (iconv(cd, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1)) {
    result.error = errno;
    result.failedAt = input.size() - inLeft;
  }
  result.bytes.resize(result.bytes.size() - outLeft);
  iconv_close(cd);
  return result;
}

}  // namespace

Result<std::string> EncodeAnsi(std::string_view utf8) {
  // Decided before iconv: its UTF-8 reader takes some malformed sequences for characters, and the
  // message would then quote bytes that are no text.
  if (!IsValidUtf8(utf8)) return Error{"文本不是有效的 UTF-8"};
  Converted c = Convert(kAnsiCharset, "UTF-8", utf8);
  if (c.error == 0) return std::move(c.bytes);
  // iconv stops at the first character GBK lacks.
  if (c.error == EILSEQ) {
    return Error{"字符" + DescribeCharacterAt(utf8, c.failedAt) + "无法用 GBK 编码保存"};
  }
  return Error{"无法转换为 GBK 编码"};
}

Result<std::string> DecodeAnsi(std::string_view ansi) {
  Converted c = Convert("UTF-8", kAnsiCharset, ansi);
  if (c.error == 0) return std::move(c.bytes);
  return Error{"第 " + std::to_string(c.failedAt + 1) + " 个字节不是有效的 GBK 编码"};
}

}  // namespace mirvo
