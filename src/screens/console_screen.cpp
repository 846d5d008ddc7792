#include "screens/console_screen.h"

#include "foundation/control_names.h"

namespace mirvo::screens {

namespace console = names::console;

ConsoleScreen::ConsoleScreen(WindowFactory& factory, Platform& platform, Navigator& navigator,
                             BusyFlag& busy)
    : Screen(factory, layout::ConsoleLayout(), busy),
      factory_(factory),
      logic_(Window().Controls(), platform, navigator) {}

// The console's close box: no working window exists yet, so the program ends with it.
bool ConsoleScreen::OnCloseRequest() {
  factory_.Quit();
  return false;
}

bool ConsoleScreen::Click(std::string_view button) {
  if (button == console::kStartServer) {
    logic_.OnServerClicked();
  } else if (button == console::kStartClient) {
    logic_.OnClientClicked();
  } else if (button == console::kAbout) {
    logic_.OnAboutClicked();
  } else {
    return false;
  }
  return true;
}

}  // namespace mirvo::screens
