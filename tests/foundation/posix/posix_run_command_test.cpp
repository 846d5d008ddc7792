#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>

#include "foundation/posix/image_kill.h"
#include "foundation/posix/posix_platform.h"
#include "foundation/posix/rsync_runtime.h"
#include "foundation/posix/system_queries.h"
#include "support/queued_main_thread.h"
#include "support/temp_folder.h"
#include "support/wait_until.h"

namespace mirvo {
namespace {

using testing::ModeOf;
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
    "for f in /proc/$$/fd/*; do printf 'fd=%s\\n' \"$(readlink \"$f\")\" >&2; done\n"
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
  // Opened without close-on-exec, as a library might: the command must not get it.
  const std::string marker = dir / "marker";
  int leaked = open(marker.c_str(), O_WRONLY | O_CREAT, 0600);
  ASSERT_GE(leaked, 3);
  std::shared_ptr<CommandWatch> watch = Start(platform, "cmd.exe /c " + dir.path() + "/show.exe");
  close(leaked);
  ASSERT_EQ(Ended(watch), "");
  std::string output = watch->ErrorOutput();
  EXPECT_EQ(output.find(marker), std::string::npos) << output;
  EXPECT_NE(output.find("fd=pipe:"), std::string::npos) << output;
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

TEST_F(PosixRunCommandTest, TellsItsEndOnceOnTheMainThreadAndNotAfterTheWatchIsGone) {
  testing::QueuedMainThread mainThread;
  platform.SetMainThread(mainThread);
  struct Case {
    std::string line;
    bool letGoBeforeTold;
  } cases[] = {
      {"cmd.exe /c " + dir.path() + "\\show x", false},
      {"cmd.exe /c taskkill /F /im nothing-runs-" + std::to_string(getpid()) + ".exe", false},
      {"cmd.exe /c " + dir.path() + "\\show x", true},
  };
  for (const Case& c : cases) {
    std::shared_ptr<CommandWatch> watch = Start(platform, c.line);
    ASSERT_TRUE(watch);
    int told = 0;
    watch->OnEnded([&] { ++told; });
    ASSERT_EQ(Ended(watch), "") << c.line;
    ASSERT_TRUE(WaitUntil([&] { return mainThread.Pending() > 0; })) << c.line;
    EXPECT_EQ(told, 0) << "told only from the main thread's loop: " << c.line;
    if (c.letGoBeforeTold) watch.reset();
    mainThread.RunPosted();
    mainThread.RunPosted();
    EXPECT_EQ(told, c.letGoBeforeTold ? 0 : 1) << c.line;
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

  EXPECT_TRUE(platform.ImageRunning(upper));
  std::shared_ptr<CommandWatch> kill = Start(platform, "cmd.exe /c taskkill /f /IM " + upper);
  ASSERT_TRUE(kill && kill->Ended());
  EXPECT_EQ(kill->ExitStatus(), 0);
  ASSERT_EQ(Ended(first), "");
  EXPECT_EQ(first->ExitStatus(), 128 + SIGKILL);
  EXPECT_FALSE(platform.ImageRunning(name)) << "a reaped process no longer runs";
  EXPECT_FALSE(second->Ended());
  EXPECT_TRUE(platform.ImageRunning("x" + name));

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

// Says "start PID", waits for PATH.go, writes 1.2 MB to its error output, leaves PATH.done and
// stays: a daemon that talks a lot.
constexpr const char* kNoisy =
    "#!/bin/sh\n"
    "printf 'start %s\\n' $$ >&2\n"
    "while [ ! -e \"$0.go\" ]; do sleep 0.02; done\n"
    "head -c 1200000 /dev/zero | tr '\\0' x >&2\n"
    ": > \"$0.done\"\n"
    "exec sleep 30\n";

TEST_F(PosixRunCommandTest, ErrorOutputKeepsTheFirst64KiBAndStopsWhenAsked) {
  const std::string noisy = dir.Write("noisy.exe", kNoisy, 0755);
  struct Case {
    bool stopAfterStart;
    bool keepsAll;  // else only "start PID\n"
  } cases[] = {{false, true}, {true, false}};
  for (const Case& c : cases) {
    unlink((noisy + ".go").c_str());
    unlink((noisy + ".done").c_str());
    std::shared_ptr<CommandWatch> watch = Start(platform, "cmd.exe /c " + noisy);
    ASSERT_TRUE(watch);
    ASSERT_TRUE(WaitUntil([&] { return watch->ErrorOutput().ends_with("\n"); }));
    const std::string start = watch->ErrorOutput();
    ASSERT_TRUE(start.starts_with("start ")) << start;
    const pid_t pid = std::stoi(start.substr(6));
    if (c.stopAfterStart) watch->StopCapturing();
    dir.Write("noisy.exe.go", "");
    // Left only once all of it was written: the output was read as it came, nothing blocked.
    EXPECT_TRUE(WaitUntil([&] { return access((noisy + ".done").c_str(), F_OK) == 0; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(watch->Ended()) << "the command runs on";
    const std::string kept = watch->ErrorOutput();
    EXPECT_EQ(kept.size(), c.keepsAll ? 64u * 1024 : start.size());
    EXPECT_EQ(kept.substr(0, start.size()), start);
    kill(pid, SIGKILL);
    ASSERT_EQ(Ended(watch), "");
    EXPECT_EQ(watch->ExitStatus(), 128 + SIGKILL);
  }
}

// Writes to the log the platform names, as the daemon does through the launcher, and says where.
constexpr const char* kLogging =
    "#!/bin/sh\n"
    "line() { printf '2026/12/09 20:02:28 [%s] %s\\n' \"$1\" \"$2\" >> \"$MIRVO_RSYNC_LOG\"; }\n"
    "line $$ 'rsyncd version 3.5.0 starting, listening on port 873'\n"
    "line 1 'connect from elsewhere (10.0.0.1)'\n"
    "line $$ 'bind() failed: Address already in use (address-family 2)'\n"
    "printf 'mode=%s in=%s\\n' \"$(stat -c %a \"$MIRVO_RSYNC_LOG\")\" "
    "\"$(dirname \"$MIRVO_RSYNC_LOG\")\" >&2\n"
    "exit 10\n";

TEST_F(PosixRunCommandTest, ErrorOutputEndsWithTheDaemonsOwnLogLines) {
  mkdir((dir / "runtime").c_str(), 0700);
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  const std::string saved = runtime != nullptr ? runtime : "";
  setenv("XDG_RUNTIME_DIR", (dir / "runtime").c_str(), 1);
  dir.Write("logging.exe", kLogging, 0755);
  std::shared_ptr<CommandWatch> watch = Start(platform, "cmd.exe /c " + (dir / "logging.exe"));
  if (runtime != nullptr) setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
  if (runtime == nullptr) unsetenv("XDG_RUNTIME_DIR");
  ASSERT_EQ(Ended(watch), "");
  EXPECT_EQ(watch->ExitStatus(), 10);
  const std::string folder = dir / "runtime/mirvo-rsync";
  EXPECT_EQ(
      watch->ErrorOutput(),
      "mode=600 in=" + folder + "\nbind() failed: Address already in use (address-family 2)\n");
  EXPECT_TRUE(std::filesystem::is_empty(folder)) << "the log is removed once the daemon ended";
  EXPECT_EQ(ModeOf(folder), 0700u);
}

TEST(DaemonLogLines, KeepsTheDaemonsOwnLastLinesWithoutTimeAndBanner) {
  const std::string log =
      "2026/12/09 19:59:07 [14633] rsyncd version 3.5.0 starting, listening on port 873\n"
      "2026/12/09 19:59:07 [14633] bind() failed: Permission denied (address-family 2)\r\n"
      "2026/12/09 19:59:08 [146330] connect from a child whose id only begins alike\n"
      "2026/12/09 19:59:08 [1463] and one whose id is shorter\n"
      "not a log line [14633] at all\n"
      "2026/12/09 19:59:09 [14633] unable to bind any inbound sockets on port 873\n"
      "2026/12/09 19:59:09 [14633] rsync error: error in socket IO (code 10)";
  struct Case {
    pid_t pid;
    std::size_t maxLines;
    std::string lines;
  } cases[] = {
      {14633, 10,
       "bind() failed: Permission denied (address-family 2)\n"
       "unable to bind any inbound sockets on port 873\n"
       "rsync error: error in socket IO (code 10)\n"},
      {14633, 1, "rsync error: error in socket IO (code 10)\n"},
      {1463, 10, "and one whose id is shorter\n"},
      {99, 10, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DaemonLogLines(log, c.pid, c.maxLines), c.lines) << c.pid << " " << c.maxLines;
  }
}

TEST(FirstBindablePort, FollowsTheCapabilitiesAStartedProgramKeeps) {
  const std::string withCapability =
      "CapInh:\t0000000000000000\nCapBnd:\t000001ffffffffff\n"
      "CapAmb:\t0000000000000400\n";
  const std::string without = "CapBnd:\t000001fffffffbff\nCapAmb:\t0000000000000000\n";
  struct Case {
    bool root;
    std::string status;
    std::string unprivilegedStart;
    int first;
  } cases[] = {
      {true, withCapability, "1024\n", 0},  {true, without, "1024\n", 1024},
      {false, withCapability, "1024\n", 0}, {false, without, "1024\n", 1024},
      {false, without, "80\n", 80},         {false, without, "", 1024},
      {false, without, "garbage\n", 1024},  {false, "", "0\n", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FirstBindablePortFrom(c.root, c.status, c.unprivilegedStart), c.first)
        << c.root << " " << c.status << " " << c.unprivilegedStart;
  }
  if (geteuid() == 0) {
    EXPECT_EQ(PosixPlatform("/").FirstBindablePort(), 0);
  }
}

TEST(PosixPortAccepts, SeesAListenerComeAndGo) {
  int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  socklen_t length = sizeof address;
  getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  const int port = ntohs(address.sin_port);
  PosixPlatform platform("/");
  EXPECT_FALSE(platform.PortAccepts(port)) << "bound but not listening";
  ASSERT_EQ(listen(listener, 4), 0);
  EXPECT_TRUE(platform.PortAccepts(port));
  close(listener);
  EXPECT_FALSE(platform.PortAccepts(port));
  EXPECT_FALSE(platform.PortAccepts(0));
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
