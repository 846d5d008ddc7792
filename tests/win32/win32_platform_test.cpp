#include "foundation/win32/win32_platform.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "foundation/ansi_code_page.h"
#include "foundation/names.h"
#include "foundation/win32/wide_text.h"
#include "support/temp_folder.h"
#include "support/wait_until.h"

namespace mirvo {
namespace {

namespace fs = std::filesystem;
using testing::WaitUntil;

// A fresh program folder under the temporary folder, removed after the test.
class Win32PlatformTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(folder_ / "bin");
    platform_ = std::make_unique<Win32Platform>(Folder());
  }
  std::string Folder() const { return win32::Narrow(folder_.wstring()); }
  std::string Path(const char* name) const { return Folder() + "\\" + name; }
  void Touch(const char* name, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
    std::ofstream(folder_ / name) << "x";
    SetFileAttributesW((folder_ / name).c_str(), attributes);
  }

  testing::TempFolder temp_;
  fs::path folder_ = testing::Utf8Path(temp_.path());
  std::unique_ptr<Win32Platform> platform_;
};

TEST(Win32AnsiCodePage, IsGbkUnderAChineseLocale) {
  EXPECT_EQ(GetACP(), 936u);
  Result<std::string> bytes = EncodeAnsi("共享");
  ASSERT_TRUE(bytes.ok());
  EXPECT_EQ(bytes.value(), "\xB9\xB2\xCF\xED");
  Result<std::string> emoji = EncodeAnsi("d:\\😀");
  ASSERT_FALSE(emoji.ok());
  EXPECT_NE(emoji.error().message.find("U+1F600"), std::string::npos);
}

TEST(Win32ProgramFolder, IsTheRunningProgramsFolderWithoutTrailingSeparator) {
  Win32Platform platform;
  std::string folder = platform.ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), '\\');
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  EXPECT_EQ(win32::Widen(folder), fs::path(path).parent_path().wstring());
}

TEST_F(Win32PlatformTest, FileExistsFindsOnlyNormalReadOnlyAndArchiveFiles) {
  Touch("normal");
  Touch("readonly", FILE_ATTRIBUTE_READONLY);
  Touch("archive", FILE_ATTRIBUTE_ARCHIVE);
  Touch("hidden", FILE_ATTRIBUTE_HIDDEN);
  Touch("system", FILE_ATTRIBUTE_SYSTEM);
  fs::create_directories(folder_ / "bin" / "rsync.exe");
  fs::create_directories(folder_ / "hid");
  Touch("hid\\rsync.exe", FILE_ATTRIBUTE_HIDDEN);
  struct Case {
    const char* name;
    bool found;
  } cases[] = {{"normal", true},  {"readonly", true}, {"archive", true},        {"hidden", false},
               {"system", false}, {"missing", false}, {"bin\\rsync.exe", false}};
  for (const Case& c : cases) EXPECT_EQ(platform_->FileExists(Path(c.name)), c.found) << c.name;
  for (const char* name : {"readonly", "hidden", "system", "hid\\rsync.exe"}) {
    SetFileAttributesW((folder_ / name).c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

TEST_F(Win32PlatformTest, WritesExactBytesAndNamesTheFileWhenItCannot) {
  std::string path = Path("rsyncd.conf");
  ASSERT_TRUE(
      platform_->WriteFileBytes(path, "old content that is longer", FileAccess::Normal).ok());
  ASSERT_TRUE(platform_->WriteFileBytes(path, "\xB9\xB2\r\n", FileAccess::Private).ok());
  Result<std::string> read = platform_->ReadFileBytes(path);
  ASSERT_TRUE(read.ok());
  EXPECT_EQ(read.value(), "\xB9\xB2\r\n");

  fs::create_directories(folder_ / "adir");
  Status blocked = platform_->WriteFileBytes(Path("adir"), "x", FileAccess::Normal);
  ASSERT_FALSE(blocked.ok());
  EXPECT_NE(blocked.error().message.find(Path("adir")), std::string::npos);
  EXPECT_FALSE(platform_->ReadFileBytes(Path("missing")).ok());
}

std::string WaitForRecord(const fs::path& file, std::size_t lines) {
  std::string text;
  WaitUntil([&] {
    text = testing::ReadAll(testing::Utf8Text(file));
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) >= lines;
  });
  return text;
}

TEST_F(Win32PlatformTest, StartsTheExactCommandLineAndTaskkillEndsIt) {
  fs::copy_file(RECORDING_RSYNC, folder_ / "bin" / "rsync.exe");
  std::string rest = Folder() + "\\bin\\rsync --config=/cygdrive/x/rsyncd.conf --port=873    " +
                     "--daemon --no-detach";
  Result<std::shared_ptr<CommandWatch>> daemon =
      platform_->RunCommand("cmd.exe /c " + rest, WindowMode::Hidden);
  ASSERT_TRUE(daemon.ok()) << daemon.error().message;
  std::string recorded = WaitForRecord(folder_ / "bin" / "recorded.txt", 1);
  // cmd.exe hands the program the rest of the line, spaces included.
  EXPECT_NE(recorded.find("--port=873    --daemon --no-detach"), std::string::npos) << recorded;
  EXPECT_FALSE(daemon.value()->Ended());

  Result<std::shared_ptr<CommandWatch>> stop =
      platform_->RunCommand(std::string(StopDaemonCommand), WindowMode::Hidden);
  ASSERT_TRUE(stop.ok());
  EXPECT_TRUE(WaitUntil([&] { return daemon.value()->Ended(); }));
}

TEST_F(Win32PlatformTest, QuotedFolderWithSpaceReachesTheProgramWhole) {
  fs::path spaced = folder_ / "with space";
  fs::create_directories(spaced / "bin");
  fs::copy_file(RECORDING_RSYNC, spaced / "bin" / "rsync.exe");
  std::string program = win32::Narrow(spaced.wstring()) + "\\bin\\rsync";
  std::string line = "cmd.exe /c \"\"" + program + "\" \"--x=a b\"  y\"";
  Result<std::shared_ptr<CommandWatch>> run = platform_->RunCommand(line, WindowMode::Hidden);
  ASSERT_TRUE(run.ok());
  std::string recorded = WaitForRecord(spaced / "bin" / "recorded.txt", 1);
  EXPECT_NE(recorded.find("\"--x=a b\"  y"), std::string::npos) << recorded;
}

}  // namespace
}  // namespace mirvo
