#pragma once

#include <string_view>

#include "foundation/form.h"
#include "foundation/platform.h"

namespace mirvo {

inline constexpr std::string_view kClientWindowName = "客户端";
inline constexpr std::string_view kScheduleTimer = "定时同步时间";

// The logic of the client window: a transfer now, and the schedule driven by the window's timer.
class ClientWindow {
 public:
  ClientWindow(Form& form, Platform& platform);

  void OnTransferNowClicked();  // 开始同步
  void OnArmClicked();          // 定时同步
  void OnTimerTick();           // 定时同步时间
  void OnCancelClicked();       // 取消定时

 private:
  Form& form_;
  Platform& platform_;
};

}  // namespace mirvo
