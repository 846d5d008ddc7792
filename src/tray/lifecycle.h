#pragma once

#include <string>

#include "foundation/platform.h"
#include "tray/notify_icon_record.h"
#include "tray/window_frame.h"

namespace mirvo {

// The lifecycle shared by the two working windows: the tray icon from load to close, hiding on
// minimize, coming back on a double-click of the icon, and the close that stops rsync and ends.
class WorkingWindowLifecycle {
 public:
  WorkingWindowLifecycle(WindowFrame& frame, Platform& platform, std::string tipText);

  void OnLoad();
  void OnResize();  // at first display, every size change, minimize, maximize and restore
  // A pointer move over the window or a tray event delivered as one: X in twips.
  void OnPointerMove(float xTwips);
  void RestoreFromTray();
  void OnCloseRequest();

  const SavedPosition& Position() const { return position_; }

 private:
  void WindowStyle();  // at a minimize: refills the tray record and hides the window

  WindowFrame& frame_;
  Platform& platform_;
  std::string tipText_;
  SavedPosition position_;
  NotifyIconRecord record_;  // filled at load and at every minimize; removed at close
};

}  // namespace mirvo
