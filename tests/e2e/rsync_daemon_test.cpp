#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "client/transfer_follower.h"
#include "foundation/ansi_code_page.h"
#include "foundation/rsync_exit.h"
#include "rsync_e2e_fixture.h"
#include "support/recording_notifier.h"

namespace mirvo::testing {
namespace {

class RsyncDaemonTest : public RsyncFixture {
 protected:
  void SetUp() override {
    RsyncFixture::SetUp();
    unsetenv("DISPLAY");  // transfers then run without a window
    std::filesystem::create_directories(share + "/子目录");
    shared = {{"a.txt", "hello\r\n"},
              {"中文 文件.txt", "内容 content"},
              {"子目录/data.bin", Bytes(300 * 1024, 7)},
              {"empty", ""}};
    for (const auto& [name, bytes] : shared) root.Write("共享/" + name, bytes);
  }

  // The daemon this test started: its parent is this process, its port this test's.
  int DaemonPid() const {
    for (const ProcessEntry& p : Processes()) {
      if (p.comm == "rsync.exe" && p.state != 'Z' && p.parent == getpid() &&
          p.commandLine.find("--port=" + port + " ") != std::string::npos) {
        return p.pid;
      }
    }
    return 0;
  }

  // Starts the daemon as the server window does and waits until it has ended.
  std::shared_ptr<CommandWatch> StartThatFails() {
    EXPECT_TRUE(WriteDaemonFiles(*platform, daemon).ok());
    EXPECT_TRUE(RewriteAsUtf8(*platform, program + std::string(kDaemonConfigName)).ok());
    auto watch = platform->RunCommand(BuildDaemonCommand(daemon, program), WindowMode::Hidden);
    if (!watch.ok()) return nullptr;
    daemonWatch = watch.value();
    EXPECT_TRUE(WaitUntil([&] { return daemonWatch->Ended(); }));
    return daemonWatch;
  }

  std::map<std::string, std::string> shared;
};

// Listens on the port on both address families, as rsync binds them one by one.
class TakenPort {
 public:
  explicit TakenPort(int port) {
    for (int family : {AF_INET, AF_INET6}) {
      int fd = socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
      int on = 1;
      setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
      sockaddr_storage address{};
      socklen_t length = 0;
      if (family == AF_INET) {
        auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
        v4->sin_family = AF_INET;
        v4->sin_port = htons(static_cast<uint16_t>(port));
        length = sizeof *v4;
      } else {
        setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
        auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(static_cast<uint16_t>(port));
        length = sizeof *v6;
      }
      held_ += bind(fd, reinterpret_cast<sockaddr*>(&address), length) == 0 && listen(fd, 4) == 0;
      fds_.push_back(fd);
    }
  }
  ~TakenPort() {
    for (int fd : fds_) close(fd);
  }
  int held() const { return held_; }

