#include "screens/client_screen.h"

#include "client/transfer_log.h"
#include "foundation/control_names.h"

namespace mirvo::screens {

namespace client = names::client;

ClientScreen::ClientScreen(WindowFactory& factory, Platform& platform, BusyFlag& busy)
    : WorkingScreen(factory, layout::ClientLayout(), platform, busy,
                    [this, &platform] { ShowTransferLog(platform, Window().Controls()); }),
      notifier_(Window().Frame(), Window().Controls()),
      logic_(Window().Controls(), platform, notifier_) {}

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
