#pragma once

#include "daemon/server_window.h"
#include "screens/screen.h"
#include "tray/lifecycle.h"
#include "tray/tray_menu.h"

namespace mirvo::screens {

// The server window: its two buttons, the two checks of its daemon, and the tray lifecycle.
class ServerScreen final : public Screen {
 public:
  ServerScreen(WindowFactory& factory, Platform& platform, BusyFlag& busy);

  bool Load() override;
  bool Working() const override { return true; }

  // The frame and the tray icon: every event of them goes to the lifecycle.
  void OnResize() override { lifecycle_.OnResize(); }
  void OnPointerMove(float xTwips) override { lifecycle_.OnPointerMove(xTwips); }
  void OnTrayDoubleClick() override { lifecycle_.RestoreFromTray(); }
  void OnTrayRightClick() override { trayMenu_.OnRightClick(); }
  void OnTrayMessageClick() override { trayMenu_.OnMessageClick(); }
  bool OnCloseRequest() override;

 private:
  bool Click(std::string_view button) override;
  bool Tick(std::string_view timer) override;

  WorkingWindowLifecycle lifecycle_;
  ServerWindow logic_;
  TrayMenu trayMenu_;
};

}  // namespace mirvo::screens
