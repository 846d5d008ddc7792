#include "app/win32/win32_navigator.h"

#include <functional>
#include <memory>

#include "ui/win32/win32_window.h"

namespace mirvo::win32 {
namespace {

constexpr UINT kPostedWork = WM_APP + 1;  // lParam: a std::function<void()>* to run and delete

LRESULT CALLBACK PostboxProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != kPostedWork) return DefWindowProcW(window, message, wParam, lParam);
  std::unique_ptr<std::function<void()>> work(reinterpret_cast<std::function<void()>*>(lParam));
  (*work)();
  return 0;
}

HWND MakePostbox() {
  static const ATOM kind = [] {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = PostboxProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"MirvoPostbox";
    return RegisterClassW(&windowClass);
  }();
  return CreateWindowExW(0, MAKEINTATOM(kind), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}

}  // namespace

Win32WindowFactory::Win32WindowFactory(HICON icon) : icon_(icon), postbox_(MakePostbox()) {}

Win32WindowFactory::~Win32WindowFactory() {
  if (postbox_ != nullptr) DestroyWindow(postbox_);
}

std::unique_ptr<screens::NativeWindow> Win32WindowFactory::MakeWindow(
    const layout::WindowLayout& layout, screens::WindowEvents& events) {
  return std::make_unique<Win32Window>(layout, icon_, events);
}

void Win32WindowFactory::Quit() { PostQuitMessage(0); }

void Win32WindowFactory::ExitNow() { ExitProcessNow(); }

void Win32WindowFactory::Post(std::function<void()> work) {
  auto held = std::make_unique<std::function<void()>>(std::move(work));
  if (PostMessageW(postbox_, kPostedWork, 0, reinterpret_cast<LPARAM>(held.get()))) held.release();
}

HWND Win32Navigator::ActiveDialog() const {
  HWND active = GetActiveWindow();
  for (screens::NativeWindow* window : LoadedWindows()) {
    if (static_cast<Win32Window*>(window)->hwnd() == active) return active;
  }
  return nullptr;
}

}  // namespace mirvo::win32
