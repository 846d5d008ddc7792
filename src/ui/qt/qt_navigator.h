#pragma once

#include <QPointer>
#include <memory>
#include <string_view>

#include "foundation/platform.h"
#include "screens/screen_navigator.h"
#include "ui/qt/layout_window.h"
#include "ui/qt/qt_window_frame.h"

namespace mirvo::ui {

// A layout window and its tray, every button's click and timer's tick forwarded by name.
class QtNativeWindow final : public screens::NativeWindow {
 public:
  QtNativeWindow(const layout::WindowLayout& layout, screens::WindowEvents& events);
  ~QtNativeWindow() override;

  LayoutWindow* Widget() const { return window_.data(); }

  Form& Controls() override { return window_->Form(); }
  WindowFrame& Frame() override { return frame_; }
  void Show() override { window_->show(); }
  void Destroy() override;

 private:
  QPointer<LayoutWindow> window_;
  QtWindowFrame frame_;
};

// Makes the Qt windows of the screens and forwards their events.
class QtWindowFactory : public screens::WindowFactory {
 public:
  std::unique_ptr<screens::NativeWindow> MakeWindow(const layout::WindowLayout& layout,
                                                    screens::WindowEvents& events) override;
  void Quit() override;
  [[noreturn]] void ExitNow() override;
  void Post(std::function<void()> work) override;
};

// The three program-wide windows of the Linux build.
class QtNavigator : private QtWindowFactory, public screens::ScreenNavigator {
 public:
  explicit QtNavigator(Platform& platform) : ScreenNavigator(*this, platform) {}

  // The loaded window with this name, or nullptr.
  LayoutWindow* Window(std::string_view name) const;
};

}  // namespace mirvo::ui
