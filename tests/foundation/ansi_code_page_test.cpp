#include "foundation/ansi_code_page.h"

#include <gtest/gtest.h>

namespace mirvo {
namespace {

TEST(AnsiCodePage, IsGbkBothWays) {
  struct Case {
    const char* utf8;
    std::string ansi;
  } cases[] = {
      {"", ""},
      {"rsyncd.conf", "rsyncd.conf"},
      {"共享", "\xB9\xB2\xCF\xED"},
      {"MIRVO服务端", "MIRVO\xB7\xFE\xCE\xF1\xB6\xCB"},
      {"€", "\x80"},
      {"a\r\nb", "a\r\nb"},
  };
  for (const Case& c : cases) {
    Result<std::string> encoded = EncodeAnsi(c.utf8);
    ASSERT_TRUE(encoded.ok()) << c.utf8;
    EXPECT_EQ(encoded.value(), c.ansi);
    Result<std::string> decoded = DecodeAnsi(c.ansi);
    ASSERT_TRUE(decoded.ok()) << c.utf8;
    EXPECT_EQ(decoded.value(), c.utf8);
  }
}

TEST(AnsiCodePage, NamesTheCharacterItCannotHold) {
  struct Case {
    const char* utf8;
    const char* named;
  } cases[] = {
      {"d:\\共享😀", "“😀”(U+1F600)"},
      {"x\xF0\xA0\x80\x80y", "(U+20000)"},
  };
  for (const Case& c : cases) {
    Result<std::string> encoded = EncodeAnsi(c.utf8);
    ASSERT_FALSE(encoded.ok()) << c.utf8;
    EXPECT_NE(encoded.error().message.find(c.named), std::string::npos) << encoded.error().message;
  }
  EXPECT_FALSE(EncodeAnsi("\xFF\xFE").ok());
  EXPECT_FALSE(DecodeAnsi("\xB9").ok());
}

TEST(AnsiCodePage, MalformedUtf8IsToldAsSuchWithoutQuotingItsBytes) {
  const char* malformed[] = {
      "\xFD\x80\xA7\xAC\x80\x80x",  // an old six-byte form
      "d:\\\xED\xA0\x80",           // a surrogate
      "\xC0\xAF",                   // an overlong "/"
      "\xF4\x90\x80\x80",           // past U+10FFFF
      "a\xE5\x85",                  // the last character cut short
  };
  for (const char* text : malformed) {
    Result<std::string> encoded = EncodeAnsi(text);
    ASSERT_FALSE(encoded.ok()) << text;
    EXPECT_EQ(encoded.error().message, "文本不是有效的 UTF-8");
  }
}

}  // namespace
}  // namespace mirvo

namespace mirvo {
namespace {

TEST(IsValidUtf8, AcceptsWellFormedTextOnly) {
  struct Case {
    std::string text;
    bool valid;
  } cases[] = {
      {"", true},
      {"plain", true},
      {"共享😀", true},
      {"\xF4\x8F\xBF\xBF", true},  // U+10FFFF
      {"\xFF\xFE", false},
      {"\xC0\xAF", false},          // overlong "/"
      {"\xED\xA0\x80", false},      // a surrogate
      {"\xF4\x90\x80\x80", false},  // past U+10FFFF
      {"\xE5\x85", false},          // cut short
      {"a\x80", false},             // stray continuation byte
  };
  for (const Case& c : cases) EXPECT_EQ(IsValidUtf8(c.text), c.valid) << c.text;
}

}  // namespace
}  // namespace mirvo
