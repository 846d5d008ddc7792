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

// The tray's mouse events arrive as the icon's callback message, WM_MOUSEMOVE, with the event's
// code in the low word of the second parameter and nothing in its high word: a pointer move at Y 0
// whose X is the code. Only a window wider than 516 pixels (at 175 % and more) could see a real
// pointer move there, on the single pixel of its top row.
enum class TrayClick { None, RightClick, MessageClick };
TrayClick TrayCallbackClick(LPARAM lParam);

}  // namespace mirvo::win32
