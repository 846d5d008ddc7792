#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "foundation/form.h"
#include "resources/layouts.h"
#include "screens/native_window.h"
#include "tray/window_frame.h"

namespace mirvo::win32 {

// A window built with CreateWindowExW from its layout: client area and control rectangles in
// twips scaled by the window's own dpi (and scaled again when it moves to a screen of another
// dpi), SimSun where the layout says so, the tab order of the layout, each label just before the
// control it names.
// It is the Form of its logic and, for the working windows, the WindowFrame of their lifecycle; it
// reports its clicks, ticks and lifecycle events to the screen that owns it.
class Win32Window final : public screens::NativeWindow, public Form, public WindowFrame {
 public:
  Win32Window(const layout::WindowLayout& layout, HICON icon, screens::WindowEvents& events);
  ~Win32Window() override;
  Win32Window(const Win32Window&) = delete;
  Win32Window& operator=(const Win32Window&) = delete;

  HWND hwnd() const { return hwnd_; }
  // The control's own window, or nullptr (timers, unknown names).
  HWND ControlHandle(std::string_view name) const;

  // NativeWindow
  Form& Controls() override { return *this; }
  WindowFrame& Frame() override { return *this; }
  // Shows the window normally where the system places new windows, focus on tab index 0.
  void Show() override;
  void Destroy() override;

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
  bool IsShowing() const override;
  void Hide() override;
  void ShowRestored() override;
  void GiveFocus() override;
  bool TrayAvailable() const override;
  void AddTrayIcon(const NotifyIconRecord& record) override;
  void RemoveTrayIcon(const NotifyIconRecord& record) override;
  bool ShowTrayMessage(std::string_view title, std::string_view text) override;
  std::optional<std::size_t> ChooseFromTrayMenu(const std::vector<std::string>& captions) override;
  void ExitNow() override;

 private:
  struct Control {
    const layout::ControlLayout* layout;
    HWND hwnd = nullptr;       // none for timers
    HFONT narrowed = nullptr;  // a label's own narrower font when its text is too wide
    bool timerEnabled = false;
    std::int32_t timerInterval = 0;  // zero or less: the timer never ticks
  };

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
  void CreateControls();
  void CreateControl(Control& control);
  // Fonts, rectangles and the picture at dpi_: at creation and when the dpi changes.
  void ApplyDpi();
  HFONT FontOf(const layout::ControlLayout& control) const;
  // A label whose text is wider than its rectangle grows to the right as far as the next control
  // on its row; text still too wide gets a narrower font rather than being cut.
  void FitLabel(Control& label);
  // The control with this name, or nullptr after reporting the name as unknown to the call.
  Control* Find(std::string_view name, std::string_view call);
  const Control* Find(std::string_view name, std::string_view call) const;
  UINT_PTR TimerId(const Control& control) const;
  HWND NextInTabOrder(HWND after) const;
  HWND FocusToRestore() const;
  void MoveFocusOnFrom(HWND before);
  void StartTimer(const Control& control);

  const layout::WindowLayout& layout_;
  HICON icon_;
  HWND hwnd_ = nullptr;
  int dpi_ = 96;
  HFONT songFont_ = nullptr;
  HFONT titleFont_ = nullptr;
  HFONT defaultFont_ = nullptr;
  HICON picture_ = nullptr;  // Image1 drawn at its size in pixels
  std::vector<Control> controls_;
  screens::WindowEvents& events_;
  bool shown_ = false;
  // The icon the tray accepted, whose balloon a failure shows.
  bool trayIconAdded_ = false;
  UINT trayIconId_ = 0;
  // The control that had the focus when the window was last deactivated (as a dialog box keeps
  // it): activation gives it back. None yet: the control with tab index 0.
  HWND focus_ = nullptr;
};

}  // namespace mirvo::win32
