#include <gtest/gtest.h>

#include <filesystem>

#include "daemon/daemon_documents.h"
#include "daemon/disk_test_platform.h"
#include "daemon/utf8_rewrite.h"

namespace mirvo {
namespace {

using testing::DiskTestPlatform;

TEST(DaemonFilesOnDisk, DefaultsThenRewriteLeaveThe317Bytes) {
  DiskTestPlatform platform;
  ASSERT_TRUE(WriteDaemonFiles(platform, {}).ok());
  const std::string conf = platform.folder + "\\rsyncd.conf";
  ASSERT_TRUE(platform.FileExists(conf));
  ASSERT_TRUE(RewriteAsUtf8(platform, conf).ok());
  std::string written = platform.Read("rsyncd.conf");
  EXPECT_EQ(written.size(), 317u);
  EXPECT_EQ(written, BuildDaemonConfig({}, platform.folder) + "\r\n");
  EXPECT_EQ(platform.Read("rsyncd.secrets"), "\r\n");
  EXPECT_EQ(platform.Permissions("rsyncd.secrets"),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST(DaemonFilesOnDisk, ChineseShareEndsInUtf8AndSecretsInGbk) {
  DiskTestPlatform platform;
  DaemonSettings settings{
      .SharePath = "d:\\共享", .ShareName = "共享", .Authenticate = true, .Password = "密码"};
  ASSERT_TRUE(WriteDaemonFiles(platform, settings).ok());
  EXPECT_NE(platform.Read("rsyncd.conf").find("[\xB9\xB2\xCF\xED]\r\n"), std::string::npos);
  ASSERT_TRUE(RewriteAsUtf8(platform, platform.folder + "\\rsyncd.conf").ok());
  std::string conf = platform.Read("rsyncd.conf");
  EXPECT_EQ(conf, BuildDaemonConfig(settings, platform.folder) + "\r\n");
  EXPECT_NE(conf.find("[\xE5\x85\xB1\xE4\xBA\xAB]\r\npath = /cygdrive/d/\xE5\x85\xB1\xE4\xBA\xAB"),
            std::string::npos);
  EXPECT_EQ(conf.find("\xB9\xB2"), std::string::npos);
  EXPECT_NE(conf.substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_EQ(platform.Read("rsyncd.secrets"), "user:\xC3\xDC\xC2\xEB\r\n");
}

TEST(DaemonFilesOnDisk, UnwritableFilesAreErrorsWithTheSystemsReason) {
  struct Case {
    const char* name;
    void (*prepare)(const std::string& folder);
    const char* reason;
  } cases[] = {
      {"folder in the file's place",
       [](const std::string& folder) {
         std::filesystem::create_directory(folder + "/rsyncd.conf");
       },
       "Is a directory"},
      {"full disk",
       [](const std::string& folder) {
         std::filesystem::create_symlink("/dev/full", folder + "/rsyncd.conf");
       },
       "No space left on device"},
  };
  for (const Case& c : cases) {
    DiskTestPlatform platform;
    c.prepare(DiskTestPlatform::Native(platform.folder));
    Status status = WriteDaemonFiles(platform, {});
    ASSERT_FALSE(status.ok()) << c.name;
    EXPECT_NE(status.error().message.find("rsyncd.conf"), std::string::npos) << c.name;
    EXPECT_NE(status.error().message.find(c.reason), std::string::npos) << status.error().message;
    EXPECT_FALSE(platform.FileExists(platform.folder + "\\rsyncd.secrets")) << c.name;
  }
}

}  // namespace
}  // namespace mirvo
