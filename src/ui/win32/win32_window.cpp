#include "ui/win32/win32_window.h"

#include <shellapi.h>

#include <algorithm>
#include <cmath>

#include "foundation/control_report.h"
#include "foundation/win32/wide_text.h"
#include "resources/window_metrics.h"
#include "tray/notify_icon_record.h"

namespace mirvo::win32 {
namespace {

constexpr wchar_t kWindowClass[] = L"MirvoWindow";
constexpr int kFirstControlId = 100;
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

void RegisterWindowClass(HICON icon) {
  static bool registered = false;
  if (registered) return;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = DefWindowProcW;  // replaced per window once its object exists
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hIcon = icon;
  windowClass.hIconSm = icon;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kWindowClass;
  RegisterClassExW(&windowClass);
  registered = true;
}

// SimSun ("宋体", character set GB2312) in the size and weight of the style.
HFONT SongFont(layout::FontStyle style, int dpi) {
  const layout::FontSpec spec = layout::FontOf(style);
  return CreateFontW(-layout::FontPixelHeight(spec.points, dpi), 0, 0, 0,
                     spec.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE, L"宋体");
}

HFONT MessageFont() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  return CreateFontIndirectW(&metrics.lfMessageFont);
}

NOTIFYICONDATAW TrayData(HWND hwnd, HICON icon, const NotifyIconRecord& record) {
  // The first-version structure of this build's own width, with the record's fields.
  NOTIFYICONDATAW data{};
  data.cbSize = NOTIFYICONDATAW_V1_SIZE;
  data.hWnd = hwnd;
  data.uID = record.uID;
  data.uFlags = record.uFlags;
  data.uCallbackMessage = record.uCallbackMessage;
  data.hIcon = icon;
  std::wstring tip = Widen(record.szTip);
  tip.resize(std::min<std::size_t>(tip.size(), 63));
  std::copy(tip.begin(), tip.end(), data.szTip);
  return data;
}

}  // namespace

Win32Window::Win32Window(const layout::WindowLayout& layout, HICON icon,
                         screens::WindowEvents& events)
    : layout_(layout), icon_(icon), events_(events) {
  RegisterWindowClass(icon);
  HDC screen = GetDC(nullptr);
  dpi_ = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);

  RECT frame{0, 0, layout::TwipsToPixels(layout.clientWidth, dpi_),
             layout::TwipsToPixels(layout.clientHeight, dpi_)};
  AdjustWindowRectEx(&frame, kWindowStyle, FALSE, 0);
  hwnd_ =
      CreateWindowExW(0, kWindowClass, Widen(layout.caption).c_str(), kWindowStyle, CW_USEDEFAULT,
                      CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top, nullptr,
                      nullptr, GetModuleHandleW(nullptr), nullptr);
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Win32Window::WindowProc));
  SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));

  songFont_ = SongFont(layout::FontStyle::Song, dpi_);
  titleFont_ = SongFont(layout::FontStyle::SongTitle, dpi_);
  defaultFont_ = MessageFont();
  CreateControls();
}

Win32Window::~Win32Window() {
  Destroy();
  for (HFONT font : {songFont_, titleFont_, defaultFont_}) DeleteObject(font);
}

void Win32Window::CreateControls() {
  controls_.reserve(layout_.controls.size());
  for (const layout::ControlLayout& control : layout_.controls) {
    controls_.push_back({&control});
    if (control.kind == layout::ControlKind::Timer) {
      controls_.back().timerInterval = control.timerInterval;
      controls_.back().timerEnabled = control.enabled;
    }
  }
  // Creation order is the keyboard order: first the controls that take the focus, by their tab
  // index, then the others.
  const std::vector<const layout::ControlLayout*> keyboard = layout::KeyboardOrder(layout_);
  for (const layout::ControlLayout* first : keyboard) {
    CreateControl(controls_[static_cast<std::size_t>(first - layout_.controls.data())]);
  }
  for (Control& control : controls_) {
    if (std::find(keyboard.begin(), keyboard.end(), control.layout) == keyboard.end()) {
      CreateControl(control);
    }
  }
  for (const Control& control : controls_) {
    if (control.timerEnabled) StartTimer(control);
  }
}

