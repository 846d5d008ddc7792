// Transfer settings that would change the transfer's command line or the password file are
// refused with the field's name, but only where the setting is used.
#include "client/transfer_checks.h"

#include <gtest/gtest.h>

#include <string>

#include "support/fake_platform.h"

namespace mirvo {
namespace {

using testing::FakePlatform;

TEST(TransferChecks, SettingsAreCheckedOnlyWhereTheyAreUsed) {
  const FakePlatform platform("D:\\Tools\\Sync");
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
