#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/form.h"
#include "resources/layouts.h"
#include "tray/window_frame.h"

namespace mirvo::win32 {

// What a window reports back to the program's logic.
struct WindowEvents {
  std::function<void(std::string_view control)> click;
  std::function<void(std::string_view timer)> timer;
  std::function<void()> resize;                   // first display, size and state changes
  std::function<void(float xTwips)> pointerMove;  // pointer moves and tray events
  std::function<void()> closeRequest;             // none: the window is destroyed
};

// A window built with CreateWindowExW from its layout: client area and control rectangles in
// twips scaled by the screen's dpi, SimSun where the layout says so, the tab order of the layout.
// It is the Form of its logic and, for the working windows, the WindowFrame of their lifecycle.
class Win32Window final : public Form, public WindowFrame {
 public:
  Win32Window(const layout::WindowLayout& layout, HICON icon);
  ~Win32Window() override;
  Win32Window(const Win32Window&) = delete;
  Win32Window& operator=(const Win32Window&) = delete;

  void SetEvents(WindowEvents events) { events_ = std::move(events); }
  HWND hwnd() const { return hwnd_; }
  // Shows the window normally where the system places new windows, focus on tab index 0.
  void Show();
  void Destroy();

  // Form
  std::string Text(std::string_view control) const override;
  bool Checked(std::string_view control) const override;
  void SetEnabled(std::string_view control, bool enabled) override;
  void SetVisible(std::string_view control, bool visible) override;
  void SetTimerInterval(std::string_view timer, std::int32_t milliseconds) override;
  void ShowMessage(std::string_view text, std::string_view title) override;

  // WindowFrame
  std::uint32_t Handle() const override;
  std::uint32_t IconHandle() const override;
  float TwipsPerPixel() const override;
  float Top() const override;
  float Left() const override;
  void MoveTo(float top, float left) override;
  bool IsMinimized() const override;
  void Hide() override;
  void ShowRestored() override;
  void GiveFocus() override;
  bool TrayAvailable() const override;
  void AddTrayIcon(const NotifyIconRecord& record) override;
  void RemoveTrayIcon(const NotifyIconRecord& record) override;
  void ExitNow() override;

 private:
  struct Control {
    const layout::ControlLayout* layout;
    HWND hwnd = nullptr;  // none for timers
    bool timerEnabled = false;
    UINT timerInterval = 0;
  };

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
  void CreateControls();
  int Pixels(int twips) const;
  Control* Find(std::string_view name);
  const Control* Find(std::string_view name) const;
  UINT_PTR TimerId(const Control& control) const;
  HWND NextInTabOrder(HWND after) const;
  HWND FocusToRestore() const;
  void MoveFocusOnFrom(HWND before);

  const layout::WindowLayout& layout_;
  HICON icon_;
  HWND hwnd_ = nullptr;
  int dpi_ = 96;
  HFONT songFont_ = nullptr;
  HFONT titleFont_ = nullptr;
  HFONT defaultFont_ = nullptr;
  std::vector<Control> controls_;
  WindowEvents events_;
  bool shown_ = false;
  // The control that had the focus when the window was last deactivated (as a dialog box keeps
  // it): activation gives it back. None yet: the control with tab index 0.
  HWND focus_ = nullptr;
};

}  // namespace mirvo::win32
