#include "ui/win32/win32_tray_menu.h"

#include <shellapi.h>

#include "foundation/win32/wide_text.h"

namespace mirvo::win32 {

std::optional<std::size_t> ChooseTrayMenuEntry(HWND owner,
                                               const std::vector<std::string>& captions) {
  HMENU menu = CreatePopupMenu();
  if (menu == nullptr) return std::nullopt;
  for (std::size_t i = 0; i < captions.size(); ++i) {
    AppendMenuW(menu, MF_STRING, i + 1, Widen(captions[i]).c_str());
  }
  POINT at{};
  GetCursorPos(&at);
  // Only a menu whose owner is the foreground window closes when the user clicks elsewhere; the
  // posted message lets the next menu open at once after this one closed.
  SetForegroundWindow(owner);
  const BOOL chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x,
                                     at.y, 0, owner, nullptr);
  PostMessageW(owner, WM_NULL, 0, 0);
  DestroyMenu(menu);
  if (chosen <= 0) return std::nullopt;
  return static_cast<std::size_t>(chosen) - 1;
}

TrayClick TrayCallbackClick(LPARAM lParam) {
  if (HIWORD(lParam) != 0) return TrayClick::None;
  switch (LOWORD(lParam)) {
    case WM_RBUTTONUP:
      return TrayClick::RightClick;
    case NIN_BALLOONUSERCLICK:
      return TrayClick::MessageClick;
    default:
      return TrayClick::None;
  }
}

}  // namespace mirvo::win32
