#include "ui/win32/win32_form.h"

#include <array>

#include "foundation/control_report.h"
#include "foundation/win32/wide_text.h"
#include "resources/window_metrics.h"

namespace mirvo::win32 {
namespace {

// The window class and styles of each kind of control.
struct ControlClass {
  layout::ControlKind kind;
  const wchar_t* windowClass;  // none: the control has no window
  DWORD style;
  DWORD extendedStyle;
};

constexpr std::array<ControlClass, 6> kControlClasses{{
    {layout::ControlKind::Label, L"STATIC", SS_LEFT | SS_NOPREFIX, 0},
    {layout::ControlKind::TextBox, L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE},
    {layout::ControlKind::CheckBox, L"BUTTON", WS_TABSTOP | BS_AUTOCHECKBOX, 0},
    {layout::ControlKind::Button, L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, 0},
    {layout::ControlKind::Image, L"STATIC", SS_ICON, 0},
    {layout::ControlKind::Timer, nullptr, 0, 0},  // a timer of the window, see ApplyTimer
}};

}  // namespace

HWND CreateControlWindow(const layout::ControlLayout& c, HWND parent, int id) {
  const ControlClass* kind = nullptr;
  for (const ControlClass& entry : kControlClasses) {
    if (entry.kind == c.kind) kind = &entry;
  }
  if (kind == nullptr || kind->windowClass == nullptr) return nullptr;
  DWORD style = WS_CHILD | kind->style;
  if (c.visible) style |= WS_VISIBLE;
  if (!c.enabled) style |= WS_DISABLED;
  const std::wstring text = Widen(c.text);
  HWND control = CreateWindowExW(kind->extendedStyle, kind->windowClass, text.c_str(), style, 0, 0,
                                 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
  SetWindowTextW(control, text.c_str());
  if (c.kind == layout::ControlKind::CheckBox && c.checked) {
    SendMessageW(control, BM_SETCHECK, BST_CHECKED, 0);
  }
  return control;
}

Win32Form::Win32Form(const layout::WindowLayout& layout) : layout_(layout) {
  controls_.reserve(layout.controls.size());
  for (const layout::ControlLayout& control : layout.controls) {
    controls_.push_back({&control});
    if (control.kind == layout::ControlKind::Timer) {
      controls_.back().timerInterval = control.timerInterval;
      controls_.back().timerEnabled = control.enabled;
    }
  }
}

const Win32Control* Win32Form::ById(std::uintptr_t id) const {
  const std::uintptr_t first = kFirstControlId;
  return id >= first && id - first < controls_.size() ? &controls_[id - first] : nullptr;
}

HWND Win32Form::ControlHandle(std::string_view name) const {
  for (const Win32Control& control : controls_) {
    if (control.layout->name == name) return control.hwnd;
  }
  return nullptr;
}

void Win32Form::ApplyTimer(const Win32Control& control) {
  // SetTimer on a running timer restarts its count; an interval of zero or less never ticks.
  const auto id = static_cast<UINT_PTR>(IdOf(control));
  if (Ticking(control)) {
    SetTimer(window_, id, static_cast<UINT>(control.timerInterval), nullptr);
  } else {
    KillTimer(window_, id);
  }
}

Win32Control* Win32Form::Find(std::string_view name, std::string_view call) {
  for (Win32Control& control : controls_) {
    if (control.layout->name == name) return &control;
  }
  Report(name, call);
  return nullptr;
}

const Win32Control* Win32Form::Find(std::string_view name, std::string_view call) const {
  return const_cast<Win32Form*>(this)->Find(name, call);
}

void Win32Form::Report(std::string_view name, std::string_view call) const {
  ReportUnknownControl(layout_.name, name, call);
}

std::string Win32Form::Text(std::string_view name) const {
  const Win32Control* control = Find(name, "Text");
  if (control == nullptr) return {};
  if (control->hwnd == nullptr) {
    Report(name, "Text");
    return {};
  }
  int length = GetWindowTextLengthW(control->hwnd);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  length = GetWindowTextW(control->hwnd, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(length));
  return Narrow(text);
}

bool Win32Form::Checked(std::string_view name) const {
  const Win32Control* control = Find(name, "Checked");
  if (control == nullptr) return false;
  if (control->layout->kind != layout::ControlKind::CheckBox) {
    Report(name, "Checked");
    return false;
  }
  return SendMessageW(control->hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32Form::SetEnabled(std::string_view name, bool enabled) {
  Win32Control* control = Find(name, "SetEnabled");
  if (control == nullptr) return;
  if (control->layout->kind == layout::ControlKind::Timer) {
    // Enabling a timer that already runs does not restart its count.
    if (control->timerEnabled == enabled) return;
    control->timerEnabled = enabled;
    ApplyTimer(*control);
    return;
  }
  EnableWindow(control->hwnd, enabled ? TRUE : FALSE);
}

void Win32Form::SetVisible(std::string_view name, bool visible) {
  Win32Control* control = Find(name, "SetVisible");
  if (control == nullptr) return;
  if (control->hwnd == nullptr) {
    Report(name, "SetVisible");
    return;
  }
  ShowWindow(control->hwnd, visible ? SW_SHOWNA : SW_HIDE);
}

void Win32Form::SetTimerInterval(std::string_view name, std::int32_t milliseconds) {
  Win32Control* control = Find(name, "SetTimerInterval");
  if (control == nullptr) return;
  if (control->layout->kind != layout::ControlKind::Timer) {
    Report(name, "SetTimerInterval");
    return;
  }
  // A new interval counts from now, also on a running timer.
  control->timerInterval = milliseconds;
  ApplyTimer(*control);
}

void Win32Form::ShowMessage(std::string_view text, std::string_view title) {
  // A box without owner is modal to every window of the program, as an owned one is to its owner.
  const bool owned =
      layout::MessageBoxHasOwner(IsWindowVisible(window_) != FALSE, IsIconic(window_) != FALSE);
  MessageBoxW(owned ? window_ : nullptr, Widen(text).c_str(), Widen(title).c_str(),
              MB_OK | MB_ICONINFORMATION | (owned ? 0 : MB_TASKMODAL));
}

}  // namespace mirvo::win32
