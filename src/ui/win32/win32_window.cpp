#include "ui/win32/win32_window.h"

#include <shellapi.h>

#include <algorithm>
#include <cmath>

#include "foundation/control_report.h"
#include "foundation/win32/wide_text.h"
#include "resources/window_metrics.h"
#include "tray/notify_icon_record.h"
#include "ui/win32/win32_icon.h"
#include "ui/win32/win32_tray_menu.h"

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
  const layout::FontSpec look = layout::FontOf(style);
  return CreateFontW(-layout::FontPixelHeight(look.points, dpi), 0, 0, 0,
                     look.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE, L"宋体");
}

int SystemDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

// A user32 function that older systems lack, or nullptr. The cast goes through void(*)(), the
// one function type any function pointer converts from without a warning.
template <typename Function>
Function User32Function(const char* name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

// The dpi of the screen the window is on (Windows 10 1607 and later), else the system's.
int WindowDpi(HWND hwnd) {
  using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
  if (getDpiForWindow != nullptr) {
    const UINT dpi = getDpiForWindow(hwnd);
    if (dpi > 0) return static_cast<int>(dpi);
  }
  return SystemDpi();
}

// The outer size of a window whose client area is clientWidth × clientHeight twips, with the
// frame drawn at that dpi.
SIZE FrameSize(const layout::WindowLayout& layout, int dpi) {
  RECT frame{0, 0, layout::TwipsToPixels(layout.clientWidth, dpi),
             layout::TwipsToPixels(layout.clientHeight, dpi)};
  using AdjustForDpiFunction = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
  static const auto adjustForDpi = User32Function<AdjustForDpiFunction>("AdjustWindowRectExForDpi");
  if (adjustForDpi == nullptr ||
      !adjustForDpi(&frame, kWindowStyle, FALSE, 0, static_cast<UINT>(dpi))) {
    AdjustWindowRectEx(&frame, kWindowStyle, FALSE, 0);
  }
  return {frame.right - frame.left, frame.bottom - frame.top};
}

// The system's message font at this dpi: the system reports it at the system dpi.
HFONT MessageFont(int dpi) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, dpi, SystemDpi());
  return CreateFontIndirectW(&metrics.lfMessageFont);
}

SIZE TextExtent(HWND control, HFONT font, const std::wstring& text) {
  HDC dc = GetDC(control);
  HGDIOBJ before = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, before);
  ReleaseDC(control, dc);
  return size;
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

// Copies as much of the text as the fixed field holds, NUL included.
template <std::size_t N>
void CopyInto(const std::wstring& text, wchar_t (&field)[N]) {
  const std::size_t length = std::min(text.size(), N - 1);
  std::copy_n(text.begin(), length, field);
  field[length] = L'\0';
}

}  // namespace

