#pragma once

#include <memory>
#include <string_view>

#include "resources/layouts.h"
#include "screens/busy_flag.h"
#include "screens/native_window.h"

namespace mirvo::screens {

// A loaded window with its logic: it receives the window's events and hands each click and tick
// to the handler the concrete screen has for it, one handler at a time.
class Screen : public WindowEvents {
 public:
  Screen(WindowFactory& factory, const layout::WindowLayout& layout, BusyFlag& busy);
  Screen(const Screen&) = delete;
  Screen& operator=(const Screen&) = delete;

  NativeWindow& Window() { return *window_; }
  // The window's load step; false when the program is to end.
  virtual bool Load() = 0;
  // A working window has the close steps that stop rsync; the console has no lifecycle.
  virtual bool Working() const { return false; }

  void OnClick(std::string_view button) final;
  void OnTimer(std::string_view timer) final;
  void OnResize() override {}
  void OnPointerMove(float) override {}
  void OnTrayDoubleClick() override {}
  void OnTrayRightClick() override {}
  void OnTrayMessageClick() override {}

 protected:
  // Runs the handler of the button or timer; false when the window has none for it.
  virtual bool Click(std::string_view button) = 0;
  virtual bool Tick(std::string_view timer);

 private:
  const layout::WindowLayout& layout_;
  BusyFlag& busy_;  // one for every window of the program
  std::unique_ptr<NativeWindow> window_;
};

}  // namespace mirvo::screens
