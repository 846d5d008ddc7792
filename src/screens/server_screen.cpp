#include "screens/server_screen.h"

#include <string>

#include "foundation/control_names.h"

namespace mirvo::screens {

namespace server = names::server;

ServerScreen::ServerScreen(WindowFactory& factory, Platform& platform, BusyFlag& busy)
    : Screen(factory, layout::ServerLayout(), busy),
      lifecycle_(Window().Frame(), platform, std::string(layout::ServerLayout().caption)),
      logic_(Window().Controls(), platform),
      trayMenu_(Window().Frame(), lifecycle_, [this] { OnCloseRequest(); }, {}) {}

bool ServerScreen::Load() {
  lifecycle_.OnLoad();
  return true;
}

bool ServerScreen::OnCloseRequest() {
  lifecycle_.OnCloseRequest();
  return true;
}

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
