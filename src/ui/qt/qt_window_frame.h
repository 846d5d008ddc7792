#pragma once

#include <QPoint>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>

#include "tray/window_frame.h"
#include "ui/qt/layout_window.h"

namespace mirvo::ui {

// A working window and its tray icon, as the lifecycle sees them.
class QtWindowFrame : public WindowFrame {
 public:
  explicit QtWindowFrame(LayoutWindow& window) : window_(window) {}

  // A left-button double-click on the tray icon, a right-click on it, a click on its balloon.
  std::function<void()> onTrayDoubleClick;
  std::function<void()> onTrayRightClick;
  std::function<void()> onTrayMessageClick;

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

  const QSystemTrayIcon* TrayIcon() const { return tray_.get(); }

 private:
  void PlaceWindow(QPoint topLeft);

  LayoutWindow& window_;
  std::unique_ptr<QSystemTrayIcon> tray_;
};

// Ends the process at once; the frame's and the window factory's ExitNow both come here.
[[noreturn]] void ExitProcessNow();

// The tip text a notify-icon record carries: the text before its NUL character.
QString TipText(const NotifyIconRecord& record);

}  // namespace mirvo::ui
