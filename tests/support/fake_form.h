#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "foundation/form.h"
#include "resources/layouts.h"

namespace mirvo::testing {

// A window's controls by name. Every call, reads included, is recorded in order ("enable 共享名",
// "disable 启动服务", "text 共享名", "message 注意：|…"); when log is set, the calls also go there,
// so that they interleave with a FakePlatform's events. A name the window does not have, or a
// call that does not fit the control's kind (the text of a button, the interval of a text box),
// fails the test: a misspelt control would otherwise pass unnoticed.
class FakeForm : public Form {
 public:
  // The window's controls as its layout declares them, in the state the window opens in: text
  // boxes with their default text, check boxes checked or not, timers with their interval, and
  // every control enabled and visible or not.
  static FakeForm FromLayout(const layout::WindowLayout& window) {
    FakeForm form;
    for (const layout::ControlLayout& control : window.controls) {
      const std::string name(control.name);
      form.enabled[name] = control.enabled;
      form.visible[name] = control.visible;
      switch (control.kind) {
        case layout::ControlKind::TextBox:
          form.texts[name] = std::string(control.text);
          break;
        case layout::ControlKind::CheckBox:
          form.checks[name] = control.checked;
          break;
        case layout::ControlKind::Timer:
          form.intervals[name] = control.timerInterval;
          break;
        default:
          break;
      }
    }
    return form;
  }

  std::string Text(std::string_view control) const override {
    Record("text " + std::string(control));
    auto it = texts.find(std::string(control));
    if (it == texts.end()) {
      ADD_FAILURE() << "no text box " << control;
      return "";
    }
    return it->second;
  }
  bool Checked(std::string_view control) const override {
    Record("checked " + std::string(control));
    auto it = checks.find(std::string(control));
    if (it == checks.end()) {
      ADD_FAILURE() << "no check box " << control;
      return false;
    }
    return it->second;
  }
  void SetEnabled(std::string_view control, bool isEnabled) override {
    Record((isEnabled ? "enable " : "disable ") + std::string(control));
    Known(control);
    enabled[std::string(control)] = isEnabled;
  }
  void SetVisible(std::string_view control, bool isVisible) override {
    Record((isVisible ? "show " : "hide ") + std::string(control));
    Known(control);
    visible[std::string(control)] = isVisible;
  }
  void SetTimerInterval(std::string_view timer, std::int32_t milliseconds) override {
    Record("interval " + std::string(timer) + " " + std::to_string(milliseconds));
    if (Known(timer) && intervals.count(std::string(timer)) == 0) {
      ADD_FAILURE() << "no timer " << timer;
    }
    intervals[std::string(timer)] = milliseconds;
  }
  void ShowMessage(std::string_view text, std::string_view title) override {
    Record("message " + std::string(title) + "|" + std::string(text));
    messages.push_back({std::string(text), std::string(title)});
    if (onMessage) onMessage();
  }

  // The recorded calls that start with one of the prefixes, in order.
  std::vector<std::string> CallsStartingWith(std::initializer_list<std::string> prefixes) const {
    std::vector<std::string> picked;
    for (const std::string& call : calls) {
      for (const std::string& prefix : prefixes) {
        if (call.rfind(prefix, 0) == 0) {
          picked.push_back(call);
          break;
        }
      }
    }
    return picked;
  }

  struct Message {
    std::string text;
    std::string title;
  };

  std::map<std::string, std::string> texts;
  std::map<std::string, bool> checks;
  std::map<std::string, bool> enabled;
  std::map<std::string, bool> visible;
  std::map<std::string, std::int32_t> intervals;
  std::vector<Message> messages;
  std::function<void()> onMessage;  // runs while the message is "open", e.g. to deliver a tick
  mutable std::vector<std::string> calls;
  std::vector<std::string>* log = nullptr;

 private:
  void Record(const std::string& call) const {
    calls.push_back(call);
    if (log != nullptr) log->push_back(call);
  }
  bool Known(std::string_view control) const {
    if (enabled.count(std::string(control)) != 0) return true;
    ADD_FAILURE() << "no control " << control;
    return false;
  }
};

}  // namespace mirvo::testing
