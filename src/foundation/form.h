#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace mirvo {

// A window's controls, reached by their names (共享路径, 启动服务, 定时同步时间, …). The window
// logic talks only to this; the Qt and Win32 adapters implement it over real controls, and tests
// with a fake that records every call in order.
class Form {
 public:
  virtual ~Form() = default;

  virtual std::string Text(std::string_view control) const = 0;
  virtual bool Checked(std::string_view control) const = 0;
  // Works for every kind of control, timers included (an enabled timer ticks).
  virtual void SetEnabled(std::string_view control, bool enabled) = 0;
  virtual void SetVisible(std::string_view control, bool visible) = 0;
  virtual void SetTimerInterval(std::string_view timer, std::int32_t milliseconds) = 0;
  // An information message box with one OK button; returns when it is dismissed.
  virtual void ShowMessage(std::string_view text, std::string_view title) = 0;
};

}  // namespace mirvo
