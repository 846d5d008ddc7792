#include "ui/qt/qt_form.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include "foundation/control_report.h"
#include "resources/window_metrics.h"
#include "ui/qt/qt_text.h"

namespace mirvo::ui {

void QtForm::AddControl(std::string_view name, QWidget* control) {
  controls_[std::string(name)] = control;
}

void QtForm::AddTimer(std::string_view name, QTimer* timer, std::int32_t interval, bool enabled) {
  timer->setTimerType(Qt::PreciseTimer);
  TimerSlot& slot = timers_[std::string(name)];
  slot = TimerSlot{timer, interval, enabled};
  Apply(slot, true);
}

QWidget* QtForm::Control(std::string_view name) const {
  auto it = controls_.find(name);
  return it == controls_.end() ? nullptr : it->second;
}

QTimer* QtForm::Timer(std::string_view name) const {
  const TimerSlot* slot = FindTimer(name);
  return slot ? slot->timer : nullptr;
}

bool QtForm::TimerEnabled(std::string_view name) const {
  const TimerSlot* slot = FindTimer(name);
  return slot && slot->enabled;
}

std::int32_t QtForm::TimerInterval(std::string_view name) const {
  const TimerSlot* slot = FindTimer(name);
  return slot ? slot->interval : 0;
}

const QtForm::TimerSlot* QtForm::FindTimer(std::string_view name) const {
  auto it = timers_.find(name);
  return it == timers_.end() ? nullptr : &it->second;
}

std::string QtForm::Text(std::string_view control) const {
  QWidget* widget = Control(control);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) return ToUtf8(edit->text());
  if (auto* label = qobject_cast<QLabel*>(widget)) return ToUtf8(label->text());
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) return ToUtf8(button->text());
  Report(control, "Text");
  return {};
}

bool QtForm::Checked(std::string_view control) const {
  if (auto* box = qobject_cast<QCheckBox*>(Control(control))) return box->isChecked();
  Report(control, "Checked");
  return false;
}

void QtForm::SetEnabled(std::string_view control, bool enabled) {
  auto timer = timers_.find(control);
  if (timer != timers_.end()) {
    // Enabling a timer that already runs does not restart its count.
    const bool changed = timer->second.enabled != enabled;
    timer->second.enabled = enabled;
    if (changed) Apply(timer->second, true);
    return;
  }
  if (QWidget* widget = Control(control)) {
    widget->setEnabled(enabled);
  } else {
    Report(control, "SetEnabled");
  }
}

void QtForm::SetVisible(std::string_view control, bool visible) {
  if (QWidget* widget = Control(control)) {
    widget->setVisible(visible);
  } else {
    Report(control, "SetVisible");
  }
}

void QtForm::SetTimerInterval(std::string_view timer, std::int32_t milliseconds) {
  auto it = timers_.find(timer);
  if (it == timers_.end()) {
    Report(timer, "SetTimerInterval");
    return;
  }
  // A new interval counts from now, as the window runtime's timers do.
  it->second.interval = milliseconds;
  Apply(it->second, true);
}

void QtForm::Report(std::string_view control, std::string_view call) const {
  ReportUnknownControl(ToUtf8(window_.objectName()), control, call);
}

void QtForm::Apply(TimerSlot& slot, bool restart) {
  // An interval of zero or less never ticks: a zero-interval QTimer would fire on every pass of
  // the event loop.
  if (!slot.enabled || slot.interval <= 0) {
    slot.timer->stop();
  } else if (restart || !slot.timer->isActive()) {
    slot.timer->start(slot.interval);
  }
}

void QtForm::ShowMessage(std::string_view text, std::string_view title) {
  QWidget* parent =
      layout::MessageBoxHasOwner(window_.isVisible(), window_.isMinimized()) ? &window_ : nullptr;
  QMessageBox box(QMessageBox::Information, ToQString(title), ToDisplayText(text), QMessageBox::Ok,
                  parent);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

}  // namespace mirvo::ui
