// A transfer started NormalFocus opens a terminal window on a private Xvfb display.
#include <fcntl.h>
#include <poll.h>

#include <cstdio>

#include "rsync_e2e_fixture.h"

namespace mirvo::testing {
namespace {

bool OnPath(const std::string& program) {
  return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

class RsyncTerminalTest : public RsyncFixture {
 protected:
  void SetUp() override {
    for (const char* tool : {"Xvfb", "xdotool", "xterm"}) {
      if (!OnPath(tool)) GTEST_SKIP() << tool << " is not installed";
    }
    RsyncFixture::SetUp();
    ASSERT_NO_FATAL_FAILURE(StartXvfb());
  }

  void TearDown() override {
    RsyncFixture::TearDown();
    if (xvfb > 0) {
      kill(xvfb, SIGTERM);  // the terminals lose their display and end with it
      waitpid(xvfb, nullptr, 0);
    }
    unsetenv("DISPLAY");
  }

  // Xvfb picks a free display itself and tells its number through -displayfd.
  void StartXvfb() {
    int report[2];
    ASSERT_EQ(pipe(report), 0);
    fcntl(report[0], F_SETFD, FD_CLOEXEC);
    xvfb = Spawn({"/usr/bin/Xvfb", "-displayfd", std::to_string(report[1]), "-screen", "0",
                  "800x600x24", "-nolisten", "tcp"});
    close(report[1]);
    ASSERT_GT(xvfb, 0);
    pollfd ready{report[0], POLLIN, 0};
    std::string number;
    char c;
    while (poll(&ready, 1, 10000) == 1 && read(report[0], &c, 1) == 1 && c != '\n') number += c;
    close(report[0]);
    ASSERT_FALSE(number.empty()) << "Xvfb did not report its display";
    setenv("DISPLAY", (":" + number).c_str(), 1);
  }

  static int TerminalWindows() {
    FILE* search = popen("xdotool search --onlyvisible --class xterm 2>/dev/null", "r");
    if (search == nullptr) return -1;
    int lines = 0;
    for (int c; (c = fgetc(search)) != EOF;) lines += c == '\n';
    pclose(search);
    return lines;
  }

  pid_t xvfb = 0;
};

TEST_F(RsyncTerminalTest, TransferRunsInAWindowThatStaysOnlyWithKeepConsole) {
  root.Write("共享/slow.bin", Bytes(1024 * 1024, 5));
  daemon.LimitBandwidth = true;
  daemon.BandwidthLimit = "400";  // a few seconds per pull, time to see the window
  ASSERT_NO_FATAL_FAILURE(StartDaemon());

  TransferSettings keep = Transfer(root / "kept");
  keep.KeepConsole = true;
  ASSERT_TRUE(RunTransfer(*platform, keep).ok());
  EXPECT_TRUE(WaitUntil([] { return TerminalWindows() == 1; }));
  ASSERT_TRUE(WaitUntil([] { return LiveRsyncExe("@127.0.0.1::") == 0; }, 60));
  EXPECT_EQ(ReadAll(root / "kept/slow.bin"), Bytes(1024 * 1024, 5));
  std::this_thread::sleep_for(std::chrono::seconds(1));
  EXPECT_EQ(TerminalWindows(), 1) << "with /k the window stays open after rsync ended";

  Result<std::shared_ptr<CommandWatch>> closed = RunTransfer(*platform, Transfer(root / "closed"));
  ASSERT_TRUE(closed.ok());
  EXPECT_TRUE(WaitUntil([] { return TerminalWindows() == 2; }));
  ASSERT_TRUE(WaitUntil([] { return LiveRsyncExe("@127.0.0.1::") == 0; }, 60));
  EXPECT_EQ(ReadAll(root / "closed/slow.bin"), Bytes(1024 * 1024, 5));
  EXPECT_TRUE(WaitUntil([] { return TerminalWindows() == 1; })) << "with /c the window closes";

  // The watch of a transfer in a window ends with rsync's own status, not the terminal's.
  ASSERT_TRUE(WaitUntil([&] { return closed.value()->Ended(); }));
  EXPECT_EQ(closed.value()->ExitStatus(), 0);
  TransferSettings missing = Transfer(root / "missing");
  missing.Module = "nosuch";
  Result<std::shared_ptr<CommandWatch>> refused = RunTransfer(*platform, missing);
  ASSERT_TRUE(refused.ok());
  ASSERT_TRUE(WaitUntil([&] { return refused.value()->Ended(); }, 60));
  EXPECT_EQ(refused.value()->ExitStatus(), 5) << "rsync: unknown module";
}

}  // namespace
}  // namespace mirvo::testing
