// The client window driven as a person would, against a real daemon on 127.0.0.1 with
// authentication: a pull and a push now, then the schedule.
#include "gui_session.h"
#include "rsync_e2e_fixture.h"

namespace mirvo::testing {
namespace {

const layout::WindowLayout& kConsole = layout::ConsoleLayout();
const layout::WindowLayout& kClient = layout::ClientLayout();

class GuiClient : public RsyncFixture {
 protected:
  void SetUp() override {
    RsyncFixture::SetUp();
    daemon.ShareName = "gui";
    daemon.ReadOnly = false;
    daemon.Authenticate = true;
    daemon.UserName = "mirvo";
    daemon.Password = "pass-7788";
    root.Write("共享/a.bin", Bytes(50000, 7));
    std::filesystem::create_directories(share + "/sub");
    root.Write("共享/sub/b.txt", "拉取\n");
    StartDaemon();
  }

  bool Arrived(const std::string& folder, const std::string& name, const std::string& bytes,
               int seconds = 30) {
    return WaitUntil([&] { return ReadAll(folder + "/" + name) == bytes; }, seconds);
  }

  // Starts the program and opens the client window from the console; 0 when it did not appear.
  static XWindow OpenClient(const XSession& x, StagedProgram& gui) {
    gui.AlsoEnd("@127.0.0.1::");
    gui.Start();
    const XWindow console = x.WaitForWindow("MIRVO主控制台0.1");
    if (console == 0) return 0;
    x.Click(console, kConsole, "启动客户端");
    return x.WaitForWindow("MIRVO客户端");
  }

