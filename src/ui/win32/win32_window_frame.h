#pragma once

#include <windows.h>

#include <string_view>

#include "screens/native_window.h"
#include "tray/window_frame.h"
#include "ui/win32/layout_window.h"

namespace mirvo::win32 {

// A working window as its lifecycle sees it: its position in twips, its tray icon and balloon,
// and the end of the session. The tray's callback and the session's end arrive as the window's
// messages, which the window hands to its frame first.
class Win32WindowFrame final : public WindowFrame, public FrameMessages {
 public:
  Win32WindowFrame(LayoutWindow& window, screens::WindowEvents& events)
      : window_(window), events_(events) {}

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
  [[noreturn]] void ExitNow() override;

  bool OnFrameMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  // What the tray reports about the icon: the record's callback message, the event in lParam.
  void OnTrayCallback(WPARAM wParam, LPARAM lParam);

  LayoutWindow& window_;
  screens::WindowEvents& events_;
  // The icon the tray accepted, whose balloon a failure shows.
  bool trayIconAdded_ = false;
  UINT trayIconId_ = 0;
};

// Ends the process at once; the frame's and the window factory's ExitNow both come here.
[[noreturn]] void ExitProcessNow();

}  // namespace mirvo::win32
