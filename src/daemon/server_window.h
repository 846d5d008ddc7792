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

// The server window's states and what its controls show in each:
//
//   state         the nine inputs  启动服务  停止服务  check running
//   Stopped       enabled          enabled   disabled  none
//   StartAborted  disabled         enabled   disabled  none      written configuration not found
//   Starting      disabled         disabled  enabled   启动检查   the daemon's first 2 seconds
//   Running       disabled         disabled  enabled   none      its end arrives as an event
//   Stopping      disabled         disabled  disabled  停止检查   until it is gone, at most 5 s
enum class ServerState { Stopped, StartAborted, Starting, Running, Stopping };

// The logic of the server window: the start and stop steps over the window's controls, and the
// watch over the daemon from its start until it is gone.
class ServerWindow {
 public:
  ServerWindow(Form& form, Platform& platform);
  ~ServerWindow();
  ServerWindow(const ServerWindow&) = delete;
  ServerWindow& operator=(const ServerWindow&) = delete;

  void OnStartClicked();    // 启动服务
  void OnStopClicked();     // 停止服务
  void OnStartCheckTick();  // 启动检查
  void OnStopCheckTick();   // 停止检查

  ServerState State() const { return state_; }

 private:
  void Enter(ServerState state);
  void OnDaemonEnded();
  void ReportEnd(bool duringStartCheck);
  bool DaemonGone() const;
  void FailStart(const std::string& message);

  Form& form_;
  Platform& platform_;
  ServerState state_ = ServerState::Stopped;
  std::shared_ptr<CommandWatch> daemon_;  // from its start until it is seen to end or stopped
  std::shared_ptr<CommandWatch> kill_;    // the stop's kill command, while the stop waits
  int port_ = 0;                          // the port the daemon listens on
  int checkTicks_ = 0;
  int stopTicks_ = 0;
};

}  // namespace mirvo