Win32Window::Win32Window(const layout::WindowLayout& layout, HICON icon,
                         screens::WindowEvents& events)
    : layout_(layout), icon_(icon), events_(events) {
  RegisterWindowClass(icon);
  dpi_ = SystemDpi();
  SIZE frame = FrameSize(layout, dpi_);
  hwnd_ = CreateWindowExW(0, kWindowClass, Widen(layout.caption).c_str(), kWindowStyle,
                          CW_USEDEFAULT, CW_USEDEFAULT, frame.cx, frame.cy, nullptr, nullptr,
                          GetModuleHandleW(nullptr), nullptr);
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Win32Window::WindowProc));
  SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));

  // The screen the window landed on may have a dpi of its own.
  const int windowDpi = WindowDpi(hwnd_);
  if (windowDpi != dpi_) {
    dpi_ = windowDpi;
    frame = FrameSize(layout, dpi_);
    SetWindowPos(hwnd_, nullptr, 0, 0, frame.cx, frame.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  CreateControls();
}

Win32Window::~Win32Window() {
  Destroy();
  for (HFONT font : {songFont_, titleFont_, defaultFont_}) DeleteObject(font);
  for (const Control& control : controls_) DeleteObject(control.narrowed);
  if (picture_ != nullptr) DestroyIcon(picture_);
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
  // index, each after the label that names it (a screen reader reads the label before the
  // control; labels take no focus, so the TAB key order stays), then the others.
  auto entry = [this](const layout::ControlLayout& control) -> Control& {
    return controls_[static_cast<std::size_t>(&control - layout_.controls.data())];
  };
  for (const layout::ControlLayout* first : layout::KeyboardOrder(layout_)) {
    if (const layout::ControlLayout* label = layout::LabelOf(layout_, first->name)) {
      CreateControl(entry(*label));
    }
    CreateControl(entry(*first));
  }
  for (Control& control : controls_) {
    if (control.hwnd == nullptr) CreateControl(control);
  }
  ApplyDpi();
  for (const Control& control : controls_) {
    if (control.timerEnabled) StartTimer(control);
  }
}

HFONT Win32Window::FontOf(const layout::ControlLayout& control) const {
  switch (control.font) {
    case layout::FontStyle::Song:
      return songFont_;
    case layout::FontStyle::SongTitle:
      return titleFont_;
    case layout::FontStyle::Default:
      break;
  }
  return defaultFont_;
}

void Win32Window::ApplyDpi() {
  // The controls are given the new fonts before the old ones are deleted.
  std::vector<HGDIOBJ> retired{songFont_, titleFont_, defaultFont_};
  songFont_ = SongFont(layout::FontStyle::Song, dpi_);
  titleFont_ = SongFont(layout::FontStyle::SongTitle, dpi_);
  defaultFont_ = MessageFont(dpi_);
  HICON retiredPicture = picture_;
  picture_ = nullptr;
  for (Control& control : controls_) {
    if (control.hwnd == nullptr) continue;
    const layout::PixelRect rect = layout::ToPixels(control.layout->rect, dpi_);
    SetWindowPos(control.hwnd, nullptr, rect.left, rect.top, rect.width, rect.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    retired.push_back(control.narrowed);
    control.narrowed = nullptr;
    SendMessageW(control.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(*control.layout)), TRUE);
    if (control.layout->kind == layout::ControlKind::Image) {
      // Drawn at its size, not stretched: 40 pixels at 96 dpi, 60 at 144.
      picture_ = CreatePictureIcon(std::min(rect.width, rect.height));
      SendMessageW(control.hwnd, STM_SETICON,
                   reinterpret_cast<WPARAM>(picture_ != nullptr ? picture_ : icon_), 0);
    }
    if (control.layout->kind == layout::ControlKind::Label) FitLabel(control);
  }
  for (HGDIOBJ object : retired) {
    if (object != nullptr) DeleteObject(object);
  }
  if (retiredPicture != nullptr) DestroyIcon(retiredPicture);
}

void Win32Window::FitLabel(Control& label) {
  const std::wstring text = Widen(label.layout->text);
  HFONT font = FontOf(*label.layout);
  const SIZE needed = TextExtent(label.hwnd, font, text);
  layout::PixelRect rect = layout::ToPixels(label.layout->rect, dpi_);
  if (needed.cx <= rect.width) return;
  int room = layout::TwipsToPixels(layout_.clientWidth, dpi_) - rect.left;
  for (const Control& other : controls_) {
    if (&other == &label || other.hwnd == nullptr || !other.layout->visible) continue;
    const layout::PixelRect o = layout::ToPixels(other.layout->rect, dpi_);
    if (o.left > rect.left && o.top < rect.top + rect.height && o.top + o.height > rect.top) {
      room = std::min(room, o.left - rect.left);
    }
  }
  rect.width = std::max(rect.width, std::min<int>(needed.cx, room));
  SetWindowPos(label.hwnd, nullptr, 0, 0, rect.width, rect.height,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (needed.cx <= rect.width) return;
  // Narrower characters of the same height: the average width scaled down until the text fits.
  LOGFONTW narrower{};
  GetObjectW(font, sizeof narrower, &narrower);
  HDC dc = GetDC(label.hwnd);
  HGDIOBJ before = SelectObject(dc, font);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, before);
  ReleaseDC(label.hwnd, dc);
  for (int width = MulDiv(metrics.tmAveCharWidth, rect.width, needed.cx); width > 0; --width) {
    narrower.lfWidth = width;
    HFONT candidate = CreateFontIndirectW(&narrower);
    if (TextExtent(label.hwnd, candidate, text).cx <= rect.width || width == 1) {
      label.narrowed = candidate;
      break;
    }
    DeleteObject(candidate);
  }
  SendMessageW(label.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(label.narrowed), TRUE);
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
  // Placed, given its font and (for the picture) its icon by ApplyDpi.
  control.hwnd =
      CreateWindowExW(extended, windowClass, Widen(c.text).c_str(), style, 0, 0, 0, 0, hwnd_,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + index)),
                      GetModuleHandleW(nullptr), nullptr);
  SetWindowTextW(control.hwnd, Widen(c.text).c_str());
  if (c.kind == layout::ControlKind::CheckBox && c.checked) {
    SendMessageW(control.hwnd, BM_SETCHECK, BST_CHECKED, 0);
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

bool Win32Window::IsShowing() const {
  return IsWindowVisible(hwnd_) != FALSE && IsIconic(hwnd_) == FALSE;
}

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
  trayIconAdded_ = Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
  trayIconId_ = record.uID;
}

void Win32Window::RemoveTrayIcon(const NotifyIconRecord& record) {
  NOTIFYICONDATAW data = TrayData(hwnd_, icon_, record);
  Shell_NotifyIconW(NIM_DELETE, &data);
  trayIconAdded_ = false;
}

bool Win32Window::ShowTrayMessage(std::string_view title, std::string_view text) {
  if (!trayIconAdded_) return false;
  // A balloon needs the structure's full size; the icon's own add and delete keep the first
  // version's. Only the balloon changes: the icon, its tip and its messages stay as they are.
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof(NOTIFYICONDATAW);
  data.hWnd = hwnd_;
  data.uID = trayIconId_;
  data.uFlags = NIF_INFO;
  data.dwInfoFlags = NIIF_WARNING;
  CopyInto(Widen(title), data.szInfoTitle);
  CopyInto(Widen(text), data.szInfo);
  return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

std::optional<std::size_t> Win32Window::ChooseFromTrayMenu(
    const std::vector<std::string>& captions) {
  return ChooseTrayMenuEntry(hwnd_, captions);
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
    case WM_DPICHANGED: {
      // Moved to a screen of another dpi, or the scale of this one changed: the window takes the
      // rectangle the system suggests, and everything in it is laid out again at the new dpi.
      dpi_ = LOWORD(wParam);
      const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                   suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
      ApplyDpi();
      return 0;
    }
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
      switch (trayIconAdded_ ? TrayCallbackClick(lParam) : TrayClick::None) {
        case TrayClick::RightClick:
          events_.OnTrayRightClick();
          break;
        case TrayClick::MessageClick:
          events_.OnTrayMessageClick();
          break;
        case TrayClick::None:
          break;
      }
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
