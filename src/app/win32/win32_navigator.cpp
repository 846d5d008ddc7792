#include "app/win32/win32_navigator.h"

#include "client/client_window.h"
#include "console/console_window.h"
#include "daemon/server_window.h"
#include "resources/layouts.h"
#include "tray/lifecycle.h"
#include "ui/win32/win32_window.h"

namespace mirvo::win32 {

// A loaded window with its logic.
struct Win32Navigator::Screen {
  Screen(const layout::WindowLayout& layout, HICON icon) : window(layout, icon) {}
  virtual ~Screen() = default;
  virtual bool Load() = 0;  // false when the program is to end
  Win32Window window;
};

namespace {

struct ConsoleScreen : Win32Navigator::Screen {
  ConsoleScreen(HICON icon, Platform& platform, Navigator& navigator)
      : Screen(layout::ConsoleLayout(), icon), logic(window, platform, navigator) {
    WindowEvents events;
    events.click = [this](std::string_view button) {
      if (button == "启动服务端") logic.OnServerClicked();
      if (button == "启动客户端") logic.OnClientClicked();
      if (button == "关于") logic.OnAboutClicked();
    };
    window.SetEvents(std::move(events));
  }
  bool Load() override { return logic.OnLoad(); }
  ConsoleWindow logic;
};

// The two working windows share the tray icon and the lifecycle.
struct WorkingScreen : Win32Navigator::Screen {
  WorkingScreen(const layout::WindowLayout& layout, HICON icon, Platform& platform)
      : Screen(layout, icon), lifecycle(window, platform, std::string(layout.caption)) {}
  WindowEvents LifecycleEvents() {
    WindowEvents events;
    events.resize = [this] { lifecycle.OnResize(); };
    events.pointerMove = [this](float x) { lifecycle.OnPointerMove(x); };
    events.closeRequest = [this] { lifecycle.OnCloseRequest(); };
    return events;
  }
  bool Load() override {
    lifecycle.OnLoad();
    return true;
  }
  WorkingWindowLifecycle lifecycle;
};

struct ServerScreen : WorkingScreen {
  ServerScreen(HICON icon, Platform& platform)
      : WorkingScreen(layout::ServerLayout(), icon, platform), logic(window, platform) {
    WindowEvents events = LifecycleEvents();
    events.click = [this](std::string_view button) {
      if (button == "启动服务") logic.OnStartClicked();
      if (button == "停止服务") logic.OnStopClicked();
    };
    events.timer = [this](std::string_view) { logic.OnStartCheckTick(); };
    window.SetEvents(std::move(events));
  }
  ServerWindow logic;
};

struct ClientScreen : WorkingScreen {
  ClientScreen(HICON icon, Platform& platform)
      : WorkingScreen(layout::ClientLayout(), icon, platform), logic(window, platform) {
    WindowEvents events = LifecycleEvents();
    events.click = [this](std::string_view button) {
      if (button == "开始同步") logic.OnTransferNowClicked();
      if (button == "定时同步") logic.OnArmClicked();
      if (button == "取消定时") logic.OnCancelClicked();
    };
    events.timer = [this](std::string_view) { logic.OnTimerTick(); };
    window.SetEvents(std::move(events));
  }
  ClientWindow logic;
};

}  // namespace

Win32Navigator::Win32Navigator(Platform& platform, HICON icon) : platform_(platform), icon_(icon) {}

Win32Navigator::~Win32Navigator() = default;

std::unique_ptr<Win32Navigator::Screen> Win32Navigator::Create(std::string_view name) {
  if (name == kConsoleWindowName) return std::make_unique<ConsoleScreen>(icon_, platform_, *this);
  if (name == kServerWindowName) return std::make_unique<ServerScreen>(icon_, platform_);
  if (name == kClientWindowName) return std::make_unique<ClientScreen>(icon_, platform_);
  return nullptr;
}

void Win32Navigator::ShowWindow(std::string_view name) {
  auto it = loaded_.find(name);
  if (it == loaded_.end()) {
    std::unique_ptr<Screen> screen = Create(name);
    if (!screen) return;
    Screen& loading = *screen;
    it = loaded_.emplace(std::string(name), std::move(screen)).first;
    if (!loading.Load()) ExitNow();
  }
  it->second->window.Show();
}

void Win32Navigator::UnloadWindow(std::string_view name) {
  auto it = loaded_.find(name);
  if (it == loaded_.end()) return;
  // Asked for from inside the window's own click handler: the window is destroyed now, its
  // objects stay until the program ends.
  it->second->window.Destroy();
  unloaded_.push_back(std::move(it->second));
  loaded_.erase(it);
}

void Win32Navigator::ExitNow() { ExitProcess(0); }

HWND Win32Navigator::ActiveDialog() const {
  HWND active = GetActiveWindow();
  for (const auto& [name, screen] : loaded_) {
    if (screen->window.hwnd() == active) return active;
  }
  return nullptr;
}

}  // namespace mirvo::win32
