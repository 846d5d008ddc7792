#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "foundation/posix/image_kill.h"
#include "foundation/posix/posix_platform.h"
#include "support/temp_folder.h"
#include "support/wait_until.h"

namespace mirvo {
namespace {

using testing::TempFolder;
using testing::WaitUntil;

std::shared_ptr<CommandWatch> Start(PosixPlatform& platform, const std::string& line,
                                    WindowMode mode = WindowMode::Hidden) {
  Result<std::shared_ptr<CommandWatch>> watch = platform.RunCommand(line, mode);
  EXPECT_TRUE(watch.ok()) << line << ": " << (watch.ok() ? "" : watch.error().message);
  return watch.ok() ? watch.value() : nullptr;
}

std::string Ended(const std::shared_ptr<CommandWatch>& watch) {
  if (!watch) return "not started";
  return WaitUntil([&] { return watch->Ended(); }) ? "" : "did not end";
}

// Prints each argument on a line of its own to the error output, then how it was started.
constexpr const char* kShowArguments =
    "#!/bin/sh\n"
    "for a in \"$@\"; do printf '[%s]\\n' \"$a\" >&2; done\n"
    "printf 'stdin=%s\\n' \"$(readlink /proc/$$/fd/0)\" >&2\n"
    "printf 'stdout=%s\\n' \"$(readlink /proc/$$/fd/1)\" >&2\n"
    "printf 'session=%s\\n' \"$(cut -d' ' -f6 /proc/$$/stat)\" >&2\n"
    "printf 'pid=%s\\n' $$ >&2\n"
    "exit 3\n";

class PosixRunCommandTest : public ::testing::Test {
 protected:
  void SetUp() override { dir.Write("show.exe", kShowArguments, 0755); }
  TempFolder dir;
  PosixPlatform platform{dir.path()};
};

TEST_F(PosixRunCommandTest, PassesArgumentsVerbatimWithoutAShell) {
  struct Case {
    std::string rest;
    std::string shown;
  } cases[] = {
      {" a  b   c ", "[a]\n[b]\n[c]\n"},
      {" $HOME;echo x|y&z %PATH% `id`", "[$HOME;echo]\n[x|y&z]\n[%PATH%]\n[`id`]\n"},
      {" \"two  words\" \"\" 共享", "[two  words]\n[]\n[共享]\n"},
      {" a\\\"b c:\\x\\", "[a\"b]\n[c:\\x\\]\n"},
  };
  for (const Case& c : cases) {
    // Named without ".exe" and with "\" separators, as the program's command lines are.
    std::string line = "cmd.exe /c " + dir.path() + "\\show" + c.rest;
    std::shared_ptr<CommandWatch> watch = Start(platform, line);
    ASSERT_EQ(Ended(watch), "") << line;
    EXPECT_EQ(watch->ExitStatus(), 3);
    std::string output = watch->ErrorOutput();
    EXPECT_EQ(output.substr(0, output.find("stdin=")), c.shown) << line;
  }
}

TEST_F(PosixRunCommandTest, HiddenRunsDetachedAndIsReaped) {
  std::shared_ptr<CommandWatch> watch = Start(platform, "cmd.exe /c " + dir.path() + "/show.exe");
  ASSERT_EQ(Ended(watch), "");
  std::string output = watch->ErrorOutput();
  EXPECT_NE(output.find("stdin=/dev/null\n"), std::string::npos) << output;
  EXPECT_NE(output.find("stdout=/dev/null\n"), std::string::npos) << output;
  std::size_t pidAt = output.find("pid=");
  std::size_t sessionAt = output.find("session=");
  ASSERT_NE(pidAt, std::string::npos);
  ASSERT_NE(sessionAt, std::string::npos);
  std::string pid = output.substr(pidAt + 4, output.find('\n', pidAt) - pidAt - 4);
  std::string session = output.substr(sessionAt + 8, output.find('\n', sessionAt) - sessionAt - 8);
  EXPECT_EQ(session, pid) << "the command leads a session of its own";
  EXPECT_NE(std::to_string(getsid(0)), session);
  // Reaped: nothing, not even a zombie, is left under its process id.
  EXPECT_TRUE(WaitUntil([&] { return access(("/proc/" + pid).c_str(), F_OK) != 0; }));
}

TEST_F(PosixRunCommandTest, NormalFocusWithoutDisplayRunsHidden) {
  const char* display = std::getenv("DISPLAY");
  std::string saved = display != nullptr ? display : "";
  unsetenv("DISPLAY");
  std::shared_ptr<CommandWatch> watch =
      Start(platform, "cmd.exe /k " + dir.path() + "\\show x", WindowMode::NormalFocus);
  if (display != nullptr) setenv("DISPLAY", saved.c_str(), 1);
  ASSERT_EQ(Ended(watch), "");
  EXPECT_EQ(watch->ExitStatus(), 3);
  EXPECT_EQ(watch->ErrorOutput().substr(0, 4), "[x]\n");
}

TEST_F(PosixRunCommandTest, RefusesWhatCannotRun) {
  dir.Write("not-executable", "#!/bin/sh\n", 0644);
  struct Case {
    std::string line;
    std::string message;
  } cases[] = {
      {"cmd.exe /c " + dir.path() + "\\missing x", "无法启动程序“" + dir.path() + "/missing”"},
      {"cmd.exe /c " + dir.path() + "\\not-executable",
       "无法启动程序“" + dir.path() + "/not-executable”"},
      {"sh -c true", "无法执行命令"},
      {"cmd.exe /c taskkill /F", "taskkill"},
  };
  for (const Case& c : cases) {
    Result<std::shared_ptr<CommandWatch>> watch = platform.RunCommand(c.line, WindowMode::Hidden);
    ASSERT_FALSE(watch.ok()) << c.line;
    EXPECT_EQ(watch.error().message.rfind(c.message, 0), 0u) << watch.error().message;
  }
}

// Starts a long sleep under the given image name (a link's name becomes the process's comm).
std::shared_ptr<CommandWatch> SleepNamed(PosixPlatform& platform, const TempFolder& dir,
                                         const std::string& name) {
  symlink("/bin/sleep", (dir / name).c_str());
  return Start(platform, "cmd.exe /c " + (dir / name) + " 30");
}

TEST_F(PosixRunCommandTest, TaskkillEndsEveryProcessOfTheNameAndNothingElse) {
  std::string name = "mk" + std::to_string(getpid()) + ".exe";
  std::shared_ptr<CommandWatch> first = SleepNamed(platform, dir, name);
  std::shared_ptr<CommandWatch> second = SleepNamed(platform, dir, "x" + name);  // other name
  ASSERT_TRUE(first && second);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  std::string upper = name;
  for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));

