#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "daemon/daemon_settings.h"
#include "foundation/form.h"
#include "foundation/platform.h"

namespace mirvo {

// The current text of each box and the state of each check box, read at the moment of the start.
DaemonSettings ReadDaemonSettings(const Form& form);

// The logic of the server window: the start and stop steps over the window's controls, and the
// watch over the daemon from its start until it is gone.
class ServerWindow {
 public:
  ServerWindow(Form& form, Platform& platform);

  void OnStartClicked();    // 启动服务
  void OnStopClicked();     // 停止服务
  void OnStartCheckTick();  // 启动检查
  void OnStopCheckTick();   // 停止检查

 private:
  void ReportEnd(bool duringStartCheck);
  bool DaemonGone() const;
  void FailStart(const std::string& message);
  void EnterStopped();

  Form& form_;
  Platform& platform_;
  std::shared_ptr<CommandWatch> daemon_;  // from its start until it is seen to end or stopped
  std::shared_ptr<CommandWatch> kill_;    // the stop's kill command, while the stop waits
  int port_ = 0;                          // the port the daemon listens on
  int checkTicks_ = 0;
  int stopTicks_ = 0;
};

}  // namespace mirvo
