#include "screens/tray_notifier.h"

namespace mirvo::screens {

void TrayNotifier::AnnounceFailure(std::string_view title, std::string_view text) {
  if (frame_.ShowTrayMessage(title, text)) return;
  if (frame_.IsShowing()) form_.ShowMessage(text, title);
}

}  // namespace mirvo::screens
