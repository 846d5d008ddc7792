// Reads and pokes a window of another process as the shell and a screen reader do, for the GUI
// tests under Wine. The window is found by its caption.
//   window_probe state CAPTION        prints "visible iconic active X,Y FOCUS": the client area's
//                                     top-left on the screen and the text of the focused control
//                                     ("-" for none, "(window)" for the window itself)
//   window_probe tray CAPTION CODE    posts the tray's callback for mouse event CODE (515 is a
//                                     left double-click, 513 a left press), as the shell posts it
//   window_probe menu CAPTION N       the tray's right-click (517), then entry N (from 1) of the
//                                     popup menu by the keyboard; exit status 4 without a menu
//   window_probe minimize CAPTION     what the title bar's minimize button sends
//   window_probe geometry CAPTION DPI prints the client area's size and every control's rectangle
//                                     in the client area; exit status 3 when a control is more
//                                     than a pixel from its layout twips at DPI (a label may be
//                                     wider, to show its text whole)
//   window_probe set CAPTION NAME TEXT sets the text of the control its layout names NAME
//   window_probe click CAPTION NAME    clicks that control, as the mouse does (BM_CLICK)
//   window_probe balloons             prints the text of each balloon the tray shows, one a line
//   window_probe endsession CAPTION   what the system sends when the session ends: the query,
//                                     whose answer it prints (1: the window lets it end), then
//                                     the end itself
// Exit status 2 when no window has the caption, or no control the name.
#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <cwchar>
#include <string>

#include "resources/layouts.h"
#include "resources/window_metrics.h"

namespace {

void Print(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8.data(), size,
                      nullptr, nullptr);
  utf8 += '\n';
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), utf8.data(), static_cast<DWORD>(utf8.size()), &written,
            nullptr);
}

// WM_GETTEXT reads another process's control, where GetWindowText does not.
std::wstring TextOf(HWND control) {
  wchar_t text[256] = {};
  SendMessageW(control, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text));
  return text;
}

std::wstring State(HWND window) {
  GUITHREADINFO thread{};
  thread.cbSize = sizeof thread;
  GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &thread);
  std::wstring focus = L"-";
  if (thread.hwndFocus == window) {
    focus = L"(window)";
  } else if (thread.hwndFocus != nullptr && IsChild(window, thread.hwndFocus)) {
    focus = TextOf(thread.hwndFocus);
  }
  POINT corner{0, 0};
  ClientToScreen(window, &corner);
  return std::to_wstring(IsWindowVisible(window) ? 1 : 0) + L" " +
         std::to_wstring(IsIconic(window) ? 1 : 0) + L" " +
         std::to_wstring(thread.hwndActive == window ? 1 : 0) + L" " + std::to_wstring(corner.x) +
         L"," + std::to_wstring(corner.y) + L" " + focus;
}

std::string Narrow(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8.data(), size,
                      nullptr, nullptr);
  return utf8;
}

std::wstring Widen(std::string_view text) {
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
  return wide;
}

// The program numbers its controls from 100 in the order of their layout.
constexpr int kFirstControlId = 100;

const mirvo::layout::WindowLayout* LayoutOf(HWND window) {
  const std::string caption = Narrow(TextOf(window));
  for (const auto* candidate : {&mirvo::layout::ConsoleLayout(), &mirvo::layout::ServerLayout(),
                                &mirvo::layout::ClientLayout()}) {
    if (candidate->caption == caption) return candidate;
  }
  return nullptr;
}

// The control of the window that its layout names NAME; nullptr when there is none.
HWND ControlNamed(HWND window, const std::wstring& name) {
  const mirvo::layout::WindowLayout* layout = LayoutOf(window);
  if (layout == nullptr) return nullptr;
  for (std::size_t index = 0; index < layout->controls.size(); ++index) {
    if (Widen(layout->controls[index].name) == name) {
      return GetDlgItem(window, kFirstControlId + static_cast<int>(index));
    }
  }
  return nullptr;
}

