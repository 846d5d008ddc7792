// The client window's schedule left running: 200 ticks of 300 ms, driven by the window's real
// QTimer (Qt adapter offscreen, in this process), each starting a real pull through the staged
// bin/rsync.exe from a loopback daemon. No zombie is left, the process's open files and memory do
// not grow, and cancelling ends it cleanly.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "daemon/daemon_command.h"
#include "daemon/daemon_documents.h"
#include "daemon/utf8_rewrite.h"
#include "e2e/rsync_e2e_support.h"
#include "foundation/names.h"
#include "window_harness.h"

namespace mirvo::hardening {
namespace {

using testing::WaitUntil;

// The POSIX platform, counting the transfers it really started.
class CountingPlatform : public PosixPlatform {
 public:
  using PosixPlatform::PosixPlatform;
  Result<std::shared_ptr<CommandWatch>> RunCommand(const std::string& commandLine,
                                                   WindowMode mode) override {
    auto started = PosixPlatform::RunCommand(commandLine, mode);
    if (mode == WindowMode::NormalFocus) ++(started.ok() ? transfers : failures);
    return started;
  }
  int transfers = 0;
  int failures = 0;
};

struct Sample {
  int fds = 0;
  long rssKiB = 0;
};

Sample Measure() {
  Sample sample;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    (void)entry;
    ++sample.fds;
  }
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) sample.rssKiB = std::atol(line.c_str() + 6);
  }
  return sample;
}

// Children of this process that have ended but were never reaped.
int Zombies() {
  int count = 0;
  for (const testing::ProcessEntry& p : testing::Processes()) {
    if (p.parent == getpid() && p.state == 'Z') ++count;
  }
  return count;
}

class ScheduleSoakTest : public ui::testing::WithApplication {
 protected:
  testing::TempFolder root;
};

TEST_F(ScheduleSoakTest, TwoHundredTicksStartTwoHundredTransfersWithoutGrowth) {
  // Transfers open no terminal window here: without a display they run hidden.
  unsetenv("DISPLAY");
  const std::string program = root / "prog";
  const std::string share = root / "share";
  const std::string local = root / "local";
  std::filesystem::create_directories(program + "/bin");
  std::filesystem::create_directories(share + "/sub");
  std::filesystem::create_directories(local);
  std::filesystem::copy_file(MIRVO_STAGED_LAUNCHER, program + "/bin/rsync.exe");
  chmod((program + "/bin/rsync.exe").c_str(), 0755);
  root.Write("share/a.bin", testing::Bytes(20000, 7));
  root.Write("share/sub/b.txt", "定时同步\n");
  const std::string port = std::to_string(testing::FreeLoopbackPort());

  // The daemon, started by the program's own functions.
  PosixPlatform daemonPlatform(program);
  DaemonSettings daemon;
  daemon.SharePath = share;
  daemon.ShareName = "soak";
  daemon.Port = port;
  ASSERT_TRUE(WriteDaemonFiles(daemonPlatform, daemon).ok());
  ASSERT_TRUE(RewriteAsUtf8(daemonPlatform, program + std::string(kDaemonConfigName)).ok());
  auto daemonWatch =
      daemonPlatform.RunCommand(BuildDaemonCommand(daemon, program), WindowMode::Hidden);
  ASSERT_TRUE(daemonWatch.ok()) << daemonWatch.error().message;
  ASSERT_TRUE(WaitUntil([&] { return testing::PortAnswers(std::stoi(port)); }));

  CountingPlatform platform(program);
  MessageCatcher messages;
  WindowUnderTest client(platform, "客户端");
  client.SetText("服务端IP", "127.0.0.1");  // loopback, before anything is started
  client.SetText("端口号", port);
  client.SetText("源共享名", "soak");
  client.SetText("目的目录", local);
  client.SetText("定时同步值", "0.005");  // 300 ms

  constexpr int kTicks = 200;
  int ticks = 0;
  int maxZombies = 0;
  Sample atTick20, atTick200;
  QTimer* timer = client.Window().Form().Timer("定时同步时间");
  ASSERT_NE(timer, nullptr);
  // Connected after the window's own handler, so each sample follows that tick's transfer start.
  QObject::connect(timer, &QTimer::timeout, [&] {
    ++ticks;
    if (ticks % 20 == 0) maxZombies = std::max(maxZombies, Zombies());
    if (ticks == 20) atTick20 = Measure();
    if (ticks == kTicks) {
      atTick200 = Measure();
      client.Button("取消定时")->click();
    }
  });

  const auto begin = std::chrono::steady_clock::now();
  client.Button("定时同步")->click();
  ASSERT_TRUE(ui::testing::ProcessUntil([&] { return ticks >= kTicks; }, 90000));
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  ui::testing::ProcessFor(1000);  // no tick after the cancel
  const int ticksAfterCancel = ticks - kTicks;

  EXPECT_TRUE(WaitUntil([] { return testing::LiveRsyncExe("@127.0.0.1::") == 0; }, 30));
  ui::testing::ProcessFor(200);
  const int zombiesAtEnd = Zombies();
  std::printf(
      "schedule soak (in-process, real QTimer): %d ticks in %.1f s, %d transfers started, %d "
      "failed\n  tick 20: %d fds, VmRSS %ld KiB\n  tick 200: %d fds, VmRSS %ld KiB\n"
      "  zombies: at most %d during the run, %d at the end; ticks after cancel: %d\n",
      ticks, seconds, platform.transfers, platform.failures, atTick20.fds, atTick20.rssKiB,
      atTick200.fds, atTick200.rssKiB, maxZombies, zombiesAtEnd, ticksAfterCancel);

  EXPECT_EQ(platform.transfers, kTicks) << "a transfer at every tick";
  EXPECT_EQ(platform.failures, 0);
  EXPECT_TRUE(messages.texts.empty()) << messages.texts.front();
  EXPECT_LE(atTick200.fds, atTick20.fds + 2) << "open files grew";
  EXPECT_LE(atTick200.rssKiB, atTick20.rssKiB + 4096) << "memory grew";
  EXPECT_LE(maxZombies, 1) << "a child left unreaped";  // one may be caught between exit and reap
  EXPECT_EQ(zombiesAtEnd, 0);
  EXPECT_EQ(ticksAfterCancel, 0);
  EXPECT_EQ(testing::ReadAll(local + "/sub/b.txt"), "定时同步\n") << "the pulls really ran";
  for (const std::string input : {"服务端IP", "目的目录", "定时同步值", "开始同步", "定时同步"}) {
    EXPECT_TRUE(client.Enabled(input)) << input;
  }
  EXPECT_FALSE(client.Visible("取消定时"));

  auto stop = daemonPlatform.RunCommand(std::string(StopDaemonCommand), WindowMode::Hidden);
  ASSERT_TRUE(stop.ok());
  EXPECT_TRUE(WaitUntil([&] { return daemonWatch.value()->Ended(); }));
}

