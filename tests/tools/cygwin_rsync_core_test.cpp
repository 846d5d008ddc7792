#include "cygwin_rsync_core.h"

#include <gtest/gtest.h>

namespace mirvo::cygwin_rsync {
namespace {

TEST(MapArgument, MapsCygwinPathsInBareArgumentsAndOptionValues) {
  struct Case {
    const char* argument;
    const char* mapped;
  } cases[] = {
      {"/cygdrive//opt/mirvo/rsyncd.conf", "/opt/mirvo/rsyncd.conf"},
      {"/cygdrive/c/test", "/mnt/c/test"},
      {"/cygdrive/D/Tools/Sync/", "/mnt/D/Tools/Sync/"},
      {"/cygdrive/c", "/mnt/c"},
      {"/cygdrive/", "/mnt/"},
      {"/cygdrive//", "/"},
      {"/cygdrive///x", "//x"},
      {"/cygdrive//cygdrive/c/x", "/cygdrive/c/x"},  // mapped once, as Cygwin reads it
      {"/cygdrive/d/共享 目录", "/mnt/d/共享 目录"},
      {"--config=/cygdrive//opt/m/rsyncd.conf", "--config=/opt/m/rsyncd.conf"},
      {"--password-file=/cygdrive/E//rsync.secrets", "--password-file=/mnt/E//rsync.secrets"},
      {"--port=873", "--port=873"},
      {"--config=relative.conf", "--config=relative.conf"},
      {"test@127.0.0.1::test", "test@127.0.0.1::test"},
      {"/cygdrivex/c", "/cygdrivex/c"},
      {"/cygdrive", "/cygdrive"},
      {"x=/cygdrive/c/y", "x=/cygdrive/c/y"},  // not an option: a file name that holds "="
      {"-avz", "-avz"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(MapArgument(c.argument), c.mapped) << c.argument;
}

TEST(TranslateDaemonConfig, MapsPathsAndDropsIdsOnlyWhenAsked) {
  const std::string original =
      "uid = 0\r\n"
      "gid = 0\r\n"
      "use chroot = false\r\n"
      "dont compress = *.gz *.tgz\r\n"
      "[共享]\r\n"
      "path = /cygdrive//srv/共享\r\n"
      "read only = true\r\n"
      "auth users = user\r\n"
      "secrets file = /cygdrive/D/Tools/Sync/rsyncd.secrets\r\n"
      "\r\n";
  const std::string asRoot =
      "uid = 0\r\n"
      "gid = 0\r\n"
      "use chroot = false\r\n"
      "dont compress = *.gz *.tgz\r\n"
      "[共享]\r\n"
      "path = /srv/共享\r\n"
      "read only = true\r\n"
      "auth users = user\r\n"
      "secrets file = /mnt/D/Tools/Sync/rsyncd.secrets\r\n"
      "\r\n";
  EXPECT_EQ(TranslateDaemonConfig(original, true), asRoot);
  EXPECT_EQ(TranslateDaemonConfig(original, false),
            asRoot.substr(std::string("uid = 0\r\ngid = 0\r\n").size()));
}

TEST(TranslateDaemonConfig, ReadsParameterNamesAsRsyncDoes) {
  struct Case {
    const char* line;
    const char* asUser;  // translated without the right to change users
  } cases[] = {
      {"  UID=0\n", ""},
      {"G id = 0\n", ""},
      {"uid\t= 0", ""},  // the last line may lack a line end
      {"uidx = 0\n", "uidx = 0\n"},
      {"  Path=/cygdrive/c/x\n", "  Path=/mnt/c/x\n"},
      {"secretsfile =   /cygdrive//s\n", "secretsfile =   /s\n"},
      {"# path = /cygdrive/c/x\n", "# path = /cygdrive/c/x\n"},
      {"; uid = 0\n", "; uid = 0\n"},
      {"[/cygdrive/c]\n", "[/cygdrive/c]\n"},
      {"comment = see /cygdrive/c/x\n", "comment = see /cygdrive/c/x\n"},
      // Only values that name a file or folder are paths; a user name stays as written.
      {"auth users = /cygdrive/c\n", "auth users = /cygdrive/c\n"},
      {"comment = /cygdrive/c/x\n", "comment = /cygdrive/c/x\n"},
      {"Log File = /cygdrive//var/log/r\n", "Log File = /var/log/r\n"},
      {"no equals sign\r\n", "no equals sign\r\n"},
      {"\n", "\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(TranslateDaemonConfig(c.line, false), c.asUser) << c.line;
}

TEST(TranslatedConfigName, IsStablePerOriginalAndDistinctBetweenThem) {
  EXPECT_EQ(TranslatedConfigName("/a/rsyncd.conf"), TranslatedConfigName("/a/rsyncd.conf"));
  EXPECT_NE(TranslatedConfigName("/a/rsyncd.conf"), TranslatedConfigName("/b/rsyncd.conf"));
  EXPECT_NE(TranslatedConfigName("/a/rsyncd.conf"), TranslatedConfigName("/a/rsyncd.conf2"));
  std::string name = TranslatedConfigName("/a/rsyncd.conf");
  EXPECT_EQ(name.rfind("rsyncd-", 0), 0u);
  EXPECT_EQ(name.size(), std::string("rsyncd-0123456789abcdef.conf").size());
}

TEST(DaemonLogPath, TakesOnlyAPlainNameInThePrivateFolder) {
  struct Case {
    const char* requested;
    const char* path;
  } cases[] = {
      {"/run/user/7/mirvo-rsync/rsyncd-Ab12Cd.log", "/run/user/7/mirvo-rsync/rsyncd-Ab12Cd.log"},
      {"", "/run/user/7/mirvo-rsync/rsyncd.log"},
      {"/tmp/rsyncd.log", "/run/user/7/mirvo-rsync/rsyncd.log"},
      {"/run/user/7/mirvo-rsync/../x.log", "/run/user/7/mirvo-rsync/rsyncd.log"},
      {"/run/user/7/mirvo-rsync/sub/x.log", "/run/user/7/mirvo-rsync/rsyncd.log"},
      {"/run/user/7/mirvo-rsync/..", "/run/user/7/mirvo-rsync/rsyncd.log"},
      {"/run/user/7/mirvo-rsync/", "/run/user/7/mirvo-rsync/rsyncd.log"},
      {"/run/user/7/mirvo-rsync-other/x.log", "/run/user/7/mirvo-rsync/rsyncd.log"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DaemonLogPath("/run/user/7/mirvo-rsync", c.requested), c.path) << c.requested;
  }
}

TEST(NeedsDaemonLog, OnlyForADaemonThatNamesNoLogOfItsOwn) {
  using Words = std::vector<std::string>;
  struct Case {
    Words arguments;
    bool needed;
  } cases[] = {
      {{"--config=/a/rsyncd.conf", "--port=873", "--daemon", "--no-detach"}, true},
      {{"--daemon", "--log-file=/x.log"}, false},
      {{"--log-file", "/x.log", "--daemon"}, false},
      {{"-av", "/a/", "rsync://127.0.0.1/m/"}, false},
      {{"--daemonize"}, false},
  };
  for (const Case& c : cases) EXPECT_EQ(NeedsDaemonLog(c.arguments), c.needed);
}

}  // namespace
}  // namespace mirvo::cygwin_rsync
