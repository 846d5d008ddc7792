#pragma once

#include "console/console_window.h"
#include "screens/screen.h"

namespace mirvo::screens {

// The main console: the start-up check at load and its three buttons. It has no tray lifecycle.
class ConsoleScreen final : public Screen {
 public:
  ConsoleScreen(WindowFactory& factory, Platform& platform, Navigator& navigator, BusyFlag& busy);

  bool Load() override { return logic_.OnLoad(); }
  bool OnCloseRequest() override;

 private:
  bool Click(std::string_view button) override;

  WindowFactory& factory_;
  ConsoleWindow logic_;
};

}  // namespace mirvo::screens
