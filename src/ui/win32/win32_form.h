#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/form.h"
#include "resources/layouts.h"

namespace mirvo::win32 {

// One control of a window: its child window (none for a timer), and a timer's state.
struct Win32Control {
  const layout::ControlLayout* layout;
  HWND hwnd = nullptr;
  HFONT narrowed = nullptr;  // a label's own narrower font when its text is too wide
  bool timerEnabled = false;
  std::int32_t timerInterval = 0;  // zero or less: the timer never ticks
};

// Makes the child window of a control of this kind (a per-kind table of window class and styles),
// numbered `id`, with the layout's text, state and visibility; nullptr for a timer, which has no
// window. It is placed and given its font later, at the window's dpi.
HWND CreateControlWindow(const layout::ControlLayout& control, HWND parent, int id);

// The Form seam over one window's controls, found by their names. Each control's child window
// and timer is numbered kFirstControlId plus its place in the layout.
class Win32Form final : public Form {
 public:
  static constexpr int kFirstControlId = 100;

  explicit Win32Form(const layout::WindowLayout& layout);

  // The window the controls belong to; its timers run there and its message boxes belong to it.
  void Attach(HWND window) { window_ = window; }
  std::vector<Win32Control>& Controls() { return controls_; }
  const std::vector<Win32Control>& Controls() const { return controls_; }
  int IdOf(const Win32Control& control) const {
    return kFirstControlId + static_cast<int>(&control - controls_.data());
  }
  // The control numbered `id`, or nullptr.
  const Win32Control* ById(std::uintptr_t id) const;
  // The control's own window, or nullptr (timers, unknown names).
  HWND ControlHandle(std::string_view name) const;
  // Starts or stops the timer as its state says; on a running timer it restarts the count.
  void ApplyTimer(const Win32Control& control);
  // Whether a tick of this timer is to be reported: it may have been due before it stopped.
  static bool Ticking(const Win32Control& timer) {
    return timer.timerEnabled && timer.timerInterval > 0;
  }

  std::string Text(std::string_view control) const override;
  bool Checked(std::string_view control) const override;
  void SetEnabled(std::string_view control, bool enabled) override;
  void SetVisible(std::string_view control, bool visible) override;
  void SetTimerInterval(std::string_view timer, std::int32_t milliseconds) override;
  void ShowMessage(std::string_view text, std::string_view title) override;

 private:
  // The control with this name, or nullptr after reporting the name as unknown to the call.
  Win32Control* Find(std::string_view name, std::string_view call);
  const Win32Control* Find(std::string_view name, std::string_view call) const;
  void Report(std::string_view name, std::string_view call) const;

  const layout::WindowLayout& layout_;
  std::vector<Win32Control> controls_;
  HWND window_ = nullptr;
};

}  // namespace mirvo::win32
