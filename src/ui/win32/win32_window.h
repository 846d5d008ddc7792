#pragma once

#include <windows.h>

#include <string_view>

#include "screens/native_window.h"
#include "ui/win32/layout_window.h"
#include "ui/win32/win32_window_frame.h"

namespace mirvo::win32 {

// A window of the Windows build as its screen sees it: the layout window, whose controls are the
// Form of its logic, and its frame for the working windows' lifecycle.
class Win32Window final : public screens::NativeWindow {
 public:
  Win32Window(const layout::WindowLayout& layout, HICON icon, screens::WindowEvents& events)
      : window_(layout, icon, events), frame_(window_, events) {
    window_.SetFrame(&frame_);
  }

  HWND hwnd() const { return window_.hwnd(); }
  // The control's own window, or nullptr (timers, unknown names).
  HWND ControlHandle(std::string_view name) const { return window_.Form().ControlHandle(name); }

  Form& Controls() override { return window_.Form(); }
  WindowFrame& Frame() override { return frame_; }
  void Show() override { window_.Show(); }
  void Destroy() override { window_.Destroy(); }

 private:
  LayoutWindow window_;
  Win32WindowFrame frame_;
};

}  // namespace mirvo::win32
