#pragma once

#include "daemon/server_window.h"
#include "screens/working_screen.h"

namespace mirvo::screens {

// The server window: its two buttons and the two checks of its daemon.
class ServerScreen final : public WorkingScreen {
 public:
  ServerScreen(WindowFactory& factory, Platform& platform, BusyFlag& busy);

 private:
  bool Click(std::string_view button) override;
  bool Tick(std::string_view timer) override;

  ServerWindow logic_;
};

}  // namespace mirvo::screens
