#pragma once

#include <windows.h>

#include "resources/layouts.h"
#include "screens/native_window.h"
#include "ui/win32/win32_dpi.h"
#include "ui/win32/win32_form.h"

namespace mirvo::win32 {

// The messages that belong to the window's frame (the tray's callback, the end of the session).
class FrameMessages {
 public:
  // True when the message was the frame's; `result` is then what the window procedure returns.
  virtual bool OnFrameMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;

 protected:
  ~FrameMessages() = default;
};

// A top-level window with the controls of its layout, made with CreateWindowExW: the object is
// handed over in the creation arguments and sees every message from the first. Client area and
// control rectangles in twips scaled by the window's own dpi (and scaled again when it moves to a
// screen of another dpi), SimSun where the layout says so, the tab order of the layout, each label
// just before the control it names. It reports clicks, ticks, its resize notification (first
// display, size and state changes) and the close request to its screen.
class LayoutWindow {
 public:
  LayoutWindow(const layout::WindowLayout& layout, HICON icon, screens::WindowEvents& events);
  ~LayoutWindow();
  LayoutWindow(const LayoutWindow&) = delete;
  LayoutWindow& operator=(const LayoutWindow&) = delete;

  HWND hwnd() const { return hwnd_; }
  HICON Icon() const { return icon_; }
  int Dpi() const { return dpi_; }
  Win32Form& Form() { return form_; }
  const Win32Form& Form() const { return form_; }
  void SetFrame(FrameMessages* frame) { frame_ = frame; }

  // Shows the window normally where the system places new windows, focus on tab index 0.
  void Show();
  // Destroys the window; no message reaches this object afterwards.
  void Destroy();
  // The control that should have the focus when the window gets it back.
  HWND FocusToRestore() const;

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
  void CreateControls();
  // Fonts, rectangles and the picture at dpi_: at creation and when the dpi changes.
  void ApplyDpi();
  void FitLabel(Win32Control& label);
  HWND NextInTabOrder(HWND after) const;
  // Runs a click or tick handler, then moves the focus on should the handler have taken it away.
  template <class Handler>
  void RunHandler(Handler handler);

  const layout::WindowLayout& layout_;
  HICON icon_;
  screens::WindowEvents& events_;
  Win32Form form_;
  HWND hwnd_ = nullptr;
  FrameMessages* frame_ = nullptr;
  int dpi_ = 96;
  DpiFonts fonts_;
  HICON picture_ = nullptr;  // Image1 drawn at its size in pixels
  bool shown_ = false;
  // The control that had the focus when the window was last deactivated (as a dialog box keeps
  // it): activation gives it back. None yet: the control with tab index 0.
  HWND focus_ = nullptr;
};

}  // namespace mirvo::win32
