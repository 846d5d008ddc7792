#include "screens/screen_navigator.h"

#include <array>
#include <span>

#include "client/client_window.h"
#include "client/transfer_log.h"
#include "console/console_window.h"
#include "daemon/server_window.h"
#include "foundation/control_names.h"
#include "foundation/control_report.h"
#include "foundation/names.h"
#include "screens/tray_notifier.h"
#include "tray/lifecycle.h"
#include "tray/tray_menu.h"

namespace mirvo::screens {

// A loaded window with its logic: it receives the window's events and routes them.
class ScreenNavigator::Screen : public WindowEvents {
 public:
  Screen(WindowFactory& factory, const layout::WindowLayout& layout, bool& busy)
      : layout_(layout), busy_(busy), window_(factory.MakeWindow(layout, *this)) {}

  NativeWindow& Window() { return *window_; }
  // The window's load step; false when the program is to end.
  virtual bool Load() = 0;
  // A working window has the close steps that stop rsync; the console has no lifecycle.
  virtual bool Working() const { return false; }

  void OnClick(std::string_view button) override { Dispatch(EventKind::Click, button); }
  void OnTimer(std::string_view timer) override { Dispatch(EventKind::Tick, timer); }
  void OnResize() override {}
  void OnPointerMove(float) override {}
  void OnTrayDoubleClick() override {}
  void OnTrayRightClick() override {}
  void OnTrayMessageClick() override {}

 protected:
  // Runs the handler of the control's click or tick; false when the control has none.
  virtual bool Handle(EventKind kind, std::string_view control) = 0;

  const layout::WindowLayout& layout_;

 private:
  // A tick never runs inside another handler: a message box runs an event loop of its own, in
  // which the windows' timers keep ticking. Such a tick is dropped, not kept for later; the timer
  // ticks again in its time.
  void Dispatch(EventKind kind, std::string_view control) {
    if (busy_ && kind == EventKind::Tick) return;
    const bool outer = busy_;
    busy_ = true;
    const bool handled = Handle(kind, control);
    busy_ = outer;
    if (!handled) {
      ReportUnknownControl(layout_.name, control, kind == EventKind::Click ? "click" : "tick");
    }
  }

  bool& busy_;  // shared by every window of the program
  std::unique_ptr<NativeWindow> window_;
};

namespace {

namespace console = names::console;
namespace server = names::server;
namespace client = names::client;

template <class Logic>
struct Route {
  EventKind kind;
  std::string_view control;
  void (Logic::*handler)();
};

constexpr std::array<Route<ConsoleWindow>, 3> kConsoleRoutes{{
    {EventKind::Click, console::kStartServer, &ConsoleWindow::OnServerClicked},
    {EventKind::Click, console::kStartClient, &ConsoleWindow::OnClientClicked},
    {EventKind::Click, console::kAbout, &ConsoleWindow::OnAboutClicked},
}};

constexpr std::array<Route<ServerWindow>, 4> kServerRoutes{{
    {EventKind::Click, server::kStart, &ServerWindow::OnStartClicked},
    {EventKind::Click, server::kStop, &ServerWindow::OnStopClicked},
    {EventKind::Tick, server::kStartCheckTimer, &ServerWindow::OnStartCheckTick},
    {EventKind::Tick, server::kStopCheckTimer, &ServerWindow::OnStopCheckTick},
}};

constexpr std::array<Route<ClientWindow>, 5> kClientRoutes{{
    {EventKind::Click, client::kTransferNow, &ClientWindow::OnTransferNowClicked},
    {EventKind::Click, client::kArm, &ClientWindow::OnArmClicked},
    {EventKind::Click, client::kCancel, &ClientWindow::OnCancelClicked},
    {EventKind::Tick, client::kScheduleTimer, &ClientWindow::OnTimerTick},
    {EventKind::Tick, client::kPollTimer, &ClientWindow::OnPollTick},
}};

template <class Logic>
bool RunRoute(std::span<const Route<Logic>> routes, Logic& logic, EventKind kind,
              std::string_view control) {
  for (const Route<Logic>& route : routes) {
    if (route.kind == kind && route.control == control) {
      (logic.*route.handler)();
      return true;
    }
  }
  return false;
}

template <class Logic>
void AddWired(std::span<const Route<Logic>> routes, std::vector<WiredControl>& wired) {
  for (const Route<Logic>& route : routes) wired.push_back({route.kind, route.control});
}

class ConsoleScreen final : public ScreenNavigator::Screen {
 public:
  ConsoleScreen(WindowFactory& factory, Platform& platform, Navigator& navigator, bool& busy)
      : Screen(factory, layout::ConsoleLayout(), busy),
        factory_(factory),
        logic_(Window().Controls(), platform, navigator) {}

