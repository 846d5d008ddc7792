#pragma once

#include <functional>
#include <memory>
#include <string_view>

#include "foundation/form.h"
#include "resources/layouts.h"
#include "tray/window_frame.h"

namespace mirvo::screens {

// What a native window reports to its screen. The window adapter calls these from its event loop
// and knows nothing of what they do.
class WindowEvents {
 public:
  virtual ~WindowEvents() = default;

  virtual void OnClick(std::string_view button) = 0;
  virtual void OnTimer(std::string_view timer) = 0;  // an enabled timer ticked
  virtual void OnResize() = 0;                       // first display, size and state changes
  virtual void OnPointerMove(float xTwips) = 0;      // pointer moves and tray events sent as one
  virtual void OnTrayDoubleClick() = 0;              // where the tray reports it directly
  virtual void OnTrayRightClick() = 0;               // on the tray icon
  virtual void OnTrayMessageClick() = 0;             // on the tray icon's balloon
  // The user asks to close the window. False lets the window close and be destroyed.
  virtual bool OnCloseRequest() = 0;
};

// One top-level window built from a layout, as the window adapter makes it.
class NativeWindow {
 public:
  virtual ~NativeWindow() = default;

  virtual Form& Controls() = 0;
  virtual WindowFrame& Frame() = 0;
  // Modeless, without owner, in its normal state; its first display raises OnResize.
  virtual void Show() = 0;
  // Takes the window off the screen for good; no event reaches the screen afterwards. Safe from
  // inside the window's own click handler.
  virtual void Destroy() = 0;
};

// The window adapter of one build.
class WindowFactory {
 public:
  virtual ~WindowFactory() = default;

  virtual std::unique_ptr<NativeWindow> MakeWindow(const layout::WindowLayout& layout,
                                                   WindowEvents& events) = 0;
  // Ends the event loop: the program's last window has gone.
  virtual void Quit() = 0;
  // Ends the process at once: no further window event runs.
  virtual void ExitNow() = 0;
  // Runs the work on the window thread from the event loop, later; callable from any thread.
  virtual void Post(std::function<void()> work) = 0;
};

}  // namespace mirvo::screens
