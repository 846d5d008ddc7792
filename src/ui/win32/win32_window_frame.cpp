#include "ui/win32/win32_window_frame.h"

#include <shellapi.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "foundation/win32/wide_text.h"
#include "resources/window_metrics.h"
#include "tray/notify_icon_record.h"
#include "ui/win32/win32_tray_menu.h"

namespace mirvo::win32 {
namespace {

NOTIFYICONDATAW TrayData(HWND hwnd, HICON icon, const NotifyIconRecord& record) {
  // The first-version structure of this build's own width, with the record's fields.
  NOTIFYICONDATAW data{};
  data.cbSize = NOTIFYICONDATAW_V1_SIZE;
  data.hWnd = hwnd;
  data.uID = record.uID;
  data.uFlags = record.uFlags;
  data.uCallbackMessage = record.uCallbackMessage;
  data.hIcon = icon;
  std::wstring tip = Widen(record.szTip);
  tip.resize(std::min<std::size_t>(tip.size(), 63));
  std::copy(tip.begin(), tip.end(), data.szTip);
  return data;
}

// Copies as much of the text as the fixed field holds, NUL included.
template <std::size_t N>
void CopyInto(const std::wstring& text, wchar_t (&field)[N]) {
  const std::size_t length = std::min(text.size(), N - 1);
  std::copy_n(text.begin(), length, field);
  field[length] = L'\0';
}

}  // namespace

std::uint32_t Win32WindowFrame::Handle() const {
  // Window handles fit in 32 bits on every Windows, which is why the tray record can hold them.
  return static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(window_.hwnd()));
}

std::uint32_t Win32WindowFrame::IconHandle() const {
  return static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(window_.Icon()));
}

float Win32WindowFrame::TwipsPerPixel() const { return layout::TwipsPerPixel(window_.Dpi()); }

float Win32WindowFrame::Top() const {
  RECT frame{};
  GetWindowRect(window_.hwnd(), &frame);
  return static_cast<float>(frame.top) * TwipsPerPixel();
}

float Win32WindowFrame::Left() const {
  RECT frame{};
  GetWindowRect(window_.hwnd(), &frame);
  return static_cast<float>(frame.left) * TwipsPerPixel();
}

void Win32WindowFrame::MoveTo(float top, float left) {
  const float perPixel = TwipsPerPixel();
  SetWindowPos(window_.hwnd(), nullptr, static_cast<int>(std::lround(left / perPixel)),
               static_cast<int>(std::lround(top / perPixel)), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool Win32WindowFrame::IsMinimized() const { return IsIconic(window_.hwnd()) != FALSE; }

bool Win32WindowFrame::IsShowing() const {
  return IsWindowVisible(window_.hwnd()) != FALSE && IsIconic(window_.hwnd()) == FALSE;
}

void Win32WindowFrame::Hide() { ShowWindow(window_.hwnd(), SW_HIDE); }

void Win32WindowFrame::ShowRestored() {
  // SW_RESTORE sends WM_SIZE before it returns when the state changes: the nested notification.
  ShowWindow(window_.hwnd(), SW_RESTORE);
  SetForegroundWindow(window_.hwnd());
}

void Win32WindowFrame::GiveFocus() { SetFocus(window_.FocusToRestore()); }

bool Win32WindowFrame::TrayAvailable() const {
  return FindWindowW(L"Shell_TrayWnd", nullptr) != nullptr;
}

void Win32WindowFrame::AddTrayIcon(const NotifyIconRecord& record) {
  NOTIFYICONDATAW data = TrayData(window_.hwnd(), window_.Icon(), record);
  trayIconAdded_ = Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
  trayIconId_ = record.uID;
}

void Win32WindowFrame::RemoveTrayIcon(const NotifyIconRecord& record) {
  NOTIFYICONDATAW data = TrayData(window_.hwnd(), window_.Icon(), record);
  Shell_NotifyIconW(NIM_DELETE, &data);
  trayIconAdded_ = false;
}

bool Win32WindowFrame::ShowTrayMessage(std::string_view title, std::string_view text) {
  if (!trayIconAdded_) return false;
  // A balloon needs the structure's full size; the icon's own add and delete keep the first
  // version's. Only the balloon changes: the icon, its tip and its messages stay as they are.
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof(NOTIFYICONDATAW);
  data.hWnd = window_.hwnd();
  data.uID = trayIconId_;
  data.uFlags = NIF_INFO;
  data.dwInfoFlags = NIIF_WARNING;
  CopyInto(Widen(title), data.szInfoTitle);
  CopyInto(Widen(text), data.szInfo);
  return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

void Win32WindowFrame::ExitNow() { ExitProcessNow(); }

void ExitProcessNow() { ExitProcess(0); }

bool Win32WindowFrame::OnFrameMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  result = 0;
  switch (message) {
    case kTrayCallbackMessage:
      OnTrayCallback(wParam, lParam);
      return true;
    case WM_QUERYENDSESSION:
      result = TRUE;  // the end of the session is never refused
      return true;
    case WM_ENDSESSION:
      // The session ends: a close request as the close box makes it. After this message returns
      // the system may end the process at any moment.
      if (wParam == TRUE && !events_.OnCloseRequest()) window_.Destroy();
      return true;
    default:
      return false;
  }
}

void Win32WindowFrame::OnTrayCallback(WPARAM, LPARAM lParam) {
  // The callback message is WM_MOUSEMOVE, so the tray's events arrive as pointer moves whose X is
  // the event's code, and so do the pointer's real moves over the window.
  events_.OnPointerMove(static_cast<float>(LOWORD(lParam)) * TwipsPerPixel());
  switch (trayIconAdded_ ? TrayCallbackClick(lParam) : TrayClick::None) {
    case TrayClick::RightClick:
      events_.OnTrayRightClick();
      break;
    case TrayClick::MessageClick:
      events_.OnTrayMessageClick();
      break;
    case TrayClick::None:
      break;
  }
}

std::optional<std::size_t> Win32WindowFrame::ChooseFromTrayMenu(
    const std::vector<std::string>& captions) {
  return ChooseTrayMenuEntry(window_.hwnd(), captions);
}

}  // namespace mirvo::win32