void Win32Window::CreateControl(Control& control) {
  const layout::ControlLayout& c = *control.layout;
  const wchar_t* windowClass = L"BUTTON";
  DWORD style = WS_CHILD;
  DWORD extended = 0;
  switch (c.kind) {
    case layout::ControlKind::Label:
      windowClass = L"STATIC";
      style |= SS_LEFT | SS_NOPREFIX;
      break;
    case layout::ControlKind::TextBox:
      windowClass = L"EDIT";
      style |= WS_TABSTOP | ES_AUTOHSCROLL;
      extended = WS_EX_CLIENTEDGE;
      break;
    case layout::ControlKind::CheckBox:
      style |= WS_TABSTOP | BS_AUTOCHECKBOX;
      break;
    case layout::ControlKind::Button:
      style |= WS_TABSTOP | BS_PUSHBUTTON;
      break;
    case layout::ControlKind::Image:
      windowClass = L"STATIC";
      style |= SS_ICON;
      break;
    case layout::ControlKind::Timer:
      return;  // no window: a thread timer of the window, see StartTimer
  }
  if (c.visible) style |= WS_VISIBLE;
  if (!c.enabled) style |= WS_DISABLED;
  const auto index = static_cast<int>(&control - controls_.data());
  const layout::PixelRect rect = layout::ToPixels(c.rect, dpi_);
  control.hwnd = CreateWindowExW(
      extended, windowClass, Widen(c.text).c_str(), style, rect.left, rect.top, rect.width,
      rect.height, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + index)),
      GetModuleHandleW(nullptr), nullptr);
  SetWindowTextW(control.hwnd, Widen(c.text).c_str());
  HFONT font = c.font == layout::FontStyle::Song        ? songFont_
               : c.font == layout::FontStyle::SongTitle ? titleFont_
                                                        : defaultFont_;
  SendMessageW(control.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  if (c.kind == layout::ControlKind::CheckBox && c.checked) {
    SendMessageW(control.hwnd, BM_SETCHECK, BST_CHECKED, 0);
  }
  if (c.kind == layout::ControlKind::Image) {
    SendMessageW(control.hwnd, STM_SETICON, reinterpret_cast<WPARAM>(icon_), 0);
  }
}

void Win32Window::Show() {
  ShowWindow(hwnd_, SW_SHOWNORMAL);
  UpdateWindow(hwnd_);
  // Activates the window too; should another window hold the activation in the end, the
  // activation handling below puts the focus here once this window gets it.
  SetFocus(FocusToRestore());
  if (!shown_) {
    shown_ = true;
    // The first display counts as a resize notification: it records the position.
    events_.OnResize();
  }
}

void Win32Window::Destroy() {
  if (hwnd_ == nullptr) return;
  HWND hwnd = hwnd_;
  hwnd_ = nullptr;
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
  DestroyWindow(hwnd);
}

