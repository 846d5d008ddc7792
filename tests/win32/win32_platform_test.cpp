#include "foundation/win32/win32_platform.h"

#include <winsock2.h>
// after winsock2.h
#include <windows.h>
// after windows.h
#include <aclapi.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "foundation/ansi_code_page.h"
#include "foundation/names.h"
#include "foundation/win32/wide_text.h"
#include "support/queued_main_thread.h"
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

// Whether a file's DACL lets the current user read and write it, and whether it allows anything
// to anyone else (the system itself aside, which Wine always lists).
struct Rights {
  bool user = false;
  bool others = false;
};

Rights RightsOf(const fs::path& file) {
  Rights rights;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoW(file.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                            nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
    return rights;
  }
  HANDLE token = nullptr;
  BYTE user[256];
  BYTE system[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof user;
  OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
  GetTokenInformation(token, TokenUser, user, size, &size);
  CloseHandle(token);
  size = sizeof system;
  CreateWellKnownSid(WinLocalSystemSid, nullptr, system, &size);
  const DWORD readWrite = FILE_GENERIC_READ | FILE_GENERIC_WRITE;
  for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
    ACCESS_ALLOWED_ACE* ace = nullptr;
    if (!GetAce(dacl, i, reinterpret_cast<void**>(&ace)) ||
        ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE) {
      continue;
    }
    if (EqualSid(&ace->SidStart, reinterpret_cast<TOKEN_USER*>(user)->User.Sid)) {
      rights.user = (ace->Mask & readWrite) == readWrite;
    } else if (!EqualSid(&ace->SidStart, system) && ace->Mask != 0) {
      rights.others = true;
    }
  }
  LocalFree(descriptor);
  return rights;
}

