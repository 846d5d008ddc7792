// The window adapters' contract, run against the Win32 windows (under Wine with a display).
#include <windows.h>

#include <memory>
#include <string>

#include "contract/form_contract.h"
#include "foundation/win32/wide_text.h"
#include "ui/win32/win32_window.h"

namespace mirvo::contract {
namespace {

// The message box the next ShowMessage opens, read and closed from a timer of this thread: the
// box's own modal loop runs it.
SeenMessage* answering = nullptr;

std::string WindowText(HWND hwnd) {
  wchar_t text[512] = {};
  GetWindowTextW(hwnd, text, 512);
  return win32::Narrow(text);
}

BOOL CALLBACK CountButton(HWND child, LPARAM count) {
  wchar_t name[32] = {};
  GetClassNameW(child, name, 32);
  if (lstrcmpiW(name, L"Button") == 0 && IsWindowVisible(child)) ++*reinterpret_cast<int*>(count);
  return TRUE;
}

// The icon a message box shows is a static control of the icon style (its id differs between
// systems).
BOOL CALLBACK FindIcon(HWND child, LPARAM icon) {
  wchar_t name[32] = {};
  GetClassNameW(child, name, 32);
  if (lstrcmpiW(name, L"Static") == 0 &&
      (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
    *reinterpret_cast<HICON*>(icon) =
        reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK FindBox(HWND window, LPARAM found) {
  wchar_t name[32] = {};
  GetClassNameW(window, name, 32);
  if (lstrcmpW(name, L"#32770") == 0 && IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

void CALLBACK ReadAndCloseBox(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND box = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
  if (box == nullptr || answering == nullptr) return;
  KillTimer(nullptr, timer);
  SeenMessage& seen = *answering;
  answering = nullptr;
  seen.title = WindowText(box);
  // The text of a message box is its static control 0xFFFF.
  std::string text = WindowText(GetDlgItem(box, 0xFFFF));
  for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
  seen.text = text;
  HICON icon = nullptr;
  EnumChildWindows(box, FindIcon, reinterpret_cast<LPARAM>(&icon));
  seen.information = icon != nullptr && icon == LoadIconW(nullptr, IDI_INFORMATION);
  EnumChildWindows(box, CountButton, reinterpret_cast<LPARAM>(&seen.buttons));
  seen.okOnly = GetDlgItem(box, IDOK) != nullptr && GetDlgItem(box, IDCANCEL) == nullptr;
  PostMessageW(box, WM_COMMAND, IDOK, 0);
}

// The windows go on a desktop of this test's own. Under Wine a desktop draws through the display
// its first user had: the shared default desktop may have been started without one.
bool OnOwnDesktop() {
  static const bool own = [] {
    const std::wstring name = L"mirvo-contract-" + std::to_wstring(GetCurrentProcessId());
    HDESK desktop = CreateDesktopW(name.c_str(), nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    return desktop != nullptr && SetThreadDesktop(desktop) != FALSE;
  }();
  return own;
}

class Win32Harness {
 public:
  Win32Harness() { EXPECT_TRUE(OnOwnDesktop()); }

  Form& Make(const layout::WindowLayout& layout, screens::WindowEvents& events) {
    window_.reset();
    window_ =
        std::make_unique<win32::Win32Window>(layout, LoadIconW(nullptr, IDI_APPLICATION), events);
    return window_->Controls();
  }
  WindowFrame& Frame() { return window_->Frame(); }
  int Dpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi;
  }
  void Pump(int milliseconds) {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
    for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
    }
  }

  bool Enabled(std::string_view name) { return IsWindowEnabled(Control(name)) != FALSE; }
  bool Visible(std::string_view name) {
    return (GetWindowLongW(Control(name), GWL_STYLE) & WS_VISIBLE) != 0;
  }
  void Type(std::string_view name, std::string_view text) {
    SetWindowTextW(Control(name), win32::Widen(text).c_str());
  }
  void Tick(std::string_view name, bool checked) {
    SendMessageW(Control(name), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  void Click(std::string_view name) { SendMessageW(Control(name), BM_CLICK, 0, 0); }

  void AnswerNextMessage() {
    seen_ = {};
    answering = &seen_;
    SetTimer(nullptr, 0, 20, ReadAndCloseBox);
  }
  SeenMessage LastMessage() { return seen_; }

 private:
  HWND Control(std::string_view name) { return window_->ControlHandle(name); }

  std::unique_ptr<win32::Win32Window> window_;
  SeenMessage seen_;
};

}  // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Win32, FormContract, Win32Harness);

}  // namespace mirvo::contract
