// MIRVO for Windows: the console first; it hands the program over to one working window.
#include <windows.h>

#include <commctrl.h>  // after windows.h, whose types it uses

#include "app/win32/win32_navigator.h"
#include "foundation/control_names.h"
#include "foundation/win32/win32_platform.h"
#include "ui/win32/win32_icon.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // With the manifest's common controls 6 this loads comctl32, whose buttons, boxes and check
  // boxes carry the visual styles of the system.
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  mirvo::Win32Platform platform;
  mirvo::win32::Win32Navigator navigator(platform, mirvo::win32::CreateProgramIcon());
  platform.SetMainThread(navigator);
  navigator.ShowWindow(mirvo::names::kConsoleWindow);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    HWND dialog = navigator.ActiveDialog();
    if (dialog != nullptr && IsDialogMessageW(dialog, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
