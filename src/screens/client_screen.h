#pragma once

#include "client/client_window.h"
#include "screens/tray_notifier.h"
#include "screens/working_screen.h"

namespace mirvo::screens {

// The client window: its three buttons, the schedule's timer, and the tray icon that tells its
// transfers' failures and opens their log.
class ClientScreen final : public WorkingScreen {
 public:
  ClientScreen(WindowFactory& factory, Platform& platform, BusyFlag& busy);

 private:
  bool Click(std::string_view button) override;
  bool Tick(std::string_view timer) override;
  // The close steps end every rsync.exe; the transfers are forgotten first, so that none of those
  // ends is logged or announced.
  void BeforeClose() override { logic_.OnClosing(); }

  TrayNotifier notifier_;
  ClientWindow logic_;
};

}  // namespace mirvo::screens
