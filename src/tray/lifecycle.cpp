#include "tray/lifecycle.h"

#include <utility>

#include "foundation/names.h"

namespace mirvo {

WorkingWindowLifecycle::WorkingWindowLifecycle(WindowFrame& frame, Platform& platform,
                                               std::string tipText)
    : frame_(frame), platform_(platform), tipText_(std::move(tipText)) {}

void WorkingWindowLifecycle::OnLoad() {
  record_ = FillNotifyIconRecord(frame_, tipText_);
  frame_.AddTrayIcon(record_);
}

void WorkingWindowLifecycle::OnResize() {
  position_.top = frame_.Top();
  position_.left = frame_.Left();
  position_.set = true;
  if (frame_.IsMinimized()) WindowStyle();
}

void WorkingWindowLifecycle::OnPointerMove(float xTwips) {
  // The tray reports its events as pointer moves whose X, in pixels, is the event's code.
  const float code = xTwips / frame_.TwipsPerPixel();
  if (code == static_cast<float>(kLeftDoubleClickCode)) RestoreFromTray();
}

void WorkingWindowLifecycle::RestoreFromTray() {
  // Showing the window raises a resize notification that records the restored position; the
  // position is read only afterwards.
  frame_.ShowRestored();
  if (position_.set) frame_.MoveTo(position_.top, position_.left);
  frame_.GiveFocus();
}

void WorkingWindowLifecycle::OnCloseRequest() {
  // Whether the kill could be started or not, the close cannot be refused and the program ends.
  (void)platform_.RunCommand(std::string(StopDaemonCommand), WindowMode::Hidden);
  frame_.RemoveTrayIcon(record_);
  frame_.ExitNow();
}

// Despite its name, it styles nothing: it refills the tray record from the window (the same values
// as since the load; no platform call follows) and hides the window into the tray.
void WorkingWindowLifecycle::WindowStyle() {
  record_ = FillNotifyIconRecord(frame_, tipText_);
  // Without a notification area a hidden window could never be brought back: it stays minimized.
  if (frame_.TrayAvailable()) frame_.Hide();
}

}  // namespace mirvo