  std::shared_ptr<CommandWatch> kill = Start(platform, "cmd.exe /c taskkill /f /IM " + upper);
  ASSERT_TRUE(kill && kill->Ended());
  EXPECT_EQ(kill->ExitStatus(), 0);
  ASSERT_EQ(Ended(first), "");
  EXPECT_EQ(first->ExitStatus(), 128 + SIGKILL);
  EXPECT_FALSE(second->Ended());

  std::shared_ptr<CommandWatch> again = Start(platform, "cmd.exe /c taskkill /F /im " + name);
  ASSERT_TRUE(again && again->Ended());
  EXPECT_EQ(again->ExitStatus(), 128) << "nothing left to end";

  EXPECT_EQ(SignalProcessesNamed("x" + name, SIGKILL), 1);
  ASSERT_EQ(Ended(second), "");
}

TEST_F(PosixRunCommandTest, TaskkillComparesTheFirstFifteenCharacters) {
  std::string name = "m" + std::to_string(getpid()) + "-long-image-name.exe";
  std::shared_ptr<CommandWatch> sleeper = SleepNamed(platform, dir, name);
  ASSERT_TRUE(sleeper);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  std::shared_ptr<CommandWatch> kill = Start(platform, "cmd.exe /c taskkill /F /im " + name);
  ASSERT_TRUE(kill);
  EXPECT_EQ(kill->ExitStatus(), 0);
  ASSERT_EQ(Ended(sleeper), "");
}

TEST(ImageNamesMatch, FollowsTheKernelsCutAndIgnoresLetterCase) {
  struct Case {
    const char* comm;
    const char* name;
    bool match;
  } cases[] = {
      {"rsync.exe", "rsync.exe", true},
      {"rsync.exe", "RSYNC.EXE", true},
      {"rsync", "rsync.exe", false},
      {"rsync.exe", "rsync", false},
      {"abcdefghijklmno", "abcdefghijklmnopq", true},
      {"abcdefghijklmn", "abcdefghijklmnopq", false},
  };
  for (const Case& c : cases) EXPECT_EQ(ImageNamesMatch(c.comm, c.name), c.match) << c.comm;
}

}  // namespace
}  // namespace mirvo

namespace mirvo {
namespace {

TEST(PosixOpenWebAddress, HandsTheAddressToXdgOpenWithoutWaiting) {
  testing::TempFolder dir;
  // A stand-in xdg-open that takes its time and records what it was given.
  dir.Write("xdg-open", "#!/bin/sh\nsleep 1\nprintf '%s' \"$1\" > \"$0.called\"\n", 0755);
  const char* path = std::getenv("PATH");
  std::string saved = path != nullptr ? path : "";
  setenv("PATH", (dir.path() + ":/usr/bin:/bin").c_str(), 1);
  PosixPlatform platform;
  auto begun = std::chrono::steady_clock::now();
  Status opened = platform.OpenWebAddress("https://example.invalid/a b?x=1&y=$HOME");
  auto took = std::chrono::steady_clock::now() - begun;

  mkdir((dir / "other").c_str(), 0755);
  dir.Write("other/xdg-open", "", 0644);  // not executable: as good as missing
  setenv("PATH", (dir / "other").c_str(), 1);
  Status missing = platform.OpenWebAddress("https://example.invalid/");
  setenv("PATH", saved.c_str(), 1);

  ASSERT_TRUE(opened.ok()) << opened.error().message;
  EXPECT_LT(took, std::chrono::milliseconds(900)) << "it must not wait for the browser";
  EXPECT_TRUE(WaitUntil([&] { return access((dir / "xdg-open.called").c_str(), F_OK) == 0; }));
  EXPECT_EQ(testing::ReadAll(dir / "xdg-open.called"), "https://example.invalid/a b?x=1&y=$HOME");
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error().message, "无法打开网址“https://example.invalid/”：找不到 xdg-open");
}

}  // namespace
}  // namespace mirvo
