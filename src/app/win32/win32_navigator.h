#pragma once

#include <windows.h>

#include <memory>

#include "foundation/platform.h"
#include "screens/screen_navigator.h"

namespace mirvo::win32 {

// Makes the Win32 windows of the screens; each reports its own events.
class Win32WindowFactory : public screens::WindowFactory {
 public:
  // Made on the windows' thread, which is where posted work runs.
  explicit Win32WindowFactory(HICON icon);
  ~Win32WindowFactory() override;
  Win32WindowFactory(const Win32WindowFactory&) = delete;
  Win32WindowFactory& operator=(const Win32WindowFactory&) = delete;

  std::unique_ptr<screens::NativeWindow> MakeWindow(const layout::WindowLayout& layout,
                                                    screens::WindowEvents& events) override;
  void Quit() override;
  void ExitNow() override;
  void Post(std::function<void()> work) override;

 private:
  HICON icon_;
  // A message-only window: its messages also arrive while a message box runs its own loop, which
  // drops messages sent to the thread itself.
  HWND postbox_ = nullptr;
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
