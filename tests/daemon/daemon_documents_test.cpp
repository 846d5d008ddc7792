#include "daemon/daemon_documents.h"

#include <gtest/gtest.h>

#include "daemon/utf8_rewrite.h"
#include "foundation/ansi_code_page.h"
#include "support/fake_platform.h"

namespace mirvo {
namespace {

using testing::FakePlatform;

const std::string kGlobalLines =
    "uid = 0\r\n"
    "gid = 0\r\n"
    "use chroot = false\r\n"
    "strict modes = true\r\n"
    "fake super = yes\r\n"
    "dont compress = *.gz *.tgz *.zip *.rpm *.deb *.iso *.bz2 *.tbz *.7z *.rar *.arj *.jar *.cab "
    "*.avi *.mp4 *.rmvb *.rm *.mp3 *.ape *.flv *.wma *.wmv\r\n"
    "hosts allow = *\r\n";

TEST(BuildDaemonConfig, DefaultsGiveThe317ByteDocumentOnceWritten) {
  const std::string config = BuildDaemonConfig(DaemonSettings{}, "D:\\Tools\\Sync");
  EXPECT_EQ(config, kGlobalLines +
                        "[test]\r\n"
                        "path = /cygdrive/c/test\r\n"
                        "read only = true\r\n"
                        "transfer logging = no\r\n");
  EXPECT_EQ(config.size() + 2, 317u);  // WriteTextFile adds the final CR LF
}

TEST(BuildDaemonConfig, ModuleLinesFollowTheSettings) {
  struct Case {
    const char* name;
    DaemonSettings settings;
    std::string folder;
    std::string moduleLines;
  } cases[] = {
      {"writable",
       {.ReadOnly = false},
       "D:\\Tools\\Sync",
       "[test]\r\npath = /cygdrive/c/test\r\nread only = false\r\ntransfer logging = no\r\n"},
      {"authenticated",
       {.Authenticate = true},
       "D:\\Tools\\Sync",
       "[test]\r\npath = /cygdrive/c/test\r\nread only = true\r\ntransfer logging = no\r\n"
       "auth users = user\r\nsecrets file = /cygdrive/D/Tools/Sync/rsyncd.secrets\r\n"},
      {"drive root",
       {.Authenticate = true},
       "E:\\",
       "[test]\r\npath = /cygdrive/c/test\r\nread only = true\r\ntransfer logging = no\r\n"
       "auth users = user\r\nsecrets file = /cygdrive/E//rsyncd.secrets\r\n"},
      {"trailing backslash",
       {.SharePath = "c:\\test\\"},
       "D:\\T",
       "[test]\r\npath = /cygdrive/c/test/\r\nread only = true\r\ntransfer logging = no\r\n"},
      {"space kept",
       {.SharePath = "d:\\my files"},
       "D:\\T",
       "[test]\r\npath = /cygdrive/d/my files\r\nread only = true\r\ntransfer logging = no\r\n"},
      {"already cygwin",
       {.SharePath = "/cygdrive/c/x"},
       "D:\\T",
       "[test]\r\npath = /cygdrive//cygdrive/c/x\r\nread only = true\r\n"
       "transfer logging = no\r\n"},
      {"empty texts",
       {.SharePath = "", .ShareName = "", .Authenticate = true, .UserName = ""},
       "D:\\T",
       "[]\r\npath = /cygdrive/\r\nread only = true\r\ntransfer logging = no\r\n"
       "auth users = \r\nsecrets file = /cygdrive/D/T/rsyncd.secrets\r\n"},
      {"port and limit play no part",
       {.Port = "", .LimitBandwidth = true, .BandwidthLimit = "9"},
       "D:\\T",
       "[test]\r\npath = /cygdrive/c/test\r\nread only = true\r\ntransfer logging = no\r\n"},
      {"chinese names",
       {.SharePath = "d:\\共享", .ShareName = "共享"},
       "D:\\T",
       "[共享]\r\npath = /cygdrive/d/共享\r\nread only = true\r\ntransfer logging = no\r\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BuildDaemonConfig(c.settings, c.folder), kGlobalLines + c.moduleLines) << c.name;
  }
}

TEST(BuildSecretsText, UserColonPasswordOnlyWithAuthentication) {
  struct Case {
    DaemonSettings settings;
    const char* text;
  } cases[] = {
      {{}, ""},
      {{.Authenticate = true}, "user:504182"},
      {{.Authenticate = true, .Password = ""}, "user:"},
      {{.Authenticate = true, .UserName = "a b,c", .Password = "p:q r"}, "a b,c:p:q r"},
  };
  for (const Case& c : cases) EXPECT_EQ(BuildSecretsText(c.settings), c.text);
}

TEST(WriteDaemonFiles, WritesConfigurationThenPrivateSecrets) {
  struct Case {
    const char* name;
    DaemonSettings settings;
    std::string secrets;
  } cases[] = {
      {"no authentication", {}, "\r\n"},
      {"authentication", {.Authenticate = true}, "user:504182\r\n"},
      // The name stays UTF-8 to match the UTF-8 configuration; the password is GBK.
      {"chinese user and password",
       {.Authenticate = true, .UserName = "共享", .Password = "共享"},
       "\xE5\x85\xB1\xE4\xBA\xAB:\xB9\xB2\xCF\xED\r\n"},
      {"empty password", {.Authenticate = true, .Password = ""}, "user:\r\n"},
  };
  for (const Case& c : cases) {
    FakePlatform platform;
    ASSERT_TRUE(WriteDaemonFiles(platform, c.settings).ok()) << c.name;
    EXPECT_EQ(platform.events, (std::vector<std::string>{"write D:\\Tools\\Sync\\rsyncd.conf",
                                                         "write D:\\Tools\\Sync\\rsyncd.secrets"}));
    const auto& config = platform.files["D:\\Tools\\Sync\\rsyncd.conf"];
    // Written in the ANSI code page; the rewrite to UTF-8 is a separate step.
    EXPECT_EQ(config.bytes,
              EncodeAnsi(BuildDaemonConfig(c.settings, "D:\\Tools\\Sync")).value() + "\r\n");
    const auto& secrets = platform.files["D:\\Tools\\Sync\\rsyncd.secrets"];
    EXPECT_EQ(secrets.bytes, c.secrets) << c.name;
    EXPECT_EQ(secrets.access, FileAccess::Private) << c.name;
  }
}

TEST(WriteDaemonFiles, TurningAuthenticationOffErasesTheSecretsLine) {
  FakePlatform platform;
  ASSERT_TRUE(WriteDaemonFiles(platform, {.Authenticate = true}).ok());
  ASSERT_TRUE(WriteDaemonFiles(platform, {}).ok());
  EXPECT_EQ(platform.files["D:\\Tools\\Sync\\rsyncd.secrets"].bytes, "\r\n");
}

TEST(WriteDaemonFiles, TextTheCodePageCannotHoldNamesTheFieldAndWritesNothing) {
  struct Case {
    DaemonSettings settings;
    const char* field;
  } cases[] = {
      {{.SharePath = "d:\\照片😀"}, "共享目录"},
      {{.ShareName = "x\xF0\xA0\x80\x80"}, "共享名"},
      {{.Authenticate = true, .UserName = "😀"}, "用户名"},
      {{.Authenticate = true, .Password = "p😀"}, "密码"},
  };
  for (const Case& c : cases) {
    FakePlatform platform;
    Status status = WriteDaemonFiles(platform, c.settings);
    ASSERT_FALSE(status.ok()) << c.field;
    EXPECT_NE(status.error().message.find(c.field), std::string::npos) << status.error().message;
    EXPECT_TRUE(platform.events.empty()) << c.field;
  }
  // Unused fields do not matter.
  FakePlatform platform;
  EXPECT_TRUE(WriteDaemonFiles(platform, {.UserName = "😀", .Password = "😀"}).ok());
}

TEST(WriteDaemonFiles, StopsAtTheFirstFileThatCannotBeWritten) {
  FakePlatform platform;
  platform.unwritable.insert("D:\\Tools\\Sync\\rsyncd.conf");
  Status status = WriteDaemonFiles(platform, {});
  ASSERT_FALSE(status.ok());
  EXPECT_NE(status.error().message.find("rsyncd.conf"), std::string::npos);
  EXPECT_EQ(platform.events, std::vector<std::string>{"write D:\\Tools\\Sync\\rsyncd.conf"});

  FakePlatform second;
  second.unwritable.insert("D:\\Tools\\Sync\\rsyncd.secrets");
  status = WriteDaemonFiles(second, {});
  ASSERT_FALSE(status.ok());
  EXPECT_NE(status.error().message.find("rsyncd.secrets"), std::string::npos);
}

TEST(RewriteAsUtf8, TurnsGbkIntoUtf8WithoutByteOrderMark) {
  struct Case {
    std::string ansi;
    std::string utf8;
  } cases[] = {
      {"[\xB9\xB2\xCF\xED]\r\npath = /cygdrive/d/\xB9\xB2\xCF\xED\r\n\r\n",
       "[\xE5\x85\xB1\xE4\xBA\xAB]\r\npath = /cygdrive/d/\xE5\x85\xB1\xE4\xBA\xAB\r\n\r\n"},
      {"uid = 0\r\n\r\n", "uid = 0\r\n\r\n"},
  };
  for (const Case& c : cases) {
    FakePlatform platform;
    platform.files["D:\\c"] = {c.ansi};
    ASSERT_TRUE(RewriteAsUtf8(platform, "D:\\c").ok());
    EXPECT_EQ(platform.files["D:\\c"].bytes, c.utf8);
  }
}

TEST(RewriteAsUtf8, FailuresNameTheFile) {
  FakePlatform missing;
  Status status = RewriteAsUtf8(missing, "D:\\rsyncd.conf");
  ASSERT_FALSE(status.ok());
  EXPECT_NE(status.error().message.find("D:\\rsyncd.conf"), std::string::npos);

  FakePlatform broken;
  broken.files["D:\\rsyncd.conf"] = {"ok\xFF"};
  status = RewriteAsUtf8(broken, "D:\\rsyncd.conf");
  ASSERT_FALSE(status.ok());
  EXPECT_NE(status.error().message.find("D:\\rsyncd.conf"), std::string::npos);
  EXPECT_EQ(broken.files["D:\\rsyncd.conf"].bytes, "ok\xFF");  // left as it was
}

}  // namespace
}  // namespace mirvo
