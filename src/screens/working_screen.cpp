#include "screens/working_screen.h"

#include <string>
#include <utility>

namespace mirvo::screens {

WorkingScreen::WorkingScreen(WindowFactory& factory, const layout::WindowLayout& layout,
                             Platform& platform, BusyFlag& busy,
                             std::function<void()> openTransferLog)
    : Screen(factory, layout, busy),
      lifecycle_(Window().Frame(), platform, std::string(layout.caption)),
      trayMenu_(
          Window().Frame(), lifecycle_, [this] { OnCloseRequest(); }, std::move(openTransferLog)) {}

bool WorkingScreen::Load() {
  lifecycle_.OnLoad();
  return true;
}

bool WorkingScreen::OnCloseRequest() {
  BeforeClose();
  lifecycle_.OnCloseRequest();
  return true;
}

}  // namespace mirvo::screens
