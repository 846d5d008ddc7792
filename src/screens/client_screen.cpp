#include "screens/client_screen.h"

#include <string>

#include "client/transfer_log.h"
#include "foundation/control_names.h"

namespace mirvo::screens {

namespace client = names::client;

ClientScreen::ClientScreen(WindowFactory& factory, Platform& platform, BusyFlag& busy)
    : Screen(factory, layout::ClientLayout(), busy),
      lifecycle_(Window().Frame(), platform, std::string(layout::ClientLayout().caption)),
      notifier_(Window().Frame(), Window().Controls()),
      logic_(Window().Controls(), platform, notifier_),
      trayMenu_(
          Window().Frame(), lifecycle_, [this] { OnCloseRequest(); },
          [this, &platform] { ShowTransferLog(platform, Window().Controls()); }) {}

bool ClientScreen::Load() {
  lifecycle_.OnLoad();
  return true;
}

bool ClientScreen::OnCloseRequest() {
  // The close steps end every rsync.exe; the transfers are forgotten first, so that none of
  // those ends is logged or announced.
  logic_.OnClosing();
  lifecycle_.OnCloseRequest();
  return true;
}

bool ClientScreen::Click(std::string_view button) {
  if (button == client::kTransferNow) {
    logic_.OnTransferNowClicked();
  } else if (button == client::kArm) {
    logic_.OnArmClicked();
  } else if (button == client::kCancel) {
    logic_.OnCancelClicked();
  } else {
    return false;
  }
  return true;
}

bool ClientScreen::Tick(std::string_view timer) {
  if (timer != client::kScheduleTimer) return false;
  logic_.OnScheduleTick();
  return true;
}

}  // namespace mirvo::screens