  // The lines of the result log in the program folder, without their CR LF.
  static std::vector<std::string> LogLines(const std::string& folder) {
    std::vector<std::string> lines;
    const std::string log = ReadAll(folder + "/mirvo-transfers.log");
    for (std::size_t start = 0, end; (end = log.find("\r\n", start)) != std::string::npos;
         start = end + 2) {
      lines.push_back(log.substr(start, end - start));
    }
    return lines;
  }
};

TEST_F(GuiClient, PullPushAndScheduleWithAuthentication) {
  XSession x;
  ASSERT_TRUE(x.Ready());
  StagedProgram gui(x, root / "client");
  const XWindow client = OpenClient(x, gui);
  ASSERT_NE(client, 0u);
  EXPECT_EQ(x.Geometry(client).width, 3945 / 15);
  EXPECT_EQ(x.Geometry(client).height, 5280 / 15);

  // The window manager activates the window once the console has gone, and 开始同步 (tab index
  // 0) holds the focus: the first Tab moves it on to 源共享名, which takes what is typed next.
  EXPECT_TRUE(WaitUntil([&] { return x.Focused() == client; }, 5)) << "active after the console";
  x.Shell("xdotool key Tab");
  x.Shell("xdotool type --delay 8 gu");
  // Another window takes the activation and gives it back: the focus is still in 源共享名, which
  // takes the rest of the name (a pull from a module "gu" would fail).
  const pid_t other = SpawnOnDisplay({"xterm"}, x.Display());
  EXPECT_TRUE(WaitUntil([&] { return x.Focused() != client && x.Focused() > 1; }, 10))
      << "a new window takes the activation";
  x.Shell("xdotool windowactivate --sync " + std::to_string(client));
  EXPECT_TRUE(WaitUntil([&] { return x.Focused() == client; }, 5)) << "active again";
  x.Shell("xdotool type --delay 8 i");
  EndChild(other);

  // The server address first: nothing may ever go to the window's default address.
  x.TypeInto(client, kClient, "服务端IP", "127.0.0.1");
  x.TypeInto(client, kClient, "端口号", port);
  const std::string local = root / "local";
  std::filesystem::create_directories(local);
  x.TypeInto(client, kClient, "目的目录", local + "/");
  x.Click(client, kClient, "用户认证");
  x.TypeInto(client, kClient, "用户名", "mirvo");
  x.TypeInto(client, kClient, "密码", "pass-7788");
  // Back to 开始同步 from the box after it in the keyboard order.
  x.Click(client, kClient, "源共享名");
  x.Shell("xdotool key shift+Tab");

  // Minimized into the tray and back by a double-click on the icon, out of the way of the
  // terminal windows the transfers open at the top-left corner: at the same place, active, and
  // the focus where it was, so that Space presses 开始同步 and pulls now.
  const XSession::RoundTrip trip = x.MinimizeAndRestoreFromTray(client, 600, 80);
  EXPECT_EQ(trip.after, trip.before) << "the client area moved";
  x.Shell("xdotool key space");
  ASSERT_TRUE(Arrived(local, "sub/b.txt", "拉取\n"));
  ASSERT_TRUE(Arrived(local, "a.bin", Bytes(50000, 7)));
  EXPECT_EQ(ReadAll(gui.Folder() + "/rsync.secrets"), "pass-7788\r\n");

  // Push now.
  x.Click(client, kClient, "推送到服务端");
  root.Write("local/pushed.txt", "推送\n");
  x.Click(client, kClient, "开始同步");
  ASSERT_TRUE(Arrived(share, "pushed.txt", "推送\n"));

  // The schedule, pulling every 0.02 minutes (1.2 s).
  x.Click(client, kClient, "推送到服务端");
  x.TypeInto(client, kClient, "定时同步值", "0.02");
  x.Click(client, kClient, "定时同步");
  root.Write("共享/tick1.txt", "1");
  ASSERT_TRUE(Arrived(local, "tick1.txt", "1", 15)) << "the first tick transfers";
  // From the first tick on the inputs are locked: a new destination cannot be typed, and the
  // next tick pulls to the same place again.
  const std::string elsewhere = root / "elsewhere";
  x.TypeInto(client, kClient, "目的目录", elsewhere + "/");
  root.Write("共享/tick2.txt", "2");
  ASSERT_TRUE(Arrived(local, "tick2.txt", "2", 15)) << "a transfer on every tick";
  EXPECT_FALSE(std::filesystem::exists(elsewhere));

  // Cancelled: no more ticks, and the inputs and 开始同步 work again.
  x.Click(client, kClient, "取消定时");
  usleep(1500 * 1000);  // a transfer started by a last tick may still be running
  root.Write("共享/tick3.txt", "3");
  usleep(3000 * 1000);
  EXPECT_FALSE(std::filesystem::exists(local + "/tick3.txt")) << "no tick after the cancel";
  const std::string after = root / "after";
  std::filesystem::create_directories(after);
  x.TypeInto(client, kClient, "目的目录", after + "/");
  x.Click(client, kClient, "开始同步");
  EXPECT_TRUE(Arrived(after, "tick3.txt", "3"));

  x.RequestClose(client);
  EXPECT_TRUE(gui.WaitForExit());
  EXPECT_TRUE(WaitUntil([&] { return x.TrayIcons().empty(); }, 5));
  EXPECT_TRUE(WaitUntil([&] { return !PortAnswers(std::stoi(port)); }, 10))
      << "closing ends every rsync.exe, the daemon included";
}

// Every transfer's end is a line of the log with rsync's own status; a failure is also told by a
// balloon from the tray icon, and a success by nothing else.
TEST_F(GuiClient, FailuresAreLoggedAndToldFromTheTrayAndASuccessIsOnlyLogged) {
  XSession x;
  ASSERT_TRUE(x.Ready());
  StagedProgram gui(x, root / "client");
  // The desktop's opener stands in, noting what it opens.
  const std::string called = root / "xdg-open.called",
                    log = gui.Folder() + "/mirvo-transfers.log\n";
  root.Write("xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$0.called\"\n", 0755);
  setenv("PATH", (root.path() + ":" + std::getenv("PATH")).c_str(), 1);
  const XWindow client = OpenClient(x, gui);
  ASSERT_NE(client, 0u);
  ASSERT_TRUE(WaitUntil([&] { return x.TrayIcons().size() == 1; }, 10));
  // The server address first: nothing may ever go to the window's default address.
  x.TypeInto(client, kClient, "服务端IP", "127.0.0.1");
  x.TypeInto(client, kClient, "端口号", port);
  const std::string local = root / "local";
  std::filesystem::create_directories(local);
  x.TypeInto(client, kClient, "目的目录", local + "/");
  const std::string remote = "@127.0.0.1::";

  const struct {
    const char* name;
    std::string module, user, password;
    bool push;
    std::string fields;  // direction, local folder, remote, status
    bool told;
  } cases[] = {
      {"pull from a module the daemon lacks", "nosuch", "", "", false,
       "拉取\t" + local + "/\tnosuch" + remote + "nosuch\t5\t", true},
      {"push with a wrong password", "gui", "mirvo", "wrong-99", true,
       "推送\t" + local + "/\tmirvo" + remote + "gui\t5\t", true},
      {"good pull", "gui", "mirvo", "pass-7788", false,
       "拉取\t" + local + "/\tmirvo" + remote + "gui\t0\t成功", false},
  };
  bool authenticating = false, pushing = false;
  std::size_t ended = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    x.TypeInto(client, kClient, "源共享名", c.module);
    if (authenticating != !c.user.empty()) {
      x.Click(client, kClient, "用户认证");
      authenticating = !authenticating;
    }
    if (authenticating) {
      x.TypeInto(client, kClient, "用户名", c.user);
      x.TypeInto(client, kClient, "密码", c.password);
    }
    if (pushing != c.push) {
      x.Click(client, kClient, "推送到服务端");
      pushing = c.push;
    }
    x.Click(client, kClient, "开始同步");
    ASSERT_TRUE(WaitUntil([&] { return LogLines(gui.Folder()).size() == ended + 1; }, 30));
    const std::string line = LogLines(gui.Folder())[ended++];
    // The time, then the fields; the password is never written.
    EXPECT_NE(line.find("\t" + c.fields), std::string::npos) << line;
    EXPECT_EQ(line.find("pass-7788"), std::string::npos);
    EXPECT_EQ(line.find("wrong-99"), std::string::npos);

    if (c.told) {
      ASSERT_TRUE(WaitUntil([&] { return x.Balloons().size() == 1; }, 5)) << "no balloon";
      // A press closes the balloon and opens the log.
      const XSession::Box box = x.Geometry(x.Balloons().front());
      x.Shell("xdotool mousemove " + std::to_string(box.x + box.width / 2) + " " +
              std::to_string(box.y + box.height / 2) + " click 1");
      EXPECT_TRUE(WaitUntil([&] { return x.Balloons().empty(); }, 5));
      EXPECT_TRUE(WaitUntil([&] { return ReadAll(called).ends_with(log); }, 5)) << ReadAll(called);
    } else {
      usleep(3000 * 1000);  // the follower notices an end within a second
      EXPECT_TRUE(x.Balloons().empty()) << "a success shows nothing";
    }
  }
  EXPECT_TRUE(Arrived(local, "sub/b.txt", "拉取\n"));

  x.RequestClose(client);
  EXPECT_TRUE(gui.WaitForExit());
  EXPECT_EQ(LogLines(gui.Folder()).size(), std::size(cases)) << "closing logs nothing";
}

}  // namespace
}  // namespace mirvo::testing
