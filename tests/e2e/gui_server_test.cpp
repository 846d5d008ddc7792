// The server window driven as a person would: start the daemon, hide in the tray and come back,
// stop, and close.
#include "gui_session.h"

namespace mirvo::testing {
namespace {

const layout::WindowLayout& kConsole = layout::ConsoleLayout();
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
  x.Click(console, kConsole, "启动服务端");
  const XWindow server = x.WaitForWindow("MIRVO服务端");
  ASSERT_NE(server, 0u);
  EXPECT_TRUE(WaitUntil([&] { return x.FindWindow("MIRVO主控制台0.1") == 0; }, 5))
      << "the console is gone once the server window shows";
  EXPECT_EQ(x.Geometry(server).width, 4530 / 15);
  EXPECT_EQ(x.Geometry(server).height, 4665 / 15);
  EXPECT_TRUE(WaitUntil([&] { return x.TrayIcons().size() == 1; }, 5)) << "icon from load on";

  x.TypeInto(server, kServer, "共享路径", share);
  x.TypeInto(server, kServer, "共享名", "gui");
  x.TypeInto(server, kServer, "端口号", port);
  x.Click(server, kServer, "启动服务");

  ASSERT_TRUE(WaitUntil([&] { return PortAnswers(std::stoi(port)); }, 15)) << "daemon answers";
  EXPECT_EQ(ReadAll(program.Folder() + "/rsyncd.conf"), ExpectedConfig(share));
  EXPECT_EQ(ReadAll(program.Folder() + "/rsyncd.secrets"), "\r\n");
  // A real client pulls the module.
  const std::string copy = root / "copy";
  const std::string pull = "rsync -a rsync://127.0.0.1:" + port + "/gui/ " + copy + "/";
  ASSERT_EQ(std::system(pull.c_str()), 0);
  EXPECT_EQ(FilesUnder(copy), FilesUnder(share));

  // Minimized: off the screen, icon still there. A double-click on it brings the window back.
  x.Shell("xdotool windowmove --sync " + std::to_string(server) + " 150 120");
  ASSERT_TRUE(WaitUntil([&] { return x.Geometry(server).x == 150; }, 3));
  const XSession::Box before = x.Geometry(server);
  x.Minimize(server);
  ASSERT_TRUE(WaitUntil([&] { return !x.Viewable(server); }, 5)) << "hidden on minimize";
  EXPECT_EQ(x.TrayIcons().size(), 1u);
  const std::vector<XWindow> icons = x.TrayIcons();
  ASSERT_EQ(icons.size(), 1u);
  x.DoubleClick(icons.front());
  ASSERT_TRUE(WaitUntil([&] { return x.Viewable(server); }, 5)) << "back on a double-click";
  EXPECT_TRUE(WaitUntil([&] { return x.Geometry(server) == before; }, 3)) << "at its place";

  // Stop: the daemon is gone.
  x.Click(server, kServer, "停止服务");
  EXPECT_TRUE(WaitUntil([&] { return !PortAnswers(std::stoi(port)); }, 10)) << "daemon stopped";

  // Start again, then close: every rsync.exe ends, the icon goes, the process exits.
  x.Click(server, kServer, "启动服务");
  ASSERT_TRUE(WaitUntil([&] { return PortAnswers(std::stoi(port)); }, 15));
  x.RequestClose(server);
  EXPECT_TRUE(program.WaitForExit()) << "the program ends on close";
  EXPECT_TRUE(WaitUntil([&] { return LiveRsyncExe("--port=" + port) == 0; }, 10));
  EXPECT_TRUE(WaitUntil([&] { return !PortAnswers(std::stoi(port)); }, 10));
  EXPECT_TRUE(WaitUntil([&] { return x.TrayIcons().empty(); }, 5)) << "icon gone";
}

}  // namespace
}  // namespace mirvo::testing
