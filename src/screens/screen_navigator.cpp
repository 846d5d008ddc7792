#include "screens/screen_navigator.h"

#include "foundation/control_names.h"
#include "foundation/control_report.h"
#include "foundation/names.h"
#include "screens/client_screen.h"
#include "screens/console_screen.h"
#include "screens/server_screen.h"

namespace mirvo::screens {

ScreenNavigator::ScreenNavigator(WindowFactory& factory, Platform& platform)
    : factory_(factory), platform_(platform), busy_(factory) {}

ScreenNavigator::~ScreenNavigator() = default;

std::unique_ptr<Screen> ScreenNavigator::Create(std::string_view name) {
  if (name == names::kConsoleWindow) {
    return std::make_unique<ConsoleScreen>(factory_, platform_, *this, busy_);
  }
  if (name == names::kServerWindow) {
    return std::make_unique<ServerScreen>(factory_, platform_, busy_);
  }
  if (name == names::kClientWindow) {
    return std::make_unique<ClientScreen>(factory_, platform_, busy_);
  }
  return nullptr;
}

void ScreenNavigator::ShowWindow(std::string_view name) {
  auto it = loaded_.find(name);
  if (it == loaded_.end()) {
    std::unique_ptr<Screen> screen = Create(name);
    if (!screen) {
      ReportUnknownControl("Navigator", name, "ShowWindow");
      return;
    }
    Screen& loading = *screen;
    it = loaded_.emplace(std::string(name), std::move(screen)).first;
    bool loaded = false;
    {
      BusyFlag::Guard guard(busy_);  // the load step may show a message box
      loaded = loading.Load();
    }
    if (!loaded) {
      ExitNow();
      return;
    }
  }
  it->second->Window().Show();
}

void ScreenNavigator::UnloadWindow(std::string_view name) {
  auto it = loaded_.find(name);
  if (it == loaded_.end()) return;
  it->second->Window().Destroy();
  unloaded_.push_back(std::move(it->second));
  loaded_.erase(it);
}

void ScreenNavigator::ExitNow() { factory_.ExitNow(); }

void ScreenNavigator::Post(std::function<void()> work) { busy_.Post(std::move(work)); }

Screen* ScreenNavigator::OpenWorkingScreen() const {
  for (const auto& [name, screen] : loaded_) {
    if (screen->Working()) return screen.get();
  }
  return nullptr;
}

void ScreenNavigator::CloseRequest() {
  Screen* working = OpenWorkingScreen();
  if (working == nullptr) return factory_.ExitNow();
  working->OnCloseRequest();
}

void ScreenNavigator::StopRsyncAtExit() {
  if (stoppedAtExit_ || OpenWorkingScreen() == nullptr) return;
  stoppedAtExit_ = true;
  (void)platform_.RunCommand(std::string(StopDaemonCommand), WindowMode::Hidden);
}

NativeWindow* ScreenNavigator::Loaded(std::string_view name) const {
  auto it = loaded_.find(name);
  return it == loaded_.end() ? nullptr : &it->second->Window();
}

std::vector<NativeWindow*> ScreenNavigator::LoadedWindows() const {
  std::vector<NativeWindow*> windows;
  for (const auto& [name, screen] : loaded_) windows.push_back(&screen->Window());
  return windows;
}

}  // namespace mirvo::screens
