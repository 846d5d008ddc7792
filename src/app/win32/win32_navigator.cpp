#include "app/win32/win32_navigator.h"

#include "ui/win32/win32_window.h"

namespace mirvo::win32 {

std::unique_ptr<screens::NativeWindow> Win32WindowFactory::MakeWindow(
    const layout::WindowLayout& layout, screens::WindowEvents& events) {
  return std::make_unique<Win32Window>(layout, icon_, events);
}

void Win32WindowFactory::Quit() { PostQuitMessage(0); }

void Win32WindowFactory::ExitNow() { ExitProcessNow(); }

HWND Win32Navigator::ActiveDialog() const {
  HWND active = GetActiveWindow();
  for (screens::NativeWindow* window : LoadedWindows()) {
    if (static_cast<Win32Window*>(window)->hwnd() == active) return active;
  }
  return nullptr;
}

}  // namespace mirvo::win32