int Geometry(HWND window, int dpi) {
  const mirvo::layout::WindowLayout* layout = LayoutOf(window);
  if (layout == nullptr) return 2;
  RECT client{};
  GetClientRect(window, &client);
  Print(L"client " + std::to_wstring(client.right) + L"x" + std::to_wstring(client.bottom));
  int misplaced = 0;
  for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    const int index = GetDlgCtrlID(child) - kFirstControlId;
    if (index < 0 || index >= static_cast<int>(layout->controls.size())) continue;
    const mirvo::layout::ControlLayout& control = layout->controls[static_cast<std::size_t>(index)];
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
    const mirvo::layout::PixelRect want = mirvo::layout::ToPixels(control.rect, dpi);
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    const bool wider = control.kind == mirvo::layout::ControlKind::Label && width > want.width;
    const bool placed =
        std::abs(rect.left - want.left) <= 1 && std::abs(rect.top - want.top) <= 1 &&
        (wider || std::abs(width - want.width) <= 1) && std::abs(height - want.height) <= 1;
    if (!placed) ++misplaced;
    Print(std::wstring(placed ? L"" : L"MISPLACED ") + Widen(control.name) + L" " +
          std::to_wstring(rect.left) + L"," + std::to_wstring(rect.top) + L" " +
          std::to_wstring(width) + L"x" + std::to_wstring(height) + L" (twips at " +
          std::to_wstring(dpi) + L" dpi: " + std::to_wstring(want.left) + L"," +
          std::to_wstring(want.top) + L" " + std::to_wstring(want.width) + L"x" +
          std::to_wstring(want.height) + L")");
  }
  return misplaced == 0 ? 0 : 3;
}

// The tray's balloons are visible balloon-style tooltip windows; their text is the tip's text.
BOOL CALLBACK PrintBalloon(HWND window, LPARAM) {
  wchar_t className[64] = {};
  GetClassNameW(window, className, 64);
  if (std::wcscmp(className, L"tooltips_class32") == 0 && IsWindowVisible(window) &&
      (GetWindowLongW(window, GWL_STYLE) & TTS_BALLOON) != 0) {
    std::wstring text = TextOf(window);
    for (wchar_t& c : text) {
      if (c == L'\r' || c == L'\n') c = L' ';
    }
    Print(text);
  }
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 2 && std::wstring(argv[1]) == L"balloons") {
    EnumWindows(&PrintBalloon, 0);
    return 0;
  }
  if (argc < 3) return 1;
  // Real pixels, as the program that declares its dpi awareness sees them.
  SetProcessDPIAware();
  const std::wstring command = argv[1];
  HWND window = FindWindowW(nullptr, argv[2]);
  if (window == nullptr) return 2;
  if (command == L"state") {
    Print(State(window));
  } else if (command == L"tray" && argc == 4) {
    // The icon's id is the handle of the window's icon picture, as the program registers it.
    const auto id = static_cast<WPARAM>(SendMessageW(window, WM_GETICON, ICON_BIG, 0));
    PostMessageW(window, WM_MOUSEMOVE, id, static_cast<LPARAM>(std::wcstol(argv[3], nullptr, 10)));
  } else if (command == L"menu" && argc == 4) {
    PostMessageW(window, WM_MOUSEMOVE, SendMessageW(window, WM_GETICON, ICON_BIG, 0), WM_RBUTTONUP);
    HWND menu = nullptr;
    for (int i = 0; i < 50 && (menu = FindWindowW(L"#32768", nullptr)) == nullptr; ++i) Sleep(100);
    if (menu == nullptr) return 4;
    for (long n = std::wcstol(argv[3], nullptr, 10); n >= 0; --n) {
      PostMessageW(menu, WM_KEYDOWN, n > 0 ? VK_DOWN : VK_RETURN, 0);
    }
  } else if (command == L"geometry" && argc == 4) {
    return Geometry(window, static_cast<int>(std::wcstol(argv[3], nullptr, 10)));
  } else if (command == L"minimize") {
    PostMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  } else if ((command == L"set" && argc == 5) || (command == L"click" && argc == 4)) {
    HWND control = ControlNamed(window, argv[3]);
    if (control == nullptr) return 2;
    if (command == L"set") {
      SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[4]));
    } else {
      SendMessageW(control, BM_CLICK, 0, 0);
    }
  } else if (command == L"endsession") {
    DWORD_PTR answer = 0;
    if (SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG,
                            5000, &answer) == 0) {
      return 3;
    }
    Print(std::to_wstring(answer));
    PostMessageW(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  } else {
    return 1;
  }
  return 0;
}
