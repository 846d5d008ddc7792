#pragma once

#include "client/client_window.h"
#include "screens/screen.h"
#include "screens/tray_notifier.h"
#include "tray/lifecycle.h"
#include "tray/tray_menu.h"

namespace mirvo::screens {

// The client window: its three buttons, the schedule's timer, the tray lifecycle, and the tray
// icon that tells its transfers' failures.
class ClientScreen final : public Screen {
 public:
  ClientScreen(WindowFactory& factory, Platform& platform, BusyFlag& busy);

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
  TrayNotifier notifier_;
  ClientWindow logic_;
  TrayMenu trayMenu_;  // after the logic, whose close steps its 退出 runs
};

}  // namespace mirvo::screens
