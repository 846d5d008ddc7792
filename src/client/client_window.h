#pragma once

#include <string>
#include <string_view>

#include "client/transfer_follower.h"
#include "client/transfer_settings.h"
#include "foundation/form.h"
#include "foundation/platform.h"

namespace mirvo {

// The current text of each box and the state of each check box, read afresh for every transfer.
TransferSettings ReadTransferSettings(const Form& form);

// The schedule's states and what the client window's controls show in each:
//
//   state      定时同步时间           定时同步          取消定时          inputs and 开始同步
//   Idle       disabled               enabled, visible  disabled, hidden  enabled
//   Armed      enabled, no tick yet   disabled, hidden  enabled, visible  enabled
//   Repeating  enabled, ticked        disabled, hidden  enabled, visible  disabled
enum class ScheduleState { Idle, Armed, Repeating };

// The logic of the client window: a transfer now, and the schedule driven by the window's timer.
// Every transfer it starts is followed to its end; a failure is told through the notifier.
class ClientWindow {
 public:
  ClientWindow(Form& form, Platform& platform, TransferNotifier& notifier);

  void OnTransferNowClicked();  // 开始同步
  void OnArmClicked();          // 定时同步
  void OnScheduleTick();        // 定时同步时间
  void OnCancelClicked();       // 取消定时
  // The window closes and ends every rsync.exe: those ends are neither logged nor announced.
  void OnClosing();

  ScheduleState State() const { return state_; }

 private:
  void Enter(ScheduleState state);
  Status StartTransfer(const TransferSettings& settings);
  void ShowMessageOnce(const std::string& text);

  Form& form_;
  Platform& platform_;
  TransferFollower follower_;
  ScheduleState state_ = ScheduleState::Idle;
  bool showingMessage_ = false;  // a tick during an open message box does not open another
};

}  // namespace mirvo
