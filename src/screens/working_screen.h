#pragma once

#include <functional>

#include "foundation/platform.h"
#include "screens/screen.h"
#include "tray/lifecycle.h"
#include "tray/tray_menu.h"

namespace mirvo::screens {

// What the two working windows share: the tray icon from load to close with its menu and balloon,
// every event of the frame and the icon, and the close that stops rsync and ends the program.
class WorkingScreen : public Screen {
 public:
  // openTransferLog: how the icon's menu and balloon open the result log; empty on a window that
  // has none.
  WorkingScreen(WindowFactory& factory, const layout::WindowLayout& layout, Platform& platform,
                BusyFlag& busy, std::function<void()> openTransferLog);

  bool Load() final;
  bool Working() const final { return true; }

  void OnResize() final { lifecycle_.OnResize(); }
  void OnPointerMove(float xTwips) final { lifecycle_.OnPointerMove(xTwips); }
  void OnTrayDoubleClick() final { lifecycle_.RestoreFromTray(); }
  void OnTrayRightClick() final { trayMenu_.OnRightClick(); }
  void OnTrayMessageClick() final { trayMenu_.OnMessageClick(); }
  // The close box, the session's end and the menu's 退出 alike.
  bool OnCloseRequest() final;

 protected:
  // What the window's logic does before the close steps end every rsync.exe.
  virtual void BeforeClose() {}

 private:
  WorkingWindowLifecycle lifecycle_;
  TrayMenu trayMenu_;
};

}  // namespace mirvo::screens
