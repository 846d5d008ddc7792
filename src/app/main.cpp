#include <QApplication>

#include "app/font_warm_up.h"
#include "foundation/control_names.h"
#include "foundation/posix/posix_platform.h"
#include "ui/qt/layout_window.h"
#include "ui/qt/qt_navigator.h"
#include "ui/qt/session_end.h"

// The program starts by creating the main console and running its load step; it reads no
// arguments of its own, no environment and no settings.
int main(int argc, char** argv) {
  const mirvo::app::FontWarmUp fonts;  // overlaps with the connection to the display
  QApplication application(argc, argv);
  // Windows end the program themselves: the console's close box, or a working window's close.
  application.setQuitOnLastWindowClosed(false);
  application.setWindowIcon(mirvo::ui::ProgramIcon());

  mirvo::PosixPlatform platform;
  mirvo::ui::QtNavigator navigator(platform);
  platform.SetMainThread(navigator);
  // The end of the session closes the working window as its close box does; the loss of the
  // display, after which no window can be closed, still stops rsync.
  const mirvo::ui::SessionEnd sessionEnd([&navigator] { navigator.CloseRequest(); },
                                         [&navigator] { navigator.StopRsyncAtExit(); });
  navigator.ShowWindow(mirvo::names::kConsoleWindow);
  return application.exec();
}