TEST_F(Win32PlatformTest, PrivateFilesAreTheUsersAloneAndOthersKeepWhatTheyInherit) {
  struct Case {
    const char* name;
    std::vector<FileAccess> writes;  // in this order
    bool isPrivate;
  } cases[] = {
      {"rsyncd.secrets", {FileAccess::Private}, true},
      {"rsync.secrets", {FileAccess::Normal, FileAccess::Private, FileAccess::Private}, true},
      {"rsyncd.conf", {FileAccess::Normal}, false},
  };
  for (const Case& c : cases) {
    for (FileAccess access : c.writes) {
      ASSERT_TRUE(platform_->WriteFileBytes(Path(c.name), "x", access).ok()) << c.name;
    }
    Rights rights = RightsOf(folder_ / c.name);
    EXPECT_TRUE(rights.user) << c.name;
    EXPECT_EQ(rights.others, !c.isPrivate) << c.name;
  }
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
  if (!stop.ok()) {
    ADD_FAILURE() << stop.error().message;
    // The recorded daemon must not outlive the test.
    (void)std::system("taskkill /F /im rsync.exe >nul 2>&1");
    return;
  }
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

TEST_F(Win32PlatformTest, AppendsSizesAndRenamesOverAnOlderFile) {
  std::string log = Path("mirvo-transfers.log");
  std::string older = Path("mirvo-transfers.log.1");
  Result<std::uint64_t> none = platform_->FileSize(log);
  ASSERT_TRUE(none.ok());
  EXPECT_EQ(none.value(), 0u);

  for (const char* line : {"第一行\r\n", "", "second\r\n"}) {
    ASSERT_TRUE(platform_->AppendFileBytes(log, line).ok()) << line;
  }
  const std::string both = "第一行\r\nsecond\r\n";
  Result<std::string> read = platform_->ReadFileBytes(log);
  ASSERT_TRUE(read.ok());
  EXPECT_EQ(read.value(), both);
  Result<std::uint64_t> size = platform_->FileSize(log);
  ASSERT_TRUE(size.ok());
  EXPECT_EQ(size.value(), both.size());

  ASSERT_TRUE(platform_->WriteFileBytes(older, "an older log", FileAccess::Normal).ok());
  ASSERT_TRUE(platform_->RenameReplacing(log, older).ok());
  EXPECT_FALSE(platform_->FileExists(log));
  read = platform_->ReadFileBytes(older);
  ASSERT_TRUE(read.ok());
  EXPECT_EQ(read.value(), both);
  ASSERT_TRUE(platform_->AppendFileBytes(log, "new\r\n").ok());
  EXPECT_EQ(platform_->FileSize(log).value(), 5u);

  fs::create_directories(folder_ / "adir");
  Status failures[] = {platform_->AppendFileBytes(Path("adir"), "x"),
                       platform_->AppendFileBytes(Path("none\\log"), "x"),
                       platform_->FileSize(Path("adir")).status(),
                       platform_->RenameReplacing(Path("gone"), Path("other"))};
  for (const Status& failure : failures) {
    ASSERT_FALSE(failure.ok());
    EXPECT_NE(failure.error().message.find(Folder()), std::string::npos) << failure.error().message;
  }
}

TEST(Win32LocalTimestamp, IsTheLocalTimeWithTheSystemsOffset) {
  TIME_ZONE_INFORMATION zone;
  DWORD kind = GetTimeZoneInformation(&zone);
  LONG bias = zone.Bias + (kind == TIME_ZONE_ID_DAYLIGHT   ? zone.DaylightBias
                           : kind == TIME_ZONE_ID_STANDARD ? zone.StandardBias
                                                           : 0);
  const int ahead = -bias;
  char offset[8];
  std::snprintf(offset, sizeof offset, "%c%02d:%02d", ahead < 0 ? '-' : '+', std::abs(ahead) / 60,
                std::abs(ahead) % 60);

  SYSTEMTIME before;
  GetLocalTime(&before);
  std::string stamp = Win32Platform().LocalTimestamp();
  SYSTEMTIME after;
  GetLocalTime(&after);
  ASSERT_EQ(stamp.size(), 25u) << stamp;
  EXPECT_EQ(stamp.substr(19), offset);
  if (before.wMinute == after.wMinute) {
    char minute[20];
    std::snprintf(minute, sizeof minute, "%04u-%02u-%02uT%02u:%02u", before.wYear, before.wMonth,
                  before.wDay, before.wHour, before.wMinute);
    EXPECT_EQ(stamp.substr(0, 16), minute);
  }
}

bool WaitUntilEnded(const std::shared_ptr<CommandWatch>& watch) {
  return WaitUntil([&] { return watch->Ended(); });
}

TEST_F(Win32PlatformTest, ATransferEndsWithRsyncsExitStatus) {
  fs::copy_file(RECORDING_RSYNC, folder_ / "bin" / "rsync.exe");
  struct Case {
    const char* wanted;  // nullptr: no exit-status.txt
    int status;
  } cases[] = {{nullptr, 0}, {"23", 23}, {"5", 5}};
  for (const Case& c : cases) {
    fs::remove(folder_ / "bin" / "exit-status.txt");
    if (c.wanted != nullptr) std::ofstream(folder_ / "bin" / "exit-status.txt") << c.wanted;
    Result<std::shared_ptr<CommandWatch>> run = platform_->RunCommand(
        "cmd.exe /c " + Folder() + "\\bin\\rsync -avz --progress  --partial --port=873",
        WindowMode::Hidden);
    ASSERT_TRUE(run.ok()) << run.error().message;
    ASSERT_TRUE(WaitUntilEnded(run.value()));
    EXPECT_EQ(run.value()->ExitStatus(), c.status) << (c.wanted ? c.wanted : "none");
  }
}

TEST_F(Win32PlatformTest, RunsTheSystemsCmdExeNotOneBesideTheProgramOrInTheCurrentFolder) {
  fs::copy_file(RECORDING_RSYNC, folder_ / "bin" / "rsync.exe");
  wchar_t self[MAX_PATH];
  fs::path programFolder =
      fs::path(std::wstring(self, GetModuleFileNameW(nullptr, self, MAX_PATH))).parent_path();
  fs::path current = folder_ / "current";
  fs::create_directories(current);
  // Recording programs named cmd.exe: run, they would leave recorded.txt beside themselves.
  const fs::path planted[] = {programFolder / "cmd.exe", current / "cmd.exe"};
  for (const fs::path& cmd : planted) {
    fs::remove(cmd.parent_path() / "recorded.txt");
    fs::copy_file(RECORDING_RSYNC, cmd, fs::copy_options::overwrite_existing);
  }
  fs::path saved = fs::current_path();
  fs::current_path(current);

  Result<std::shared_ptr<CommandWatch>> run = platform_->RunCommand(
      "cmd.exe /c " + Folder() + "\\bin\\rsync --planted", WindowMode::Hidden);
  std::string recorded = WaitForRecord(folder_ / "bin" / "recorded.txt", 1);
  fs::current_path(saved);
  ASSERT_TRUE(run.ok()) << run.error().message;
  EXPECT_TRUE(WaitUntilEnded(run.value()));
  for (const fs::path& cmd : planted) {
    EXPECT_FALSE(fs::exists(cmd.parent_path() / "recorded.txt")) << cmd.string() << " was run";
    fs::remove(cmd);
    fs::remove(cmd.parent_path() / "recorded.txt");
  }
  EXPECT_NE(recorded.find("--planted"), std::string::npos) << "the real cmd.exe ran rsync";
}

TEST_F(Win32PlatformTest, StartedCommandsInheritNoHandleOfTheProgram) {
  fs::copy_file(RECORDING_RSYNC, folder_ / "bin" / "rsync.exe");
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE marker = CreateFileW((folder_ / "marker.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                              &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(marker, INVALID_HANDLE_VALUE);
  const std::string probe =
      " --probe=" + std::to_string(reinterpret_cast<ULONG_PTR>(marker)) + " --mode-";
  for (WindowMode mode : {WindowMode::Hidden, WindowMode::NormalFocus}) {
    const std::string tag = mode == WindowMode::Hidden ? "hidden" : "normal";
    Result<std::shared_ptr<CommandWatch>> run =
        platform_->RunCommand("cmd.exe /c " + Folder() + "\\bin\\rsync" + probe + tag, mode);
    ASSERT_TRUE(run.ok()) << run.error().message;
    EXPECT_TRUE(WaitUntilEnded(run.value())) << tag;
  }
  CloseHandle(marker);
  std::string recorded = WaitForRecord(folder_ / "bin" / "recorded.txt", 2);
  EXPECT_NE(recorded.find("--mode-hidden probe=none\n"), std::string::npos) << recorded;
  EXPECT_NE(recorded.find("--mode-normal probe=none\n"), std::string::npos) << recorded;
}

TEST_F(Win32PlatformTest, TellsItsEndOnceOnTheMainThreadAndNotAfterTheWatchIsGone) {
  fs::copy_file(RECORDING_RSYNC, folder_ / "bin" / "rsync.exe");
  testing::QueuedMainThread mainThread;
  platform_->SetMainThread(mainThread);
  struct Case {
    WindowMode mode;  // Hidden: its pipe's reader tells; NormalFocus: the process handle's wait
    bool letGoBeforeTold;
  } cases[] = {
      {WindowMode::Hidden, false}, {WindowMode::NormalFocus, false}, {WindowMode::Hidden, true}};
  for (const Case& c : cases) {
    const bool hidden = c.mode == WindowMode::Hidden;
    Result<std::shared_ptr<CommandWatch>> run =
        platform_->RunCommand("cmd.exe /c " + Folder() + "\\bin\\rsync --told", c.mode);
    ASSERT_TRUE(run.ok()) << run.error().message;
    std::shared_ptr<CommandWatch> watch = std::move(run).value();
    int told = 0;
    watch->OnEnded([&] { ++told; });
    ASSERT_TRUE(WaitUntilEnded(watch)) << hidden;
    ASSERT_TRUE(WaitUntil([&] { return mainThread.Pending() > 0; })) << hidden;
    EXPECT_EQ(told, 0) << "told only from the main thread's loop";
    if (c.letGoBeforeTold) watch.reset();
    mainThread.RunPosted();
    mainThread.RunPosted();
    EXPECT_EQ(told, c.letGoBeforeTold ? 0 : 1) << hidden << c.letGoBeforeTold;
  }
}

TEST_F(Win32PlatformTest, ErrorOutputKeepsTheFirst64KiBAndStopsWhenAsked) {
  fs::copy_file(RECORDING_RSYNC, folder_ / "bin" / "rsync.exe");
  struct Case {
    bool stopAfterStart;
    std::size_t kept;
  } cases[] = {{false, 64 * 1024}, {true, 6}};
  for (const Case& c : cases) {
    fs::remove(folder_ / "bin" / "go");
    fs::remove(folder_ / "bin" / "recorded.txt");
    Result<std::shared_ptr<CommandWatch>> run = platform_->RunCommand(
        "cmd.exe /c " + Folder() + "\\bin\\rsync --noisy --daemon", WindowMode::Hidden);
    ASSERT_TRUE(run.ok()) << run.error().message;
    std::shared_ptr<CommandWatch> watch = run.value();
    ASSERT_TRUE(WaitUntil([&] { return watch->ErrorOutput() == "start\n"; }))
        << watch->ErrorOutput();
    if (c.stopAfterStart) watch->StopCapturing();
    std::ofstream(folder_ / "bin" / "go") << "go";
    // Recorded only after all 1.2 MiB were written: the output was read, nothing blocked.
    EXPECT_NE(WaitForRecord(folder_ / "bin" / "recorded.txt", 1), "");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(watch->Ended()) << "the daemon keeps running";
    EXPECT_EQ(watch->ErrorOutput().size(), c.kept);
    EXPECT_EQ(watch->ErrorOutput().substr(0, 6), "start\n");
    EXPECT_TRUE(platform_->ImageRunning("RSYNC.EXE"));

    Result<std::shared_ptr<CommandWatch>> stop =
        platform_->RunCommand(std::string(StopDaemonCommand), WindowMode::Hidden);
    ASSERT_TRUE(stop.ok());
    EXPECT_TRUE(WaitUntilEnded(stop.value())) << "the kill command's own end is seen";
    EXPECT_TRUE(WaitUntilEnded(watch));
    EXPECT_FALSE(platform_->ImageRunning("rsync.exe"));
  }
}

TEST(Win32PortAccepts, SeesAListenerComeAndGo) {
  WSADATA data;
  ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
  SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  int length = sizeof address;
  getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  const int port = ntohs(address.sin_port);
  Win32Platform platform;
  EXPECT_FALSE(platform.PortAccepts(port)) << "bound but not listening";
  ASSERT_EQ(listen(listener, 4), 0);
  EXPECT_TRUE(platform.PortAccepts(port));
  closesocket(listener);
  EXPECT_FALSE(platform.PortAccepts(port));
  EXPECT_EQ(platform.FirstBindablePort(), 0);
  WSACleanup();
}

}  // namespace
}  // namespace mirvo
