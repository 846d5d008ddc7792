#include "screens/server_screen.h"

#include "foundation/control_names.h"

namespace mirvo::screens {

namespace server = names::server;

ServerScreen::ServerScreen(WindowFactory& factory, Platform& platform, BusyFlag& busy)
    : WorkingScreen(factory, layout::ServerLayout(), platform, busy, {}),
      logic_(Window().Controls(), platform) {}

bool ServerScreen::Click(std::string_view button) {
  if (button == server::kStart) {
    logic_.OnStartClicked();
  } else if (button == server::kStop) {
    logic_.OnStopClicked();
  } else {
    return false;
  }
  return true;
}

bool ServerScreen::Tick(std::string_view timer) {
  if (timer == server::kStartCheckTimer) {
    logic_.OnStartCheckTick();
  } else if (timer == server::kStopCheckTimer) {
    logic_.OnStopCheckTick();
  } else {
    return false;
  }
  return true;
}

}  // namespace mirvo::screens
