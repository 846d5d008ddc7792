// The server window driven as a person would, with a window manager and a tray: the keyboard
// from the focus it opens with, hide in the tray and come back, start the daemon, stop, close.
#include <chrono>
#include <csignal>

#include "gui_session.h"

namespace mirvo::testing {
namespace {

const layout::WindowLayout& kServer = layout::ServerLayout();

std::string ExpectedConfig(const std::string& sharePath) {
  return "uid = 0\r\ngid = 0\r\nuse chroot = false\r\nstrict modes = true\r\nfake super = yes\r\n"
         "dont compress = *.gz *.tgz *.zip *.rpm *.deb *.iso *.bz2 *.tbz *.7z *.rar *.arj *.jar "
         "*.cab *.avi *.mp4 *.rmvb *.rm *.mp3 *.ape *.flv *.wma *.wmv\r\n"
         "hosts allow = *\r\n[gui]\r\npath = /cygdrive/" +
         sharePath + "\r\nread only = true\r\ntransfer logging = no\r\n\r\n";
}

TEST(GuiServer, StartMinimizeRestoreStopAndClose) {
  XSession x;
  ASSERT_TRUE(x.Ready());
  TempFolder root;
  const std::string share = root / "share";
  std::filesystem::create_directories(share + "/sub");
  root.Write("share/a.bin", Bytes(70000, 1));
  root.Write("share/sub/b.txt", "第二个文件\n");
  StagedProgram program(x, root / "prog");
  const std::string port = std::to_string(FreeLoopbackPort());
  program.AlsoEnd("--port=" + port);
  program.Start();

  const XWindow console = x.WaitForWindow("MIRVO主控制台0.1");
  ASSERT_NE(console, 0u);
  // The console opens active with the focus on 启动服务端 (tab index 0): Space presses it.
  EXPECT_TRUE(WaitUntil([&] { return x.Focused() == console; }, 5)) << "the console is active";
  x.Shell("xdotool key space");
  const XWindow server = x.WaitForWindow("MIRVO服务端");
  ASSERT_NE(server, 0u);
  EXPECT_TRUE(WaitUntil([&] { return x.FindWindow("MIRVO主控制台0.1") == 0; }, 5))
      << "the console is gone once the server window shows";
  EXPECT_EQ(x.Geometry(server).width, 4530 / 15);
  EXPECT_EQ(x.Geometry(server).height, 4665 / 15);
  EXPECT_TRUE(WaitUntil([&] { return x.TrayIcons().size() == 1; }, 5)) << "icon from load on";

  // The window manager activates the window once the console has gone, and 启动服务 (tab index
  // 0) holds the focus: the first Tab moves it on to 共享路径, which takes what is typed next.
  EXPECT_TRUE(WaitUntil([&] { return x.Focused() == server; }, 5)) << "active after the console";
  x.Shell("xdotool key Tab");
  x.Shell("xdotool type --delay 8 '" + share + "'");
  x.TypeInto(server, kServer, "共享名", "gui");
  x.TypeInto(server, kServer, "端口号", port);
  // Back to 启动服务 from the box before it in the keyboard order.
  x.Click(server, kServer, "共享路径");
  x.Shell("xdotool key shift+Tab");

  // Minimized into the tray and back by a double-click on the icon: at the same place, active,
  // and the focus where it was, so that Space presses 启动服务.
  const XSession::RoundTrip trip = x.MinimizeAndRestoreFromTray(server, 97, 254);
  EXPECT_EQ(trip.after, trip.before) << "the client area moved";
  x.Shell("xdotool key space");

  ASSERT_TRUE(WaitUntil([&] { return PortAnswers(std::stoi(port)); }, 15)) << "daemon answers";
  EXPECT_EQ(ReadAll(program.Folder() + "/rsyncd.conf"), ExpectedConfig(share));
  EXPECT_EQ(ReadAll(program.Folder() + "/rsyncd.secrets"), "\r\n");
  // A real client pulls the module.
  const std::string copy = root / "copy";
  const std::string pull = "rsync -a rsync://127.0.0.1:" + port + "/gui/ " + copy + "/";
  ASSERT_EQ(std::system(pull.c_str()), 0);
  EXPECT_EQ(FilesUnder(copy), FilesUnder(share));

  // Hidden and back again while the daemon runs: it goes on serving.
  const XSession::RoundTrip again = x.MinimizeAndRestoreFromTray(server, 150, 120);
  EXPECT_EQ(again.after, again.before);
  EXPECT_TRUE(PortAnswers(std::stoi(port)));

  // 启动服务 is disabled now: the focus is on the first control that can take it, 停止服务, and
  // Space stops the daemon.
  x.Shell("xdotool key space");
  EXPECT_TRUE(WaitUntil([&] { return !PortAnswers(std::stoi(port)); }, 10)) << "daemon stopped";

  // Start again as soon as 启动服务 comes back, once the window has seen the daemon gone; then
  // close: every rsync.exe ends, the icon goes, the process exits.
  ASSERT_TRUE(WaitUntil(
      [&] {
        x.Click(server, kServer, "启动服务");
        return WaitUntil([&] { return PortAnswers(std::stoi(port)); }, 1);
      },
      15));
  x.RequestClose(server);
  EXPECT_TRUE(program.WaitForExit()) << "the program ends on close";
  EXPECT_TRUE(WaitUntil([&] { return LiveRsyncExe("--port=" + port) == 0; }, 10));
  EXPECT_TRUE(WaitUntil([&] { return !PortAnswers(std::stoi(port)); }, 10));
  EXPECT_TRUE(WaitUntil([&] { return x.TrayIcons().empty(); }, 5)) << "icon gone";
}

// The end of the session with a daemon running: a signal the session sends, or the display going
// away. Within 3 seconds no rsync.exe is left, the port is closed, the icon is gone and so is the
// program. The same holds after 退出 from the icon's menu (-1).
TEST(GuiServer, TheEndOfTheSessionEndsTheDaemonTheIconAndTheProgram) {
  struct Case {
    const char* name;
    int signal;  // 0: the X server goes away
  } cases[] = {{"SIGTERM", SIGTERM}, {"SIGHUP", SIGHUP}, {"display lost", 0}, {"退出", -1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    XSession x;
    ASSERT_TRUE(x.Ready());
    TempFolder root;
    const std::string share = root / "share";
    std::filesystem::create_directories(share);
    StagedProgram program(x, root / "prog");
    const int port = FreeLoopbackPort();
    program.AlsoEnd("--port=" + std::to_string(port));
    const XWindow server = program.StartInto("启动服务端", "MIRVO服务端");
    ASSERT_NE(server, 0u);
    x.TypeInto(server, kServer, "共享路径", share);
    x.TypeInto(server, kServer, "端口号", std::to_string(port));
    x.Click(server, kServer, "启动服务");
    ASSERT_TRUE(WaitUntil([&] { return PortAnswers(port); }, 15)) << "daemon answers";
    ASSERT_EQ(x.TrayIcons().size(), 1u);

    const auto sent = std::chrono::steady_clock::now();
    if (c.signal < 0) {  // a right-click on the icon, and its second entry by the keyboard
      const XSession::Box icon = x.Geometry(x.TrayIcons().at(0));
      x.Shell("xdotool mousemove " + std::to_string(icon.x + icon.width / 2) + " " +
              std::to_string(icon.y + icon.height / 2) + " click 3 sleep 0.5 key Down Down Return");
    } else if (c.signal != 0) {
      program.Signal(c.signal);
    } else {
      x.EndServer();
    }
    EXPECT_TRUE(program.WaitForExit(3)) << "the program ends";
    EXPECT_TRUE(WaitUntil([&] { return LiveRsyncExe() == 0; }, 3)) << "no rsync.exe left";
    EXPECT_FALSE(PortAnswers(port));
    if (c.signal != 0) {
      EXPECT_TRUE(x.TrayIcons().empty()) << "icon gone";
    }
    std::printf("%s: checked after %lld ms\n", c.name,
                static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                           std::chrono::steady_clock::now() - sent)
                                           .count()));
  }
}

}  // namespace
}  // namespace mirvo::testing
