#pragma once

#include <sys/types.h>

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace mirvo::bench {

using XWindowId = unsigned long;

// The benchmark's view of its X server: it watches top-level windows appear, and clicks and types
// through the XTest extension as a person would. Xlib stays inside x_desk.cpp: its macros (None,
// Status, Bool) must not meet other code.
class XDesk {
 public:
  // Connects to $DISPLAY and starts watching the root window for mapped top-level windows, so a
  // window mapped from now on is never missed. Null when there is no display or no XTest.
  static std::unique_ptr<XDesk> Open();
  ~XDesk();
  XDesk(const XDesk&) = delete;
  XDesk& operator=(const XDesk&) = delete;

  // Waits for a top-level window of process `pid` titled `title` to be mapped and returns it with
  // the monotonic time (seconds) at which its MapNotify arrived; window 0 after the timeout.
  struct Mapped {
    XWindowId window = 0;
    double at = 0;
  };
  Mapped WaitForMap(pid_t pid, std::string_view title, double timeoutSeconds);
  // The monotonic time of the first drawing into a top-level window (DAMAGE), which every window
  // created since Open() is watched for: when the user first sees its contents. 0 on timeout.
  double WaitForFirstPaint(XWindowId window, double timeoutSeconds);

  bool Viewable(XWindowId window);
  // Waits until the window's viewable state is `viewable`; false after the timeout.
  bool WaitViewable(XWindowId window, bool viewable, double timeoutSeconds);

  // A press and release of the left button at (x, y) of the window's client area. The release
  // (the moment Qt reports the click) is sent at the returned monotonic time.
  double Click(XWindowId window, int x, int y);
  void DoubleClick(XWindowId window);
  void Focus(XWindowId window);
  // A key with Control held, e.g. 'a' for Ctrl+A.
  void ControlKey(char key);
  void BackSpace();
  // Printable ASCII only.
  bool Type(std::string_view text);

  // What a window manager does when the user minimizes a window (WM_STATE becomes Iconic) and
  // when a window is shown again (WM_STATE back to Normal).
  void Minimize(XWindowId window);
  void MarkNormal(XWindowId window);
  // The program's icon in the tray host's panel, or 0.
  XWindowId TrayIcon(std::string_view program);

 private:
  explicit XDesk(void* display, int damageEvent);
  // Handles queued events, waiting up to `seconds` for one; returns a mapped window's MapNotify.
  void HandleEvent(double seconds);

  void* display_;
  int damageEvent_;
  std::map<XWindowId, double> firstPaint_;
  std::vector<std::pair<XWindowId, double>> mapped_;
};

double Now();  // CLOCK_MONOTONIC, in seconds

}  // namespace mirvo::bench
