#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mirvo {

struct NotifyIconRecord;

// A working window's top and left (of its frame, from the screen's top-left corner), in twips.
struct SavedPosition {
  float top = 0;
  float left = 0;
  bool set = false;  // both start unset; the first display records them
};

// What the lifecycle of a working window asks of the window itself and of the tray. The Qt and
// Win32 adapters implement it; tests use a fake that records the calls in order.
class WindowFrame {
 public:
  virtual ~WindowFrame() = default;

  virtual std::uint32_t Handle() const = 0;      // the window's handle (any stable number on Qt)
  virtual std::uint32_t IconHandle() const = 0;  // the handle of the window's icon picture
  virtual float TwipsPerPixel() const = 0;       // 15 at 96 dpi

  virtual float Top() const = 0;  // twips
  virtual float Left() const = 0;
  virtual void MoveTo(float top, float left) = 0;
  virtual bool IsMinimized() const = 0;
  // On the screen for the user to see: shown, neither hidden in the tray nor minimized.
  virtual bool IsShowing() const = 0;

  // Off the screen and out of the taskbar, still loaded, timers running.
  virtual void Hide() = 0;
  // Visible, normal state, activated. When this changes the window state the adapter raises the
  // resize notification (OnResize) before returning.
  virtual void ShowRestored() = 0;
  virtual void GiveFocus() = 0;

  // The notification area. Without a tray the window must stay reachable (minimized, not hidden).
  virtual bool TrayAvailable() const = 0;
  virtual void AddTrayIcon(const NotifyIconRecord& record) = 0;
  virtual void RemoveTrayIcon(const NotifyIconRecord& record) = 0;
  // A warning balloon from the window's tray icon; false when there is no icon or tray to show it.
  virtual bool ShowTrayMessage(std::string_view title, std::string_view text) = 0;
  // A menu of these entries beside the tray icon, in the platform's own way; it returns once the
  // user has chosen one (its index) or dismissed the menu (nothing).
  virtual std::optional<std::size_t> ChooseFromTrayMenu(
      const std::vector<std::string>& captions) = 0;

  // Ends the process at once: no further window event runs.
  virtual void ExitNow() = 0;
};

}  // namespace mirvo
