// Inputs that would change the meaning of a configuration line or of a cmd.exe command line are
// refused with the field's name; everything an ordinary user types passes untouched.
#include "foundation/input_checks.h"

#include <gtest/gtest.h>

#include <string>

#include "client/transfer_checks.h"
#include "daemon/daemon_checks.h"
#include "foundation/posix/posix_platform.h"

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

TEST(InputChecks, WindowSettingsAreCheckedOnlyWhereTheyAreUsed) {
  const std::string folder = "D:\\Tools\\Sync";
  struct DaemonCase {
    DaemonSettings settings;
    std::string field;  // empty: accepted
  } daemonCases[] = {
      {{}, ""},
      {{.ShareName = "x]\r\n[y"}, "共享名"},
      {{.ShareName = "a]b"}, "共享名"},
      {{.SharePath = "d:\\a\nb"}, "共享目录"},
      {{.Port = "873\" & calc"}, "端口号"},
      {{.BandwidthLimit = "%X%"}, ""},  // not used without the limit
      {{.LimitBandwidth = true, .BandwidthLimit = "%X%"}, "限速值"},
      {{.UserName = "u\\"}, ""},  // not used without authentication
      {{.Authenticate = true, .UserName = "u\\"}, "用户名"},
      {{.Authenticate = true, .Password = "p\r\nroot:x"}, "密码"},
      {{.Authenticate = true, .UserName = "a b,c", .Password = "p:q \"r\" %x%"}, ""},
      {{.Port = std::string(9000, '8')}, "请缩短“端口号”"},
  };
  for (const DaemonCase& c : daemonCases) {
    Status status = CheckDaemonSettings(c.settings, folder);
    EXPECT_EQ(status.ok(), c.field.empty()) << c.field;
    if (!status.ok()) {
      EXPECT_NE(status.error().message.find(c.field), std::string::npos);
    }
  }
  EXPECT_FALSE(CheckDaemonSettings({}, "D:\\100%\\x%").ok()) << "the program folder too";

  const PosixPlatform platform(folder);
  struct TransferCase {
    TransferSettings settings;
    std::string field;
  } transferCases[] = {
      {{.ServerAddress = "127.0.0.1"}, ""},
      {{.ServerAddress = "127.0.0.1\n"}, "服务端IP"},
      {{.ServerAddress = "127.0.0.1", .Module = "a\"&calc&\"b"}, "源共享名"},
      {{.ServerAddress = "127.0.0.1", .LocalFolder = "%TEMP%\\x"}, "本地目录"},
      {{.ServerAddress = "127.0.0.1", .UserName = "u\""}, ""},
      {{.ServerAddress = "127.0.0.1", .Authenticate = true, .UserName = "u\""}, "用户名"},
      {{.ServerAddress = "127.0.0.1", .Password = "a\nb"}, ""},
      {{.ServerAddress = "127.0.0.1", .Authenticate = true, .Password = "a\nb"}, "密码"},
      {{.ServerAddress = "127.0.0.1", .Authenticate = true, .Password = "\"%x%\""}, ""},
      {{.ServerAddress = "127.0.0.1", .IntervalMinutes = "\n"}, ""},
      {{.ServerAddress = "127.0.0.1", .Password = "😀"}, ""},
      {{.ServerAddress = "127.0.0.1", .Authenticate = true, .Password = "😀"}, "密码"},
      {{.ServerAddress = "127.0.0.1", .LocalFolder = std::string(8200, 'c')}, "请缩短“本地目录”"},
  };
  for (const TransferCase& c : transferCases) {
    Status status = CheckTransferSettings(platform, c.settings);
    EXPECT_EQ(status.ok(), c.field.empty()) << c.field;
    if (!status.ok()) {
      EXPECT_NE(status.error().message.find(c.field), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace mirvo