 private:
  std::vector<int> fds_;
  int held_ = 0;
};

TEST_F(RsyncDaemonTest, PullBringsEveryFileByteIdentical) {
  ASSERT_NO_FATAL_FAILURE(StartDaemon());
  const std::string target = root / "拉取 目标";
  RunAndWait(Transfer(target));
  EXPECT_EQ(Compare(FilesUnder(target), shared), AllSame(shared));
}

TEST_F(RsyncDaemonTest, AuthenticationAdmitsOnlyTheRightPassword) {
  daemon.Authenticate = true;
  daemon.UserName = "用户";
  daemon.Password = "密码 504182";  // GBK in both secrets files, so the bytes agree
  ASSERT_NO_FATAL_FAILURE(StartDaemon());

  TransferSettings wrong = Transfer(root / "wrong");
  wrong.Authenticate = true;
  wrong.UserName = daemon.UserName;
  wrong.Password = "504182";
  RunAndWait(wrong);
  EXPECT_TRUE(FilesUnder(root / "wrong").empty());

  TransferSettings right = wrong;
  right.LocalFolder = root / "right";
  right.Password = daemon.Password;
  RunAndWait(right);
  EXPECT_EQ(Compare(FilesUnder(root / "right"), shared), AllSame(shared));

  EXPECT_EQ(ModeOf(program + "/rsyncd.secrets"), 0600u);
  EXPECT_EQ(ModeOf(program + "/rsync.secrets"), 0600u);
}

TEST_F(RsyncDaemonTest, ProgramFolderHoldsExactlyWhatTheProgramWrites) {
  daemon.Authenticate = true;
  ASSERT_NO_FATAL_FAILURE(StartDaemon());
  EXPECT_EQ(FilesUnder(program).size(), 3u);
  // The launcher's translation (native paths, no uid/gid for an ordinary user) lives only in
  // its private copy: the program's files are as the program defines them.
  EXPECT_EQ(ReadAll(program + "/rsyncd.conf"), BuildDaemonConfig(daemon, program) + "\r\n");
  EXPECT_EQ(ReadAll(program + "/rsyncd.secrets"), EncodeAnsi("user:504182\r\n").value());
  EXPECT_EQ(ReadAll(program + "/bin/rsync.exe"), ReadAll(StagedLauncher()));
}

TEST_F(RsyncDaemonTest, PushNeedsAWritableModule) {
  const std::string source = root / "上传";
  std::filesystem::create_directories(source);
  root.Write("上传/new.txt", "pushed 推送");
  TransferSettings push = Transfer(source);
  push.PushToServer = true;

  ASSERT_NO_FATAL_FAILURE(StartDaemon());  // read only, as by default
  RunAndWait(push);
  EXPECT_FALSE(std::filesystem::exists(share + "/上传/new.txt"));
  ASSERT_NO_FATAL_FAILURE(StopDaemon());

  daemon.ReadOnly = false;
  ASSERT_NO_FATAL_FAILURE(StartDaemon());
  RunAndWait(push);
  EXPECT_EQ(ReadAll(share + "/上传/new.txt"), "pushed 推送");
}

TEST_F(RsyncDaemonTest, StopEndsDaemonAndItsChildrenButNoOtherRsync) {
  // A system rsync job of the same base name, not started through the program's bin folder.
  symlink("/bin/sleep", (root / "rsync").c_str());
  pid_t unrelated = Spawn({root / "rsync", "60"});
  ASSERT_GT(unrelated, 0);

  root.Write("共享/big.bin", Bytes(4 * 1024 * 1024, 3));
  daemon.LimitBandwidth = true;
  daemon.BandwidthLimit = "200";  // K/S: the pull runs for many seconds
  ASSERT_NO_FATAL_FAILURE(StartDaemon());
  ASSERT_TRUE(RunTransfer(*platform, Transfer(root / "slow")).ok());
  // The daemon and the child serving this connection, both under the image name rsync.exe.
  ASSERT_TRUE(WaitUntil([] { return LiveRsyncExe("--daemon") >= 2; }));

  EXPECT_TRUE(platform->ImageRunning("rsync.exe"));
  EXPECT_TRUE(platform->PortAccepts(std::stoi(port)));
  ASSERT_NO_FATAL_FAILURE(StopDaemon());
  EXPECT_EQ(daemonWatch->ExitStatus(), 128 + SIGKILL);
  EXPECT_TRUE(WaitUntil([&] { return !platform->ImageRunning("rsync.exe"); }));
  EXPECT_FALSE(platform->PortAccepts(std::stoi(port)));
  EXPECT_TRUE(WaitUntil([] { return LiveRsyncExe() == 0; }))
      << "daemon, connection child and transfer all ended";
  EXPECT_FALSE(PortAnswers(std::stoi(port)));
  EXPECT_TRUE(WaitUntil([] {
    for (const ProcessEntry& p : Processes()) {
      if (p.parent == getpid() && p.state == 'Z') return false;
    }
    return true;
  })) << "every process the program started is reaped";

  EXPECT_EQ(kill(unrelated, 0), 0) << "an rsync not started as rsync.exe lives on";
  kill(unrelated, SIGKILL);
  waitpid(unrelated, nullptr, 0);
}

// A real transfer whose end this test tells the follower once it sees it: no event loop runs here
// to bring the platform's own event.
class SeenEnd : public CommandWatch {
 public:
  explicit SeenEnd(std::shared_ptr<CommandWatch> real) : real_(std::move(real)) {}
  bool Ended() const override { return real_->Ended(); }
  int ExitStatus() const override { return real_->ExitStatus(); }
  std::string ErrorOutput() const override { return real_->ErrorOutput(); }
  void OnEnded(std::function<void()> told) override { told_ = std::move(told); }
  void TellEnd() { told_(); }

