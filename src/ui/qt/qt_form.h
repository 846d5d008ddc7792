#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "foundation/form.h"

class QTimer;
class QWidget;

namespace mirvo::ui {

// The Form seam over real Qt widgets, found by their control names.
class QtForm : public Form {
 public:
  explicit QtForm(QWidget& window) : window_(window) {}

  void AddControl(std::string_view name, QWidget* control);
  // A timer ticks only while it is enabled and its interval is above zero.
  void AddTimer(std::string_view name, QTimer* timer, std::int32_t interval, bool enabled);

  QWidget* Control(std::string_view name) const;
  QTimer* Timer(std::string_view name) const;
  bool TimerEnabled(std::string_view name) const;
  std::int32_t TimerInterval(std::string_view name) const;

  std::string Text(std::string_view control) const override;
  bool Checked(std::string_view control) const override;
  void SetEnabled(std::string_view control, bool enabled) override;
  void SetVisible(std::string_view control, bool visible) override;
  void SetTimerInterval(std::string_view timer, std::int32_t milliseconds) override;
  void ShowMessage(std::string_view text, std::string_view title) override;

 private:
  struct TimerSlot {
    QTimer* timer = nullptr;
    std::int32_t interval = 0;
    bool enabled = false;
  };
  void Apply(TimerSlot& slot, bool restart);
  const TimerSlot* FindTimer(std::string_view name) const;
  // A name this window lacks, or a control that cannot do what the call asks.
  void Report(std::string_view control, std::string_view call) const;

  QWidget& window_;
  std::map<std::string, QWidget*, std::less<>> controls_;
  std::map<std::string, TimerSlot, std::less<>> timers_;
};

}  // namespace mirvo::ui
