#pragma once

#include <windows.h>

#include <memory>

#include "foundation/platform.h"
#include "screens/screen_navigator.h"

namespace mirvo::win32 {

// Makes the Win32 windows of the screens; each reports its own events.
class Win32WindowFactory : public screens::WindowFactory {
 public:
  explicit Win32WindowFactory(HICON icon) : icon_(icon) {}

  std::unique_ptr<screens::NativeWindow> MakeWindow(const layout::WindowLayout& layout,
                                                    screens::WindowEvents& events) override;
  void Quit() override;
  void ExitNow() override;

 private:
  HICON icon_;
};

// The three program-wide windows of the Windows build.
class Win32Navigator : private Win32WindowFactory, public screens::ScreenNavigator {
 public:
  Win32Navigator(Platform& platform, HICON icon)
      : Win32WindowFactory(icon), ScreenNavigator(*this, platform) {}

  // The window that should see dialog keys (Tab, arrows), or nullptr.
  HWND ActiveDialog() const;
};

}  // namespace mirvo::win32
