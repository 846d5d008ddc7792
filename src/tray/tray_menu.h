#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "tray/lifecycle.h"
#include "tray/window_frame.h"

namespace mirvo {

enum class TrayCommand { ShowWindow, OpenTransferLog, Exit };

struct TrayMenuEntry {
  std::string_view caption;
  TrayCommand command;
};

// The entries of a working window's tray menu, in their order. Only the window whose transfers
// write the result log offers to open it.
std::vector<TrayMenuEntry> TrayMenuEntries(bool offersTransferLog);

// What a working window's tray icon does beyond the double-click: a right-click opens its menu,
// and a click on its balloon brings the window back and, where there is a result log, opens it,
// so that the user sees the failure the balloon told of.
class TrayMenu {
 public:
  // close: the window's close steps, exactly as its close box runs them. openTransferLog: empty
  // on a window without a result log.
  TrayMenu(WindowFrame& frame, WorkingWindowLifecycle& lifecycle, std::function<void()> close,
           std::function<void()> openTransferLog);

  void OnRightClick();
  void OnMessageClick();

 private:
  void Run(TrayCommand command);

  WindowFrame& frame_;
  WorkingWindowLifecycle& lifecycle_;
  std::function<void()> close_;
  std::function<void()> openTransferLog_;
};

}  // namespace mirvo
