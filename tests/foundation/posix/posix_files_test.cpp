#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>

#include "foundation/posix/posix_platform.h"
#include "support/temp_folder.h"

namespace mirvo {
namespace {

using testing::ModeOf;
using testing::ReadAll;
using testing::TempFolder;

TEST(PosixProgramFolder, IsTheExecutablesFolderWithoutTrailingSlash) {
  struct Case {
    const char* executable;
    const char* folder;
  } cases[] = {
      {"/opt/mirvo/mirvo", "/opt/mirvo"},
      {"/mirvo", "/"},
      {"/a b/共享/mirvo", "/a b/共享"},
  };
  for (const Case& c : cases) EXPECT_EQ(FolderOf(c.executable), c.folder) << c.executable;

  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self);
  ASSERT_GT(n, 0);
  EXPECT_EQ(PosixPlatform().ProgramFolder(), FolderOf(std::string(self, n)));
  EXPECT_EQ(PosixPlatform("/staged/folder").ProgramFolder(), "/staged/folder");
}

TEST(PosixFileExists, FindsOnlyVisibleRegularFiles) {
  TempFolder dir;
  dir.Write("plain.txt", "x");
  dir.Write(".hidden", "x");
  dir.Write("rsync.exe", "x", 0755);
  mkdir((dir / "folder").c_str(), 0755);
  mkdir((dir / ".dotfolder").c_str(), 0755);
  dir.Write(".dotfolder/inside", "x");
  symlink((dir / "plain.txt").c_str(), (dir / "link").c_str());
  symlink((dir / "folder").c_str(), (dir / "folderlink").c_str());
  symlink((dir / "gone").c_str(), (dir / "dangling").c_str());

  struct Case {
    std::string path;
    bool exists;
  } cases[] = {
      {dir / "plain.txt", true},
      {dir.path() + "\\plain.txt", true},  // "\" is a separator
      {dir.path() + "\\rsync.exe", true},
      {dir / "link", true},  // links are followed
      {dir / ".dotfolder/inside", true},
      {dir / ".hidden", false},
      {dir.path() + "\\.hidden", false},
      {dir / "folder", false},
      {dir / "folder/", false},
      {dir / "folderlink", false},
      {dir / "dangling", false},
      {dir / "missing", false},
      {"", false},
  };
  PosixPlatform platform;
  for (const Case& c : cases) EXPECT_EQ(platform.FileExists(c.path), c.exists) << c.path;
}

TEST(PosixWriteFileBytes, CreatesOrTruncatesAndMakesSecretsPrivate) {
  TempFolder dir;
  PosixPlatform platform(dir.path());
  const std::string file = dir.path() + "\\rsyncd.secrets";
  const std::string native = dir / "rsyncd.secrets";

  ASSERT_TRUE(platform.WriteFileBytes(file, "a long first text\r\n", FileAccess::Normal).ok());
  EXPECT_EQ(ReadAll(native), "a long first text\r\n");
  chmod(native.c_str(), 0644);

  // An existing readable file becomes private, and nothing of the old content survives.
  ASSERT_TRUE(platform.WriteFileBytes(file, "user:pw\r\n", FileAccess::Private).ok());
  EXPECT_EQ(ReadAll(native), "user:pw\r\n");
  EXPECT_EQ(ModeOf(native), 0600u);

  ASSERT_TRUE(platform.WriteFileBytes(dir.path() + "\\new.secrets", "", FileAccess::Private).ok());
  EXPECT_EQ(ModeOf(dir / "new.secrets"), 0600u);
  EXPECT_EQ(ReadAll(dir / "new.secrets"), "");

  mode_t mask = umask(022);
  ASSERT_TRUE(platform.WriteFileBytes(dir.path() + "\\rsyncd.conf", "x", FileAccess::Normal).ok());
  umask(mask);
  EXPECT_EQ(ModeOf(dir / "rsyncd.conf"), 0644u);

  Result<std::string> back = platform.ReadFileBytes(file);
  ASSERT_TRUE(back.ok());
  EXPECT_EQ(back.value(), "user:pw\r\n");
}

TEST(PosixWriteFileBytes, FailuresNameTheFileAndTheReason) {
  TempFolder dir;
  mkdir((dir / "folder").c_str(), 0755);
  PosixPlatform platform(dir.path());
  struct Case {
    std::string path;
    const char* reason;
  } cases[] = {
      {dir.path() + "\\missing\\rsyncd.conf", "文件夹不存在"},
      {dir.path() + "\\folder", "这是一个文件夹"},
  };
  for (const Case& c : cases) {
    Status status = platform.WriteFileBytes(c.path, "x", FileAccess::Normal);
    ASSERT_FALSE(status.ok()) << c.path;
    EXPECT_EQ(status.error().message,
              "无法写入文件“" + NativePath(c.path) + "”：" + std::string(c.reason));
  }

  if (access("/dev/full", W_OK) == 0) {
    Status full = platform.WriteFileBytes("/dev/full", "x", FileAccess::Normal);
    ASSERT_FALSE(full.ok());
    EXPECT_EQ(full.error().message, "无法写入文件“/dev/full”：磁盘空间不足");
    // A write that fails removes a cut-off regular file, and never a device.
    struct stat info;
    ASSERT_EQ(stat("/dev/full", &info), 0) << "/dev/full was removed";
    EXPECT_TRUE(S_ISCHR(info.st_mode));
  }

  Result<std::string> missing = platform.ReadFileBytes(dir.path() + "\\none");
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error().message, "无法读取文件“" + (dir / "none") + "”：文件不存在");
}

