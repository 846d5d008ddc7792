#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tray/notify_icon_record.h"
#include "tray/window_frame.h"

namespace mirvo::testing {

// A working window and its tray as the lifecycle sees them. Every call is recorded in order;
// ShowRestored runs onRestoreResize when it changes the state, as the real adapters raise the
// resize notification before returning.
class FakeWindowFrame : public WindowFrame {
 public:
  std::uint32_t Handle() const override {
    calls.push_back("Handle");
    return handle;
  }
  std::uint32_t IconHandle() const override {
    calls.push_back("IconHandle");
    return iconHandle;
  }
  float TwipsPerPixel() const override { return twipsPerPixel; }
  float Top() const override { return top; }
  float Left() const override { return left; }
  void MoveTo(float newTop, float newLeft) override {
    calls.push_back("MoveTo " + Number(newTop) + " " + Number(newLeft));
    top = newTop;
    left = newLeft;
  }
  bool IsMinimized() const override { return minimized; }
  bool IsShowing() const override { return !minimized && !hidden; }
  void Hide() override {
    calls.push_back("Hide");
    hidden = true;
  }
  void ShowRestored() override {
    calls.push_back("ShowRestored");
    bool changed = minimized || hidden;
    minimized = false;
    hidden = false;
    top = restoredTop;
    left = restoredLeft;
    if (changed && onRestoreResize) onRestoreResize();
  }
  void GiveFocus() override { calls.push_back("GiveFocus"); }
  bool TrayAvailable() const override { return trayAvailable; }
  void AddTrayIcon(const NotifyIconRecord& record) override {
    calls.push_back("AddTrayIcon " + record.szTip);
    added.push_back(record);
  }
  void RemoveTrayIcon(const NotifyIconRecord& record) override {
    calls.push_back("RemoveTrayIcon " + record.szTip);
    removed.push_back(record);
  }
  // Shown only while the icon is in a tray, as both adapters do.
  bool ShowTrayMessage(std::string_view title, std::string_view text) override {
    calls.push_back("ShowTrayMessage " + std::string(title));
    const bool shown = trayAvailable && added.size() > removed.size();
    if (shown) trayMessages.push_back(std::string(text));
    return shown;
  }
  std::optional<std::size_t> ChooseFromTrayMenu(const std::vector<std::string>& entries) override {
    calls.push_back("TrayMenu");
    for (const std::string& entry : entries) calls.back() += " " + entry;
    return menuChoice;
  }
  void ExitNow() override { calls.push_back("ExitNow"); }

  static std::string Number(float value) { return std::to_string(static_cast<long>(value)); }

  std::uint32_t handle = 0x1234;
  std::uint32_t iconHandle = 0x5678;
  float twipsPerPixel = 15;
  float top = 0;
  float left = 0;
  float restoredTop = 0;  // where the platform puts the window back when it restores it
  float restoredLeft = 0;
  bool minimized = false;
  bool hidden = false;
  bool trayAvailable = true;
  std::function<void()> onRestoreResize;
  std::optional<std::size_t> menuChoice;  // what the user picks from the tray menu
  std::vector<NotifyIconRecord> added;
  std::vector<NotifyIconRecord> removed;
  std::vector<std::string> trayMessages;  // the texts of the balloons shown
  mutable std::vector<std::string> calls;
};

}  // namespace mirvo::testing
