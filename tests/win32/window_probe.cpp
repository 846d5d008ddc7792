// Reads and pokes a window of another process as the shell and a screen reader do, for the GUI
// tests under Wine. The window is found by its caption.
//   window_probe state CAPTION        prints "visible iconic active X,Y FOCUS": the client area's
//                                     top-left on the screen and the text of the focused control
//                                     ("-" for none, "(window)" for the window itself)
//   window_probe tray CAPTION CODE    posts the tray's callback for mouse event CODE (515 is a
//                                     left double-click, 513 a left press), as the shell posts it
//   window_probe minimize CAPTION     what the title bar's minimize button sends
//   window_probe endsession CAPTION   what the system sends when the session ends: the query,
//                                     whose answer it prints (1: the window lets it end), then
//                                     the end itself
// Exit status 2 when no window has the caption.
#include <windows.h>

#include <cwchar>
#include <string>

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

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 1;
  const std::wstring command = argv[1];
  HWND window = FindWindowW(nullptr, argv[2]);
  if (window == nullptr) return 2;
  if (command == L"state") {
    Print(State(window));
  } else if (command == L"tray" && argc == 4) {
    // The icon's id is the handle of the window's icon picture, as the program registers it.
    const auto id = static_cast<WPARAM>(SendMessageW(window, WM_GETICON, ICON_BIG, 0));
    PostMessageW(window, WM_MOUSEMOVE, id, static_cast<LPARAM>(std::wcstol(argv[3], nullptr, 10)));
  } else if (command == L"minimize") {
    PostMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
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
