// Faults of the machine met by the real server window (Qt adapter offscreen, the POSIX platform,
// the staged bin/rsync.exe and the system's rsync): the window names what went wrong, starts
// nothing it cannot finish, leaves no file half-written and is usable again afterwards.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>

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
  EXPECT_TRUE(Stopped());
  EXPECT_EQ(DaemonsOnPort(), 0);
}

TEST_F(ServerFaultTest, DaemonKilledFromOutsideThenStopAndStartAgainWork) {
  StageLauncher();
  Open();
  server->Button("启动服务")->click();
  ASSERT_TRUE(WaitUntil([&] { return PortAnswers(std::stoi(port)); }));
  ui::testing::ProcessFor(2500);  // past the start check
  ASSERT_TRUE(messages.texts.empty()) << messages.texts.front();
  ASSERT_TRUE(Running());

  for (const testing::ProcessEntry& p : Processes()) {
    if (p.comm == "rsync.exe" && p.commandLine.find("--port=" + port) != std::string::npos) {
      kill(p.pid, SIGKILL);
    }
  }
  ASSERT_TRUE(WaitUntil([&] { return !PortAnswers(std::stoi(port)); }));
  ui::testing::ProcessFor(300);
  // Nothing watches a daemon past its first seconds: the window still offers the stop.
  EXPECT_TRUE(Running());

  server->Button("停止服务")->click();
  EXPECT_TRUE(Stopped());
  server->Button("启动服务")->click();
  EXPECT_TRUE(WaitUntil([&] { return PortAnswers(std::stoi(port)); })) << "started again";
  EXPECT_TRUE(Running());
  server->Button("停止服务")->click();
  EXPECT_TRUE(WaitUntil([&] { return DaemonsOnPort() == 0; }));
  EXPECT_TRUE(Stopped());
  EXPECT_TRUE(messages.texts.empty());
}

}  // namespace
}  // namespace mirvo::hardening