// A schedule whose password file cannot be written (a folder has its name): the first tick says so
// once and cancels the schedule, and no transfer starts after it.
TEST_F(ScheduleSoakTest, AScheduleWhosePasswordFileCannotBeWrittenIsCancelledWithOneMessage) {
  unsetenv("DISPLAY");
  const std::string program = root / "prog";
  std::filesystem::create_directories(program + "/bin");
  std::filesystem::create_directories(program + "/rsync.secrets");
  std::filesystem::copy_file(MIRVO_STAGED_LAUNCHER, program + "/bin/rsync.exe");
  CountingPlatform platform(program);
  MessageCatcher messages;
  WindowUnderTest client(platform, "客户端");
  client.SetText("服务端IP", "127.0.0.1");
  client.SetText("端口号", std::to_string(testing::FreeLoopbackPort()));
  client.SetText("目的目录", root / "local");
  client.Check("用户认证")->setChecked(true);
  client.SetText("定时同步值", "0.005");  // a tick every 300 ms
  client.Button("定时同步")->click();
  ASSERT_FALSE(client.Visible("定时同步")) << "armed";
  ui::testing::ProcessFor(3000);  // ten ticks' time
  ASSERT_EQ(messages.texts.size(), 1u);
  EXPECT_NE(messages.texts[0].find("rsync.secrets"), std::string::npos) << messages.texts[0];
  EXPECT_NE(messages.texts[0].find("定时同步已取消"), std::string::npos) << messages.texts[0];
  EXPECT_EQ(platform.transfers + platform.failures, 0) << "no transfer started";
  EXPECT_TRUE(client.Visible("定时同步"));
  EXPECT_TRUE(client.Enabled("定时同步"));
  EXPECT_FALSE(client.Window().Form().Timer("定时同步时间")->isActive());
  EXPECT_TRUE(client.Enabled("服务端IP"));
}

}  // namespace
}  // namespace mirvo::hardening
