#pragma once

#include <string_view>

#include "client/transfer_follower.h"
#include "foundation/form.h"
#include "tray/window_frame.h"

namespace mirvo::screens {

// Tells a failed transfer from the window's tray icon. Without a tray, the window's message box
// says it instead, but only while the window is on the screen: a box would otherwise wait unseen
// behind a hidden or minimized window. The follower's log keeps the failure either way.
class TrayNotifier final : public TransferNotifier {
 public:
  TrayNotifier(WindowFrame& frame, Form& form) : frame_(frame), form_(form) {}

  void AnnounceFailure(std::string_view title, std::string_view text) override;

 private:
  WindowFrame& frame_;
  Form& form_;
};

}  // namespace mirvo::screens
