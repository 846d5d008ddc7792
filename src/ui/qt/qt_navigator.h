#pragma once

#include <memory>
#include <string_view>

#include "foundation/platform.h"
#include "screens/screen_navigator.h"
#include "ui/qt/layout_window.h"

namespace mirvo::ui {

// Makes the Qt windows of the screens and forwards their events.
class QtWindowFactory : public screens::WindowFactory {
 public:
  std::unique_ptr<screens::NativeWindow> MakeWindow(const layout::WindowLayout& layout,
                                                    screens::WindowEvents& events) override;
  void Quit() override;
  [[noreturn]] void ExitNow() override;
};

// The three program-wide windows of the Linux build.
class QtNavigator : private QtWindowFactory, public screens::ScreenNavigator {
 public:
  explicit QtNavigator(Platform& platform) : ScreenNavigator(*this, platform) {}

  // The loaded window with this name, or nullptr.
  LayoutWindow* Window(std::string_view name) const;
};

}  // namespace mirvo::ui
