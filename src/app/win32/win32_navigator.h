#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "console/navigator.h"
#include "foundation/platform.h"

namespace mirvo::win32 {

// The program-wide window instances of the Windows build, reached by their names.
class Win32Navigator : public Navigator {
 public:
  Win32Navigator(Platform& platform, HICON icon);
  ~Win32Navigator() override;

  void ShowWindow(std::string_view name) override;
  void UnloadWindow(std::string_view name) override;
  void ExitNow() override;

  // The window that should see dialog keys (Tab, arrows), or nullptr.
  HWND ActiveDialog() const;

  struct Screen;

 private:
  std::unique_ptr<Screen> Create(std::string_view name);

  Platform& platform_;
  HICON icon_;
  std::map<std::string, std::unique_ptr<Screen>, std::less<>> loaded_;
  std::vector<std::unique_ptr<Screen>> unloaded_;  // kept until the program ends
};

}  // namespace mirvo::win32
