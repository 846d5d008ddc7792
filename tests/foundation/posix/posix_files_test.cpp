#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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

}  // namespace
}  // namespace mirvo
