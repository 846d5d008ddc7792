#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "console/navigator.h"
#include "foundation/main_thread.h"
#include "foundation/platform.h"
#include "screens/busy_flag.h"
#include "screens/native_window.h"

namespace mirvo::screens {

class Screen;

// The three program-wide windows (主界面, 服务端, 客户端), each created, loaded and shown the first
// time it is asked for as its screen (console_screen, server_screen, client_screen). The window
// adapter only makes windows and forwards their events. It is also the main thread that the
// platform tells a command's end through: that work runs as a handler of its own, never inside
// another.
class ScreenNavigator : public Navigator, public MainThread {
 public:
  ScreenNavigator(WindowFactory& factory, Platform& platform);
  ~ScreenNavigator() override;
  ScreenNavigator(const ScreenNavigator&) = delete;
  ScreenNavigator& operator=(const ScreenNavigator&) = delete;

  void ShowWindow(std::string_view name) override;
  void UnloadWindow(std::string_view name) override;
  void ExitNow() override;
  void Post(std::function<void()> work) override;

  // A request from outside the windows to end the program, as the session's end or a signal makes
  // it: the working window's close steps (rsync stopped, the icon removed, the program ended), or
  // simply the end while only the console, which has no lifecycle, is open.
  void CloseRequest();
  // The program ends without its windows (the display went away): when a working window is open,
  // the stop command runs once, without touching any window.
  void StopRsyncAtExit();

  // The loaded window with this name, or nullptr.
  NativeWindow* Loaded(std::string_view name) const;
  std::vector<NativeWindow*> LoadedWindows() const;

 private:
  std::unique_ptr<Screen> Create(std::string_view name);
  Screen* OpenWorkingScreen() const;

  WindowFactory& factory_;
  Platform& platform_;
  BusyFlag busy_;  // a click, tick, load or posted handler is running
  std::map<std::string, std::unique_ptr<Screen>, std::less<>> loaded_;
  // An unloaded screen is kept until the program ends: its unload is asked for from inside one of
  // its own handlers, which is still running.
  std::vector<std::unique_ptr<Screen>> unloaded_;
  bool stoppedAtExit_ = false;
};

}  // namespace mirvo::screens
