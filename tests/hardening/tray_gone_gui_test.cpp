// The tray host disappears while the server window is open (trayer killed under a private Xvfb
// with a window manager): minimizing must then leave the window reachable, minimized in the
// window manager's list, instead of hiding it where nothing can bring it back.
#include <signal.h>

#include "e2e/gui_session.h"

namespace mirvo::testing {
namespace {

TEST(TrayGone, MinimizingWithoutATrayLeavesTheWindowOnTheScreen) {
  XSession x;
  ASSERT_TRUE(x.Ready());
  TempFolder root;
  StagedProgram program(x, root / "prog");
  const XWindow server = program.StartInto("启动服务端", "MIRVO服务端");
  ASSERT_NE(server, 0u);
  ASSERT_TRUE(WaitUntil([&] { return x.TrayIcons().size() == 1; }, 5));

  // The tray host is a child of this test process; the session reaps it at its end.
  int killed = 0;
  for (const ProcessEntry& p : Processes()) {
    if (p.comm == "trayer" && p.parent == getpid() && kill(p.pid, SIGKILL) == 0) ++killed;
  }
  ASSERT_EQ(killed, 1);
  usleep(1000 * 1000);

  x.Minimize(server);
  ASSERT_TRUE(WaitUntil([&] { return !x.Viewable(server); }, 5)) << "minimized";
  usleep(1000 * 1000);
  EXPECT_TRUE(x.Managed(server)) << "hidden although no tray could bring it back";
  EXPECT_FALSE(program.WaitForExit(0)) << "the program still runs";
  // The window manager's window list brings it back.
  x.Shell("wmctrl -i -a " + std::to_string(server));
  EXPECT_TRUE(WaitUntil([&] { return x.Viewable(server); }, 5)) << "back from the window list";
}

}  // namespace
}  // namespace mirvo::testing
