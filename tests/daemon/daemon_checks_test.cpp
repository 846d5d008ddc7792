// Daemon settings that would change a line of rsyncd.conf or of rsyncd.secrets, or the daemon's
// command line, are refused with the field's name, but only where the setting is used.
#include "daemon/daemon_checks.h"

#include <gtest/gtest.h>

#include <string>

namespace mirvo {
namespace {

TEST(DaemonChecks, SettingsAreCheckedOnlyWhereTheyAreUsed) {
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
}

}  // namespace
}  // namespace mirvo
