// The program as a person meets it: start-up with and without rsync beside it.
#include "gui_session.h"

namespace mirvo::testing {
namespace {

TEST(GuiStartup, WithoutRsyncAMessageSaysSoAndTheProgramEndsAfterOk) {
  XSession x;
  ASSERT_TRUE(x.Ready());
  TempFolder root;
  StagedProgram program(x, root / "程序", /*withRsync=*/false);
  program.Start();

  const XWindow box = x.WaitForWindow("注意：");
  ASSERT_NE(box, 0u) << "the message box titled 注意： appears";
  EXPECT_EQ(x.FindWindow("MIRVO主控制台0.1"), 0u) << "the console is never shown";
  EXPECT_NE(x.Shell("xdotool search --name '请将Rsync'"), "x") << "";
  x.Shell("xdotool windowfocus --sync " + std::to_string(box));
  x.Shell("xdotool key Return");
  EXPECT_TRUE(program.WaitForExit()) << "the process is gone after OK";
}

TEST(GuiStartup, WithRsyncTheConsoleOpensAndItsCloseBoxEndsTheProgram) {
  XSession x;
  ASSERT_TRUE(x.Ready());
  TempFolder root;
  StagedProgram program(x, root / "程序");
  program.Start();

  const XWindow console = x.WaitForWindow("MIRVO主控制台0.1");
  ASSERT_NE(console, 0u);
  const XSession::Box box = x.Geometry(console);
  EXPECT_EQ(box.width, 4215 / 15);
  EXPECT_EQ(box.height, 2415 / 15);
  EXPECT_TRUE(x.TrayIcons().empty()) << "the console has no tray icon";
  x.RequestClose(console);
  EXPECT_TRUE(program.WaitForExit());
}

}  // namespace
}  // namespace mirvo::testing
