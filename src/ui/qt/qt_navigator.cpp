#include "ui/qt/qt_navigator.h"

#include <QCoreApplication>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>

#include "client/client_window.h"
#include "console/console_window.h"
#include "daemon/server_window.h"
#include "tray/lifecycle.h"
#include "ui/qt/qt_text.h"
#include "ui/qt/qt_window_frame.h"

namespace mirvo::ui {

// A loaded window with its logic.
struct QtNavigator::Screen {
  // A window is built to be shown at once: its labels are measured once it is on the screen.
  explicit Screen(const layout::WindowLayout& layout)
      : window(layout, LayoutWindow::LabelFit::AtFirstExpose) {}
  virtual ~Screen() = default;
  // The window's load step; false when the program is to end.
  virtual bool Load() = 0;

  template <class Handler>
  void OnClick(std::string_view button, Handler handler) {
    auto* control = qobject_cast<QPushButton*>(window.Control(button));
    Q_ASSERT(control);
    QObject::connect(control, &QPushButton::clicked, &window, handler);
  }
  template <class Handler>
  void OnTick(std::string_view timer, Handler handler) {
    QTimer* control = window.Form().Timer(timer);
    Q_ASSERT(control);
    QObject::connect(control, &QTimer::timeout, &window, handler);
  }

  LayoutWindow window;
};

namespace {

struct ConsoleScreen : QtNavigator::Screen {
  ConsoleScreen(Platform& platform, Navigator& navigator)
      : Screen(layout::ConsoleLayout()), logic(window.Form(), platform, navigator) {
    OnClick("启动服务端", [this] { logic.OnServerClicked(); });
    OnClick("启动客户端", [this] { logic.OnClientClicked(); });
    OnClick("关于", [this] { logic.OnAboutClicked(); });
    // The console's close box: no working window exists yet, so the program ends.
    window.onCloseRequest = [] {
      QCoreApplication::quit();
      return false;
    };
  }
  bool Load() override { return logic.OnLoad(); }

  ConsoleWindow logic;
};

// What the two working windows share: the tray icon and the lifecycle.
struct WorkingScreen : QtNavigator::Screen {
  WorkingScreen(const layout::WindowLayout& layout, Platform& platform)
      : Screen(layout), frame(window), lifecycle(frame, platform, std::string(layout.caption)) {
    window.onResizeNotification = [this] { lifecycle.OnResize(); };
    window.onCloseRequest = [this] {
      lifecycle.OnCloseRequest();
      return true;
    };
    frame.onTrayDoubleClick = [this] { lifecycle.RestoreFromTray(); };
  }
  bool Load() override {
    lifecycle.OnLoad();
    return true;
  }

  QtWindowFrame frame;
  WorkingWindowLifecycle lifecycle;
};

struct ServerScreen : WorkingScreen {
  explicit ServerScreen(Platform& platform)
      : WorkingScreen(layout::ServerLayout(), platform), logic(window.Form(), platform) {
    OnClick("启动服务", [this] { logic.OnStartClicked(); });
    OnClick("停止服务", [this] { logic.OnStopClicked(); });
    OnTick(kStartCheckTimer, [this] { logic.OnStartCheckTick(); });
  }
  ServerWindow logic;
};

struct ClientScreen : WorkingScreen {
  explicit ClientScreen(Platform& platform)
      : WorkingScreen(layout::ClientLayout(), platform), logic(window.Form(), platform) {
    OnClick("开始同步", [this] { logic.OnTransferNowClicked(); });
    OnClick("定时同步", [this] { logic.OnArmClicked(); });
    OnClick("取消定时", [this] { logic.OnCancelClicked(); });
    OnTick(kScheduleTimer, [this] { logic.OnTimerTick(); });
  }
  ClientWindow logic;
};

}  // namespace

QtNavigator::QtNavigator(Platform& platform) : platform_(platform) {}

QtNavigator::~QtNavigator() = default;

std::unique_ptr<QtNavigator::Screen> QtNavigator::Create(std::string_view name) {
  if (name == kConsoleWindowName) return std::make_unique<ConsoleScreen>(platform_, *this);
  if (name == kServerWindowName) return std::make_unique<ServerScreen>(platform_);
  if (name == kClientWindowName) return std::make_unique<ClientScreen>(platform_);
  return nullptr;
}

void QtNavigator::ShowWindow(std::string_view name) {
  auto it = loaded_.find(name);
  if (it == loaded_.end()) {
    std::unique_ptr<Screen> screen = Create(name);
    if (!screen) {
      qWarning() << "MIRVO: no window named" << ToQString(name);
      return;
    }
    Screen& loading = *screen;
    it = loaded_.emplace(std::string(name), std::move(screen)).first;
    if (!loading.Load()) ExitNow();
  }
  it->second->window.show();
}

void QtNavigator::UnloadWindow(std::string_view name) {
  auto it = loaded_.find(name);
  if (it == loaded_.end()) return;
  Screen* screen = it->second.release();
  loaded_.erase(it);
  screen->window.hide();
  // The unload is asked for from inside the window's own click handler: the window goes once that
  // handler has returned.
  QTimer::singleShot(0, [screen] { delete screen; });
}

void QtNavigator::ExitNow() { std::_Exit(0); }

LayoutWindow* QtNavigator::Window(std::string_view name) const {
  auto it = loaded_.find(name);
  return it == loaded_.end() ? nullptr : &it->second->window;
}

}  // namespace mirvo::ui
