#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "console/navigator.h"
#include "foundation/main_thread.h"
#include "foundation/platform.h"
#include "screens/native_window.h"

namespace mirvo::screens {

// What a control's event is wired to.
enum class EventKind { Click, Tick };

struct WiredControl {
  EventKind kind;
  std::string_view control;
};

// The controls whose clicks and ticks the window's logic handles, for the check that every button
// and timer of a layout has a handler and that no handler waits for a control the layout lacks.
std::vector<WiredControl> WiredControls(std::string_view window);

// The three program-wide windows (主界面, 服务端, 客户端), each created, loaded and shown the first
// time it is asked for: its logic object, the handler of each of its buttons and timers, and the
// lifecycle of the two working windows. The window adapter only makes windows and forwards their
// events.
class ScreenNavigator : public Navigator, public MainThread {
 public:
  ScreenNavigator(WindowFactory& factory, Platform& platform);
  ~ScreenNavigator() override;
  ScreenNavigator(const ScreenNavigator&) = delete;
  ScreenNavigator& operator=(const ScreenNavigator&) = delete;

  void ShowWindow(std::string_view name) override;
  void UnloadWindow(std::string_view name) override;
  void ExitNow() override;
  void Post(std::function<void()> work) override { factory_.Post(std::move(work)); }

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

  class Screen;

 private:
  std::unique_ptr<Screen> Create(std::string_view name);
  Screen* OpenWorkingScreen() const;

  WindowFactory& factory_;
  Platform& platform_;
  std::map<std::string, std::unique_ptr<Screen>, std::less<>> loaded_;
  // An unloaded screen is kept until the program ends: its unload is asked for from inside one of
  // its own handlers, which is still running.
  std::vector<std::unique_ptr<Screen>> unloaded_;
  bool busy_ = false;  // a click, tick or load handler is running
  bool stoppedAtExit_ = false;
};

}  // namespace mirvo::screens
