#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace mirvo::win32 {

// The tray icon's popup menu of these entries at the pointer, owned by the window whose icon was
// clicked: the index of the entry chosen, or nothing when the user dismissed the menu.
std::optional<std::size_t> ChooseTrayMenuEntry(HWND owner,
                                               const std::vector<std::string>& captions);

// The tray's mouse events arrive as the icon's callback message, WM_MOUSEMOVE, with the icon's id
// as its first parameter and the event's code in the low word of the second. A real pointer move
// carries the state of the mouse buttons instead, never an icon's id.
enum class TrayClick { None, RightClick, MessageClick };
TrayClick TrayCallbackClick(UINT iconId, WPARAM wParam, LPARAM lParam);

}  // namespace mirvo::win32
