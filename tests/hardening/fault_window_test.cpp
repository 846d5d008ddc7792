// Faults of the machine met by the real server window (Qt adapter offscreen, the POSIX platform,
// the staged bin/rsync.exe and the system's rsync): the window names what went wrong, starts
// nothing it cannot finish, leaves no file half-written and is usable again afterwards.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>

#include <QElapsedTimer>
#include <cstdlib>
#include <filesystem>

#include "e2e/rsync_e2e_support.h"
#include "window_harness.h"

namespace mirvo::hardening {
namespace {

using testing::LiveRsyncExe;
using testing::PortAnswers;
using testing::Processes;
using testing::WaitUntil;

class ServerFaultTest : public ui::testing::WithApplication {
 public:
  ServerFaultTest() : port(std::to_string(testing::FreeLoopbackPort())) {
    program = root / "prog";
    share = root / "share";
    std::filesystem::create_directories(share);
  }
  ~ServerFaultTest() override {
    if (!mounted.empty()) umount2(mounted.c_str(), MNT_DETACH);
    // Whatever the test left running on its port goes with it.
    for (const testing::ProcessEntry& p : Processes()) {
      if (p.comm == "rsync.exe" && p.commandLine.find("--port=" + port) != std::string::npos) {
        kill(p.pid, SIGKILL);
      }
    }
  }

  void StageLauncher() {
    std::filesystem::create_directories(program + "/bin");
    std::filesystem::copy_file(MIRVO_STAGED_LAUNCHER, program + "/bin/rsync.exe");
    chmod((program + "/bin/rsync.exe").c_str(), 0755);
  }
  // The program folder on a small file system of its own; false when this machine cannot mount.
  bool MountProgramFolder(const std::string& options) {
    std::filesystem::create_directories(program);
    if (mount("tmpfs", program.c_str(), "tmpfs", 0, options.c_str()) != 0) return false;
    mounted = program;
    return true;
  }

  void Open() {
    platform = std::make_unique<PosixPlatform>(program);
    server = std::make_unique<WindowUnderTest>(*platform, "服务端");
    server->SetText("共享路径", share);
    server->SetText("共享名", "fault");
    server->SetText("端口号", port);
  }
  bool Stopped() const {
    return server->Enabled("启动服务") && !server->Enabled("停止服务") &&
           server->Enabled("共享路径") && server->Enabled("密码");
  }
  bool Running() const { return !server->Enabled("启动服务") && server->Enabled("停止服务"); }
  // The one message the window showed, waiting for it up to the start check's 2 seconds.
  std::string Message() {
    ui::testing::ProcessUntil([&] { return !messages.texts.empty(); }, 4000);
    return messages.texts.empty() ? "(no message)" : messages.texts.front();
  }
  int DaemonsOnPort() const { return LiveRsyncExe("--port=" + port); }