TEST(PosixWriteFileBytes, ReadOnlyFolderIsRefusedForOrdinaryUsers) {
  if (geteuid() == 0) GTEST_SKIP() << "root may write into any folder";
  TempFolder dir;
  chmod(dir.path().c_str(), 0555);
  Status status =
      PosixPlatform(dir.path()).WriteFileBytes(dir.path() + "\\x", "x", FileAccess::Normal);
  chmod(dir.path().c_str(), 0755);
  ASSERT_FALSE(status.ok());
  EXPECT_NE(status.error().message.find("没有权限"), std::string::npos) << status.error().message;
}

TEST(PosixAppendFileBytes, AddsAtTheEndSizesAndRenamesOverAnOlderFile) {
  TempFolder dir;
  PosixPlatform platform(dir.path());
  const std::string log = dir.path() + "\\mirvo-transfers.log";
  const std::string older = dir.path() + "\\mirvo-transfers.log.1";

  Result<std::uint64_t> none = platform.FileSize(log);
  ASSERT_TRUE(none.ok());
  EXPECT_EQ(none.value(), 0u);

  for (const char* line : {"第一行\r\n", "", "second\r\n"}) {
    ASSERT_TRUE(platform.AppendFileBytes(log, line).ok()) << line;
  }
  EXPECT_EQ(ReadAll(dir / "mirvo-transfers.log"), "第一行\r\nsecond\r\n");
  Result<std::uint64_t> size = platform.FileSize(log);
  ASSERT_TRUE(size.ok());
  EXPECT_EQ(size.value(), std::string("第一行\r\nsecond\r\n").size());

  dir.Write("mirvo-transfers.log.1", "an older log");
  ASSERT_TRUE(platform.RenameReplacing(log, older).ok());
  EXPECT_EQ(ReadAll(dir / "mirvo-transfers.log.1"), "第一行\r\nsecond\r\n");
  EXPECT_EQ(access((dir / "mirvo-transfers.log").c_str(), F_OK), -1);
  ASSERT_TRUE(platform.AppendFileBytes(log, "new\r\n").ok());
  EXPECT_EQ(ReadAll(dir / "mirvo-transfers.log"), "new\r\n");
}

TEST(PosixAppendFileBytes, FailuresNameTheFileAndTheReason) {
  TempFolder dir;
  mkdir((dir / "folder").c_str(), 0755);
  PosixPlatform platform(dir.path());
  struct Case {
    const char* what;
    Status status;
    std::string message;
  } cases[] = {
      {"append to a folder", platform.AppendFileBytes(dir.path() + "\\folder", "x"),
       "无法写入文件“" + (dir / "folder") + "”：这是一个文件夹"},
      {"append in a missing folder", platform.AppendFileBytes(dir.path() + "\\no\\log", "x"),
       "无法写入文件“" + (dir / "no/log") + "”：文件夹不存在"},
      {"size of a folder", platform.FileSize(dir.path() + "\\folder").status(),
       "无法读取文件“" + (dir / "folder") + "”：这是一个文件夹"},
      {"rename a missing file", platform.RenameReplacing(dir / "gone", dir / "other"),
       "无法把文件“" + (dir / "gone") + "”改名为“" + (dir / "other") + "”：文件不存在"},
  };
  for (const Case& c : cases) {
    ASSERT_FALSE(c.status.ok()) << c.what;
    EXPECT_EQ(c.status.error().message, c.message) << c.what;
  }
}

TEST(PosixLocalTimestamp, IsTheLocalTimeWithItsOffset) {
  const char* saved = std::getenv("TZ");
  std::string savedZone = saved != nullptr ? saved : "";
  struct Case {
    const char* zone;
    const char* offset;
  } cases[] = {{"UTC0", "+00:00"}, {"CST-8", "+08:00"}, {"NST3:30", "-03:30"}};
  for (const Case& c : cases) {
    setenv("TZ", c.zone, 1);
    tzset();
    std::time_t before = std::time(nullptr);
    std::string stamp = PosixPlatform().LocalTimestamp();
    ASSERT_EQ(stamp.size(), 25u) << stamp;
    EXPECT_EQ(stamp.substr(19), c.offset) << c.zone;
    struct tm local {};
    localtime_r(&before, &local);
    char minute[20];
    std::strftime(minute, sizeof minute, "%Y-%m-%dT%H:%M", &local);
    // Read within the same minute, both say the same date, hour and minute.
    if (std::time(nullptr) / 60 == before / 60) {
      EXPECT_EQ(stamp.substr(0, 16), minute) << c.zone;
    }
  }
  if (saved != nullptr) {
    setenv("TZ", savedZone.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}

}  // namespace
}  // namespace mirvo