  bool Load() override { return logic_.OnLoad(); }
  // The console's close box: no working window exists yet, so the program ends with it.
  bool OnCloseRequest() override {
    factory_.Quit();
    return false;
  }

 private:
  bool Handle(EventKind kind, std::string_view control) override {
    return RunRoute<ConsoleWindow>(kConsoleRoutes, logic_, kind, control);
  }

  WindowFactory& factory_;
  ConsoleWindow logic_;
};

// What the two working windows share: the tray icon from load to close, and the close that stops
// rsync and ends the program.
class WorkingScreen : public ScreenNavigator::Screen {
 public:
  WorkingScreen(WindowFactory& factory, const layout::WindowLayout& layout, Platform& platform,
                bool& busy, std::function<void()> openTransferLog = {})
      : Screen(factory, layout, busy),
        lifecycle_(Window().Frame(), platform, std::string(layout.caption)),
        trayMenu_(
            Window().Frame(), lifecycle_, [this] { OnCloseRequest(); },
            std::move(openTransferLog)) {}

  bool Load() override {
    lifecycle_.OnLoad();
    return true;
  }
  bool Working() const override { return true; }
  void OnResize() override { lifecycle_.OnResize(); }
  void OnPointerMove(float xTwips) override { lifecycle_.OnPointerMove(xTwips); }
  void OnTrayDoubleClick() override { lifecycle_.RestoreFromTray(); }
  void OnTrayRightClick() override { trayMenu_.OnRightClick(); }
  void OnTrayMessageClick() override { trayMenu_.OnMessageClick(); }
  bool OnCloseRequest() override {
    lifecycle_.OnCloseRequest();
    return true;
  }

 private:
  WorkingWindowLifecycle lifecycle_;
  TrayMenu trayMenu_;
};

// A working window with its logic and the table of its handlers.
template <class Logic>
class LogicScreen final : public WorkingScreen {
 public:
  LogicScreen(WindowFactory& factory, const layout::WindowLayout& layout, Platform& platform,
              std::span<const Route<Logic>> routes, bool& busy)
      : WorkingScreen(factory, layout, platform, busy),
        routes_(routes),
        logic_(Window().Controls(), platform) {}

 private:
  bool Handle(EventKind kind, std::string_view control) override {
    return RunRoute<Logic>(routes_, logic_, kind, control);
  }
  std::span<const Route<Logic>> routes_;
  Logic logic_;
};

// The client window: its transfers' failures are told from its tray icon.
class ClientScreen final : public WorkingScreen {
 public:
  ClientScreen(WindowFactory& factory, Platform& platform, bool& busy)
      : WorkingScreen(factory, layout::ClientLayout(), platform, busy,
                      [this, &platform] { ShowTransferLog(platform, Window().Controls()); }),
        notifier_(Window().Frame(), Window().Controls()),
        logic_(Window().Controls(), platform, notifier_) {}

  bool OnCloseRequest() override {
    // The close steps end every rsync.exe; the transfers are forgotten first, so that none of
    // those ends is logged or announced.
    logic_.OnClosing();
    return WorkingScreen::OnCloseRequest();
  }

 private:
  bool Handle(EventKind kind, std::string_view control) override {
    return RunRoute<ClientWindow>(kClientRoutes, logic_, kind, control);
  }

  TrayNotifier notifier_;
  ClientWindow logic_;
};

}  // namespace

std::vector<WiredControl> WiredControls(std::string_view window) {
  std::vector<WiredControl> wired;
  if (window == names::kConsoleWindow) AddWired<ConsoleWindow>(kConsoleRoutes, wired);
  if (window == names::kServerWindow) AddWired<ServerWindow>(kServerRoutes, wired);
  if (window == names::kClientWindow) AddWired<ClientWindow>(kClientRoutes, wired);
  return wired;
}

ScreenNavigator::ScreenNavigator(WindowFactory& factory, Platform& platform)
    : factory_(factory), platform_(platform) {}

ScreenNavigator::~ScreenNavigator() = default;

std::unique_ptr<ScreenNavigator::Screen> ScreenNavigator::Create(std::string_view name) {
  if (name == names::kConsoleWindow) {
    return std::make_unique<ConsoleScreen>(factory_, platform_, *this, busy_);
  }
  if (name == names::kServerWindow) {
    return std::make_unique<LogicScreen<ServerWindow>>(factory_, layout::ServerLayout(), platform_,
                                                       kServerRoutes, busy_);
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
    const bool outer = busy_;
    busy_ = true;  // the load step may show a message box
    const bool loaded = loading.Load();
    busy_ = outer;
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

ScreenNavigator::Screen* ScreenNavigator::OpenWorkingScreen() const {
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