  testing::TempFolder root;
  std::string program, share, port, mounted;
  MessageCatcher messages;
  std::unique_ptr<PosixPlatform> platform;
  std::unique_ptr<WindowUnderTest> server;
};

TEST_F(ServerFaultTest, FileFaultsAreNamedAndNothingStarts) {
  struct Case {
    std::string name;
    std::function<bool(ServerFaultTest&)> prepare;  // false: cannot be arranged here
    std::string reason;
  } cases[] = {
      {"folder named rsyncd.conf",
       [](ServerFaultTest& t) {
         t.StageLauncher();
         return std::filesystem::create_directory(t.program + "/rsyncd.conf");
       },
       "这是一个文件夹"},
      {"read-only program folder",
       [](ServerFaultTest& t) {
         if (!t.MountProgramFolder("size=8m")) return false;
         t.StageLauncher();
         return mount(nullptr, t.program.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
       },
       "文件系统是只读的"},
      {"full disk",
       [](ServerFaultTest& t) {
         if (!t.MountProgramFolder("size=8m")) return false;
         t.StageLauncher();
         std::FILE* filler = std::fopen((t.program + "/filler").c_str(), "wb");
         if (filler == nullptr) return false;
         std::string block(4096, 'f');
         while (std::fwrite(block.data(), 1, block.size(), filler) == block.size()) {
         }
         std::fclose(filler);
         return true;
       },
       "磁盘空间不足"},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    // Each case in a fresh program folder.
    if (!mounted.empty()) umount2(mounted.c_str(), MNT_DETACH);
    mounted.clear();
    std::filesystem::remove_all(program);
    messages.texts.clear();
    if (!c.prepare(*this)) {
      std::printf("skipped: %s cannot be arranged on this machine (needs root and mount)\n",
                  c.name.c_str());
      continue;
    }
    Open();
    server->Button("启动服务")->click();
    const std::string message = Message();
    EXPECT_NE(message.find("rsyncd.conf"), std::string::npos) << message;
    EXPECT_NE(message.find(c.reason), std::string::npos) << message;
    EXPECT_NE(message.find("服务没有启动"), std::string::npos) << message;
    EXPECT_TRUE(Stopped());
    EXPECT_EQ(DaemonsOnPort(), 0);
    // Either the whole configuration or none: never a cut-off file a daemon could read.
    const std::string config = program + "/rsyncd.conf";
    if (std::filesystem::is_regular_file(config)) {
      EXPECT_EQ(testing::ReadAll(config).substr(0, 7), "uid = 0") << "half-written";
    }
  }
}

TEST_F(ServerFaultTest, WithoutSystemRsyncTheStartCheckShowsTheLaunchersWords) {
  StageLauncher();
  Open();
  const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", (root / "no-rsync-here").c_str(), 1);
  server->Button("启动服务")->click();
  const std::string message = Message();
  setenv("PATH", savedPath.c_str(), 1);
  EXPECT_NE(message.find("退出状态 127"), std::string::npos) << message;
  EXPECT_NE(message.find("rsync.exe（MIRVO 启动器）"), std::string::npos) << message;
  EXPECT_TRUE(Stopped());
}

TEST_F(ServerFaultTest, TakenPortIsExplainedAndTheWindowReturnsToStopped) {
  StageLauncher();
  // Both loopback addresses of the port, so that no address family is left for the daemon.
  int v4 = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a4{};
  a4.sin_family = AF_INET;
  a4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a4.sin_port = htons(static_cast<uint16_t>(std::stoi(port)));
  ASSERT_EQ(bind(v4, reinterpret_cast<sockaddr*>(&a4), sizeof a4), 0);
  ASSERT_EQ(listen(v4, 1), 0);
  int v6 = socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in6 a6{};
  a6.sin6_family = AF_INET6;
  a6.sin6_addr = in6addr_loopback;
  a6.sin6_port = a4.sin_port;
  if (v6 >= 0 && bind(v6, reinterpret_cast<sockaddr*>(&a6), sizeof a6) == 0) listen(v6, 1);

  Open();
  server->Button("启动服务")->click();
  const std::string message = Message();
  close(v4);
  if (v6 >= 0) close(v6);
  // The daemon writes its bind error to its private log, whose last lines the error output ends
  // with: the window shows rsync's own words.
  EXPECT_NE(message.find("退出状态 10"), std::string::npos) << message;
  EXPECT_NE(message.find("bind() failed: Address already in use"), std::string::npos) << message;
  EXPECT_NE(message.find("端口 " + port + " 的地址已被占用"), std::string::npos) << message;
  EXPECT_TRUE(Stopped());
  EXPECT_EQ(DaemonsOnPort(), 0);
}

TEST_F(ServerFaultTest, ADaemonKilledFromOutsideLaterIsReportedOnceAndANewStartWorks) {
  StageLauncher();
  Open();
  server->Button("启动服务")->click();
  ASSERT_TRUE(ui::testing::ProcessUntil([&] { return PortAnswers(std::stoi(port)); }));
  ui::testing::ProcessFor(5000);  // well past the start check
  ASSERT_TRUE(messages.texts.empty()) << messages.texts.front();
  ASSERT_TRUE(Running());

  for (const testing::ProcessEntry& p : Processes()) {
    if (p.comm == "rsync.exe" && p.commandLine.find("--port=" + port) != std::string::npos) {
      kill(p.pid, SIGKILL);
    }
  }
  // Its end arrives as an event: within moments the window has said so and is Stopped.
  EXPECT_TRUE(ui::testing::ProcessUntil([&] { return !messages.texts.empty(); }, 2500));
  EXPECT_TRUE(ui::testing::ProcessUntil([&] { return Stopped(); }, 500));
  ui::testing::ProcessFor(1500);
  ASSERT_EQ(messages.texts.size(), 1u) << "reported once";
  EXPECT_NE(messages.texts[0].find("rsync 服务意外结束"), std::string::npos) << messages.texts[0];
  EXPECT_NE(messages.texts[0].find("被强行结束"), std::string::npos) << messages.texts[0];

  messages.texts.clear();
  server->Button("启动服务")->click();
  EXPECT_TRUE(ui::testing::ProcessUntil([&] { return PortAnswers(std::stoi(port)); }))
      << "started again";
  EXPECT_TRUE(Running());
  server->Button("停止服务")->click();
  EXPECT_TRUE(ui::testing::ProcessUntil([&] { return Stopped(); }, 5000));
  EXPECT_EQ(DaemonsOnPort(), 0);
  EXPECT_TRUE(messages.texts.empty());
}

// 停止服务 then 启动服务 as fast as the window lets them be clicked: the start waits for the stop
// to be over, so that every start meets a free port and no pending kill.
TEST_F(ServerFaultTest, StopThenStartTwentyTimesEveryStartServes) {
  StageLauncher();
  Open();
  server->Button("启动服务")->click();
  ASSERT_TRUE(ui::testing::ProcessUntil([&] { return PortAnswers(std::stoi(port)); }));
  QElapsedTimer clock;
  clock.start();
  for (int round = 1; round <= 20; ++round) {
    SCOPED_TRACE(round);
    ASSERT_TRUE(server->Enabled("停止服务"));
    server->Button("停止服务")->click();
    EXPECT_FALSE(server->Enabled("启动服务")) << "no start while the stop waits";
    ASSERT_TRUE(ui::testing::ProcessUntil([&] { return server->Enabled("启动服务"); }, 6000));
    EXPECT_EQ(DaemonsOnPort(), 0) << "Stopped only once the daemon is gone";
    EXPECT_FALSE(PortAnswers(std::stoi(port)));
    server->Button("启动服务")->click();
    ASSERT_TRUE(ui::testing::ProcessUntil([&] { return PortAnswers(std::stoi(port)); }, 3000))
        << "this start does not serve";
    EXPECT_TRUE(Running());
  }
  std::printf("20 stops and starts in %lld ms\n", static_cast<long long>(clock.elapsed()));
  // The last start outlives its start check.
  ui::testing::ProcessFor(2500);
  EXPECT_TRUE(Running());
  EXPECT_TRUE(PortAnswers(std::stoi(port)));
  EXPECT_TRUE(messages.texts.empty()) << messages.texts.front();
  server->Button("停止服务")->click();
  EXPECT_TRUE(ui::testing::ProcessUntil([&] { return Stopped(); }, 6000));
}

// Port 873 without the right to listen below 1024. The kernel checks CAP_NET_BIND_SERVICE, which
// an ordinary user lacks; a root test process drops it from its bounding set, so that the daemon it
// starts is refused exactly as an ordinary user's. This lasts for the rest of the process: the
// other cases use high ports.
TEST_F(ServerFaultTest, Port873WithoutTheRightToListenThereNamesThePermissionProblem) {
  if (geteuid() == 0 && prctl(PR_CAPBSET_DROP, CAP_NET_BIND_SERVICE, 0, 0, 0) != 0) {
    GTEST_SKIP() << "cannot drop CAP_NET_BIND_SERVICE here";
  }
  if (platform = std::make_unique<PosixPlatform>(program); platform->FirstBindablePort() <= 873) {
    GTEST_SKIP() << "port 873 is bindable for this process";
  }
  StageLauncher();
  Open();
  server->SetText("端口号", "873");
  server->Button("启动服务")->click();
  const std::string message = Message();
  EXPECT_NE(message.find("rsync 服务未能启动"), std::string::npos) << message;
  EXPECT_NE(message.find("Permission denied"), std::string::npos) << message;
  EXPECT_NE(message.find("端口 873 小于 1024"), std::string::npos) << message;
  EXPECT_NE(message.find("1024 或更大"), std::string::npos) << message;
  EXPECT_TRUE(Stopped());
  EXPECT_EQ(LiveRsyncExe("--port=873"), 0);
}

}  // namespace
}  // namespace mirvo::hardening