namespace {

// Enabled and not hidden itself (its window may be hidden for now, in the tray).
bool CanTakeFocus(HWND control) {
  return IsWindowEnabled(control) && (GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0;
}

}  // namespace

HWND Win32Window::NextInTabOrder(HWND after) const {
  // The controls that take the focus, in the keyboard order; from the one after `after` (from the
  // first when it is none of them) round to the first that can take it now.
  std::vector<const Control*> order;
  for (const layout::ControlLayout* taking : layout::KeyboardOrder(layout_)) {
    for (const Control& control : controls_) {
      if (control.layout == taking && control.hwnd != nullptr) order.push_back(&control);
    }
  }
  std::size_t start = 0;
  for (std::size_t i = 0; i < order.size(); ++i) {
    if (order[i]->hwnd == after) start = i + 1;
  }
  for (std::size_t i = 0; i < order.size(); ++i) {
    const Control* candidate = order[(start + i) % order.size()];
    if (CanTakeFocus(candidate->hwnd)) return candidate->hwnd;
  }
  return nullptr;
}

void Win32Window::MoveFocusOnFrom(HWND before) {
  // A handler that disables or hides the focused control (启动服务 disables itself) leaves the
  // focus nowhere, where no key reaches anything: it moves on in the keyboard order instead.
  if (hwnd_ == nullptr || before == nullptr || GetActiveWindow() != hwnd_ ||
      !IsChild(hwnd_, before) || CanTakeFocus(before)) {
    return;
  }
  if (HWND next = NextInTabOrder(before)) SetFocus(next);
}

HWND Win32Window::FocusToRestore() const {
  // A control that has since been disabled or hidden cannot take the focus back: then the first
  // that can, tab index 0 unless it is disabled (as 启动服务 is while the daemon runs).
  if (focus_ != nullptr && CanTakeFocus(focus_)) return focus_;
  HWND first = NextInTabOrder(nullptr);
  return first != nullptr ? first : hwnd_;
}

Win32Window::Control* Win32Window::Find(std::string_view name, std::string_view call) {
  for (Control& control : controls_) {
    if (control.layout->name == name) return &control;
  }
  ReportUnknownControl(layout_.name, name, call);
  return nullptr;
}

const Win32Window::Control* Win32Window::Find(std::string_view name, std::string_view call) const {
  return const_cast<Win32Window*>(this)->Find(name, call);
}

HWND Win32Window::ControlHandle(std::string_view name) const {
  for (const Control& control : controls_) {
    if (control.layout->name == name) return control.hwnd;
  }
  return nullptr;
}

UINT_PTR Win32Window::TimerId(const Control& control) const {
  return static_cast<UINT_PTR>(kFirstControlId + (&control - controls_.data()));
}

void Win32Window::StartTimer(const Control& control) {
  // SetTimer on a running timer restarts its count; an interval of zero or less never ticks.
  if (control.timerEnabled && control.timerInterval > 0) {
    SetTimer(hwnd_, TimerId(control), static_cast<UINT>(control.timerInterval), nullptr);
  } else {
    KillTimer(hwnd_, TimerId(control));
  }
}

std::string Win32Window::Text(std::string_view name) const {
  const Control* control = Find(name, "Text");
  if (control == nullptr) return {};
  if (control->hwnd == nullptr) {
    ReportUnknownControl(layout_.name, name, "Text");
    return {};
  }
  int length = GetWindowTextLengthW(control->hwnd);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  length = GetWindowTextW(control->hwnd, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(length));
  return Narrow(text);
}

bool Win32Window::Checked(std::string_view name) const {
  const Control* control = Find(name, "Checked");
  if (control == nullptr) return false;
  if (control->layout->kind != layout::ControlKind::CheckBox) {
    ReportUnknownControl(layout_.name, name, "Checked");
    return false;
  }
  return SendMessageW(control->hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32Window::SetEnabled(std::string_view name, bool enabled) {
  Control* control = Find(name, "SetEnabled");
  if (control == nullptr) return;
  if (control->layout->kind == layout::ControlKind::Timer) {
    // Enabling a timer that already runs does not restart its count.
    if (control->timerEnabled == enabled) return;
    control->timerEnabled = enabled;
    StartTimer(*control);
    return;
  }
  EnableWindow(control->hwnd, enabled ? TRUE : FALSE);
}

void Win32Window::SetVisible(std::string_view name, bool visible) {
  Control* control = Find(name, "SetVisible");
  if (control == nullptr) return;
  if (control->hwnd == nullptr) {
    ReportUnknownControl(layout_.name, name, "SetVisible");
    return;
  }
  ShowWindow(control->hwnd, visible ? SW_SHOWNA : SW_HIDE);
}

void Win32Window::SetTimerInterval(std::string_view name, std::int32_t milliseconds) {
  Control* control = Find(name, "SetTimerInterval");
  if (control == nullptr) return;
  if (control->layout->kind != layout::ControlKind::Timer) {
    ReportUnknownControl(layout_.name, name, "SetTimerInterval");
    return;
  }
  // A new interval counts from now, also on a running timer.
  control->timerInterval = milliseconds;
  StartTimer(*control);
}

void Win32Window::ShowMessage(std::string_view text, std::string_view title) {
  MessageBoxW(hwnd_, Widen(text).c_str(), Widen(title).c_str(), MB_OK | MB_ICONINFORMATION);
}

std::uint32_t Win32Window::Handle() const {
  // Window handles fit in 32 bits on every Windows, which is why the tray record can hold them.
  return static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(hwnd_));
}

std::uint32_t Win32Window::IconHandle() const {
  return static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(icon_));
}

float Win32Window::TwipsPerPixel() const { return layout::TwipsPerPixel(dpi_); }

float Win32Window::Top() const {
  RECT frame{};
  GetWindowRect(hwnd_, &frame);
  return static_cast<float>(frame.top) * TwipsPerPixel();
}

float Win32Window::Left() const {
  RECT frame{};
  GetWindowRect(hwnd_, &frame);
  return static_cast<float>(frame.left) * TwipsPerPixel();
}

void Win32Window::MoveTo(float top, float left) {
  const float perPixel = TwipsPerPixel();
  SetWindowPos(hwnd_, nullptr, static_cast<int>(std::lround(left / perPixel)),
               static_cast<int>(std::lround(top / perPixel)), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool Win32Window::IsMinimized() const { return IsIconic(hwnd_) != FALSE; }

void Win32Window::Hide() { ShowWindow(hwnd_, SW_HIDE); }

void Win32Window::ShowRestored() {
  // SW_RESTORE sends WM_SIZE before it returns when the state changes: the nested notification.
  ShowWindow(hwnd_, SW_RESTORE);
  SetForegroundWindow(hwnd_);
}

void Win32Window::GiveFocus() { SetFocus(FocusToRestore()); }

bool Win32Window::TrayAvailable() const {
  return FindWindowW(L"Shell_TrayWnd", nullptr) != nullptr;
}

void Win32Window::AddTrayIcon(const NotifyIconRecord& record) {
  NOTIFYICONDATAW data = TrayData(hwnd_, icon_, record);
  Shell_NotifyIconW(NIM_ADD, &data);
}

void Win32Window::RemoveTrayIcon(const NotifyIconRecord& record) {
  NOTIFYICONDATAW data = TrayData(hwnd_, icon_, record);
  Shell_NotifyIconW(NIM_DELETE, &data);
}

void Win32Window::ExitNow() { ExitProcess(0); }

LRESULT CALLBACK Win32Window::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* window = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (window == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
  return window->Dispatch(message, wParam, lParam);
}

LRESULT Win32Window::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: {
      const int index = static_cast<int>(LOWORD(wParam)) - kFirstControlId;
      if (HIWORD(wParam) == BN_CLICKED && index >= 0 &&
          index < static_cast<int>(controls_.size()) &&
          controls_[static_cast<std::size_t>(index)].layout->kind == layout::ControlKind::Button) {
        HWND focus = GetFocus();
        events_.OnClick(controls_[static_cast<std::size_t>(index)].layout->name);
        MoveFocusOnFrom(focus);
      }
      return 0;
    }
    case WM_TIMER: {
      const auto index = static_cast<std::size_t>(wParam) - kFirstControlId;
      if (index < controls_.size() && controls_[index].timerEnabled &&
          controls_[index].timerInterval > 0) {
        HWND focus = GetFocus();
        events_.OnTimer(controls_[index].layout->name);
        MoveFocusOnFrom(focus);
      }
      return 0;
    }
    case WM_SIZE:
      if (shown_) events_.OnResize();
      return 0;
    case WM_ACTIVATE:
      // As a dialog box does: the focused control is kept when the window loses the activation
      // and gets the focus back with it. Left to the default, the focus would stay on the window
      // itself, where no key reaches a control.
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(hwnd_, focus)) focus_ = focus;
      } else if (HIWORD(wParam) == 0) {  // not minimized
        SetFocus(FocusToRestore());
      }
      return 0;
    case WM_SETFOCUS:
      if (FocusToRestore() != hwnd_) SetFocus(FocusToRestore());
      return 0;
    case WM_MOUSEMOVE:
      // The tray reports its mouse events as pointer moves whose X is the event's code.
      events_.OnPointerMove(static_cast<float>(LOWORD(lParam)) * TwipsPerPixel());
      return 0;
    case WM_CLOSE:
      if (!events_.OnCloseRequest()) Destroy();
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;  // the end of the session is never refused
    case WM_ENDSESSION:
      // The session ends: a close request as the close box makes it. After this message returns
      // the system may end the process at any moment.
      if (wParam == TRUE && !events_.OnCloseRequest()) Destroy();
      return 0;
    default:
      return DefWindowProcW(hwnd_, message, wParam, lParam);
  }
}

}  // namespace mirvo::win32