 private:
  std::shared_ptr<CommandWatch> real_;
  std::function<void()> told_;
};

TEST_F(RsyncDaemonTest, EveryEndedTransferIsLoggedWithRsyncsOwnStatus) {
  daemon.Authenticate = true;
  daemon.ReadOnly = false;
  ASSERT_NO_FATAL_FAILURE(StartDaemon());
  RecordingNotifier notifier;
  TransferFollower follower(*platform, notifier);

  TransferSettings missing = Transfer(root / "missing");
  missing.Module = "nosuch";
  TransferSettings wrongPassword = Transfer(root / "pushed");
  wrongPassword.PushToServer = true;
  wrongPassword.Authenticate = true;
  wrongPassword.UserName = daemon.UserName;
  wrongPassword.Password = "wrong";
  TransferSettings good = wrongPassword;
  good.PushToServer = false;
  good.LocalFolder = root / "good";
  good.Password = daemon.Password;
  std::filesystem::create_directories(root / "pushed");

  for (const TransferSettings* settings : {&missing, &wrongPassword, &good}) {
    Result<std::shared_ptr<CommandWatch>> started = RunTransfer(*platform, *settings);
    ASSERT_TRUE(started.ok()) << started.error().message;
    auto watch = std::make_shared<SeenEnd>(started.value());
    follower.Follow(watch, *settings);
    ASSERT_TRUE(WaitUntil([&] { return watch->Ended(); }, 60));
    watch->TellEnd();
  }
  EXPECT_EQ(Compare(FilesUnder(root / "good"), shared), AllSame(shared));

  // rsync ends with 5 when the daemon refuses the module or the password.
  const std::string log = ReadAll(program + "/mirvo-transfers.log");
  const std::string remote = "@127.0.0.1::";
  std::vector<std::string> expected = {"\t拉取\t" + missing.LocalFolder + "\tnosuch" + remote +
                                           "nosuch\t5\t" + RsyncExitMeaning(5) + "\r\n",
                                       "\t推送\t" + wrongPassword.LocalFolder + "\t" +
                                           daemon.UserName + remote + daemon.ShareName + "\t5\t" +
                                           RsyncExitMeaning(5) + "\r\n",
                                       "\t拉取\t" + good.LocalFolder + "\t" + daemon.UserName +
                                           remote + daemon.ShareName + "\t0\t成功\r\n"};
  std::size_t at = 0;
  for (const std::string& line : expected) {
    std::size_t found = log.find(line, at);
    ASSERT_NE(found, std::string::npos) << line << "\nin\n" << log;
    at = found + line.size();
  }
  EXPECT_EQ(at, log.size());
  EXPECT_EQ(log.find(daemon.Password), std::string::npos);
  ASSERT_EQ(notifier.notices.size(), 2u);
  EXPECT_NE(notifier.notices[0].text.find("拉取失败：模块“nosuch”"), std::string::npos);
  EXPECT_NE(notifier.notices[1].text.find("推送失败：模块“共享”"), std::string::npos);
}

TEST_F(RsyncDaemonTest, DaemonHoldsOnlyItsStandardStreamsSocketsAndLog) {
  // Opened without close-on-exec, as a library might: the daemon must not get it.
  const std::string marker = root / "marker";
  int leaked = open(marker.c_str(), O_WRONLY | O_CREAT, 0600);
  ASSERT_GE(leaked, 3);
  ASSERT_NO_FATAL_FAILURE(StartDaemon());
  close(leaked);
  const int pid = DaemonPid();
  ASSERT_GT(pid, 0);
  std::map<int, std::string> held;
  for (const auto& entry :
       std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd")) {
    // A connection the daemon accepted and handed to its child may close while this looks.
    std::error_code gone;
    std::filesystem::path target = std::filesystem::read_symlink(entry.path(), gone);
    if (!gone) held[std::stoi(entry.path().filename().string())] = target.string();
  }
  EXPECT_EQ(held[0], "/dev/null");
  EXPECT_EQ(held[1], "/dev/null");
  EXPECT_TRUE(held[2].starts_with("pipe:")) << held[2];
  for (const auto& [fd, target] : held) {
    if (fd <= 2) continue;
    const bool ownLog = target.find("/mirvo-rsync") != std::string::npos &&
                        target.ends_with(".log") && target.find(program) == std::string::npos;
    EXPECT_TRUE(target.starts_with("socket:") || ownLog) << fd << " -> " << target;
  }
}

TEST_F(RsyncDaemonTest, FailedStartGivesRsyncsOwnReason) {
  struct Case {
    std::string what;
    std::string port;
    bool ordinaryUserOnly;  // root may listen on any port
    std::string words;
  } cases[] = {
      {"a port another program listens on", port, false, "bind() failed: Address already in use"},
      {"port 873 for an ordinary user", "873", true, "bind() failed: Permission denied"},
  };
  TakenPort taken(std::stoi(port));
  ASSERT_EQ(taken.held(), 2);
  for (const Case& c : cases) {
    if (c.ordinaryUserOnly && geteuid() == 0) continue;  // the ordinary-user run covers it
    if (c.ordinaryUserOnly) {
      EXPECT_GT(platform->FirstBindablePort(), 873);
    }
    daemon.Port = c.port;
    std::shared_ptr<CommandWatch> watch = StartThatFails();
    ASSERT_TRUE(watch) << c.what;
    EXPECT_EQ(watch->ExitStatus(), 10) << c.what;
    EXPECT_NE(watch->ErrorOutput().find(c.words), std::string::npos)
        << c.what << ": " << watch->ErrorOutput();
  }
}

}  // namespace
}  // namespace mirvo::testing
