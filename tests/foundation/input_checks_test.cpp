// Inputs that would change the meaning of a configuration line or of a cmd.exe command line are
// refused with the field's name; everything an ordinary user types passes untouched.
#include "foundation/input_checks.h"

#include <gtest/gtest.h>

#include <string>

namespace mirvo {
namespace {

using namespace std::string_literals;

TEST(InputChecks, CommandAndLineTextRefuseWhatWouldChangeTheirMeaning) {
  struct Case {
    std::string text;
    bool lineOk;
    bool commandOk;
  } cases[] = {
      {"", true, true},
      {"d:\\my files\\a b", true, true},
      {"/cygdrive/c/x", true, true},
      {"R&D|x;y$z^<>()", true, true},
      {"50%", true, true},
      {"%%", true, true},
      {"照片😀 مرحبا שלום \u202Etxt", true, true},
      {"a\tb", false, false},
      {"a\rb", false, false},
      {"x]\r\n[y", false, false},
      {"a\0b"s, false, false},
      {"a\x7F", false, false},
      {"say \"x\"", true, false},
      {"%USERPROFILE%\\x", true, false},
      {"100%% and 5% of %x", true, false},  // "% and 5%" would be read as a name
      {"a%b%c", true, false},
  };
  for (const Case& c : cases) {
    Status line = CheckLineText("共享名", c.text);
    Status command = CheckCommandText("本地目录", c.text);
    EXPECT_EQ(line.ok(), c.lineOk) << c.text;
    EXPECT_EQ(command.ok(), c.commandOk) << c.text;
    if (!line.ok()) {
      EXPECT_EQ(line.error().message.rfind("“共享名”", 0), 0u);
    }
    if (!command.ok()) {
      EXPECT_EQ(command.error().message.rfind("“本地目录”", 0), 0u);
    }
  }
}

TEST(InputChecks, LengthIsCountedAsCmdExeCountsIt) {
  EXPECT_EQ(InterpreterLength("abc"), 3u);
  EXPECT_EQ(InterpreterLength("共享"), 2u);  // one UTF-16 unit each
  EXPECT_EQ(InterpreterLength("😀"), 2u);     // a surrogate pair
  EXPECT_TRUE(CheckCommandLength(std::string(8191, 'x'), "端口号").ok());
  Status tooLong = CheckCommandLength(std::string(8192, 'x'), "端口号");
  ASSERT_FALSE(tooLong.ok());
  EXPECT_NE(tooLong.error().message.find("8192"), std::string::npos);
  EXPECT_NE(tooLong.error().message.find("“端口号”"), std::string::npos);
}

}  // namespace
}  // namespace mirvo
