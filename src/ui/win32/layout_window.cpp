#include "ui/win32/layout_window.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "foundation/win32/wide_text.h"
#include "resources/window_metrics.h"
#include "ui/win32/win32_icon.h"

namespace mirvo::win32 {
namespace {

constexpr wchar_t kWindowClass[] = L"MirvoWindow";

void RegisterWindowClass(HICON icon, WNDPROC procedure) {
  static bool registered = false;
  if (registered) return;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hIcon = icon;
  windowClass.hIconSm = icon;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kWindowClass;
  RegisterClassExW(&windowClass);
  registered = true;
}

// Enabled and not hidden itself (its window may be hidden for now, in the tray).
bool CanTakeFocus(HWND control) {
  return IsWindowEnabled(control) && (GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0;
}

}  // namespace

LayoutWindow::LayoutWindow(const layout::WindowLayout& layout, HICON icon,
                           screens::WindowEvents& events)
    : layout_(layout), icon_(icon), events_(events), form_(layout) {
  RegisterWindowClass(icon, &LayoutWindow::WindowProc);
  dpi_ = SystemDpi();
  SIZE frame = FrameSize(layout, dpi_);
  // The window procedure finds this object in the creation arguments (WM_NCCREATE).
  CreateWindowExW(0, kWindowClass, Widen(layout.caption).c_str(), kWindowStyle, CW_USEDEFAULT,
                  CW_USEDEFAULT, frame.cx, frame.cy, nullptr, nullptr, GetModuleHandleW(nullptr),
                  this);
  form_.Attach(hwnd_);
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

LayoutWindow::~LayoutWindow() {
  Destroy();
  for (const Win32Control& control : form_.Controls()) DeleteObject(control.narrowed);
  if (picture_ != nullptr) DestroyIcon(picture_);
}

void LayoutWindow::CreateControls() {
  std::vector<Win32Control>& controls = form_.Controls();
  auto create = [this](Win32Control& control) {
    control.hwnd = CreateControlWindow(*control.layout, hwnd_, form_.IdOf(control));
  };
  // Creation order is the keyboard order: first the controls that take the focus, by their tab
  // index, each after the label that names it (a screen reader reads the label before the
  // control; labels take no focus, so the TAB key order stays), then the others.
  auto entry = [&](const layout::ControlLayout& control) -> Win32Control& {
    return controls[static_cast<std::size_t>(&control - layout_.controls.data())];
  };
  for (const layout::ControlLayout* first : layout::KeyboardOrder(layout_)) {
    if (const layout::ControlLayout* label = layout::LabelOf(layout_, first->name)) {
      create(entry(*label));
    }
    create(entry(*first));
  }
  for (Win32Control& control : controls) {
    if (control.hwnd == nullptr) create(control);
  }
  ApplyDpi();
  for (const Win32Control& control : controls) {
    if (control.timerEnabled) form_.ApplyTimer(control);
  }
}

void LayoutWindow::ApplyDpi() {
  // The controls are given the new fonts before the old ones are deleted.
  DpiFonts retiredFonts = std::exchange(fonts_, DpiFonts(dpi_));
  std::vector<HFONT> retired;
  HICON retiredPicture = std::exchange(picture_, nullptr);
  for (Win32Control& control : form_.Controls()) {
    if (control.hwnd == nullptr) continue;
    const layout::PixelRect rect = layout::ToPixels(control.layout->rect, dpi_);
    SetWindowPos(control.hwnd, nullptr, rect.left, rect.top, rect.width, rect.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    retired.push_back(std::exchange(control.narrowed, nullptr));
    SendMessageW(control.hwnd, WM_SETFONT,
                 reinterpret_cast<WPARAM>(fonts_.Of(control.layout->font)), TRUE);
    if (control.layout->kind == layout::ControlKind::Image) {
      // Drawn at its size, not stretched: 40 pixels at 96 dpi, 60 at 144.
      picture_ = CreatePictureIcon(std::min(rect.width, rect.height));
      SendMessageW(control.hwnd, STM_SETICON,
                   reinterpret_cast<WPARAM>(picture_ != nullptr ? picture_ : icon_), 0);
    }
    if (control.layout->kind == layout::ControlKind::Label) FitLabel(control);
  }
  for (HFONT font : retired) {
    if (font != nullptr) DeleteObject(font);
  }
  if (retiredPicture != nullptr) DestroyIcon(retiredPicture);
}

void LayoutWindow::FitLabel(Win32Control& label) {
  const std::wstring text = Widen(label.layout->text);
  HFONT font = fonts_.Of(label.layout->font);
  const SIZE needed = TextExtent(label.hwnd, font, text);
  std::vector<layout::PixelRect> others;
  for (const Win32Control& other : form_.Controls()) {
    if (&other == &label || other.hwnd == nullptr || !other.layout->visible) continue;
    others.push_back(layout::ToPixels(other.layout->rect, dpi_));
  }
  const layout::PixelRect at = layout::ToPixels(label.layout->rect, dpi_);
  const layout::LabelFit fit = layout::FitLabel(
      at, needed.cx, needed.cy, layout::TwipsToPixels(layout_.clientWidth, dpi_), others);
  if (fit.rect == at) return;
  SetWindowPos(label.hwnd, nullptr, fit.rect.left, fit.rect.top, fit.rect.width, fit.rect.height,
               SWP_NOZORDER | SWP_NOACTIVATE);
  if (fit.stretch == 100) return;
  label.narrowed = NarrowedFont(label.hwnd, font, text, fit.rect.width);
  SendMessageW(label.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(label.narrowed), TRUE);
}

void LayoutWindow::Show() {
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

void LayoutWindow::Destroy() {
  if (hwnd_ == nullptr) return;
  HWND hwnd = std::exchange(hwnd_, nullptr);
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
  DestroyWindow(hwnd);
}

HWND LayoutWindow::NextInTabOrder(HWND after) const {
  // The controls that take the focus, in the keyboard order; from the one after `after` (from the
  // first when it is none of them) round to the first that can take it now.
  std::vector<HWND> order;
  for (const layout::ControlLayout* taking : layout::KeyboardOrder(layout_)) {
    for (const Win32Control& control : form_.Controls()) {
      if (control.layout == taking && control.hwnd != nullptr) order.push_back(control.hwnd);
    }
  }
  std::size_t start = 0;
  for (std::size_t i = 0; i < order.size(); ++i) {
    if (order[i] == after) start = i + 1;
  }
  for (std::size_t i = 0; i < order.size(); ++i) {
    HWND candidate = order[(start + i) % order.size()];
    if (CanTakeFocus(candidate)) return candidate;
  }
  return nullptr;
}

HWND LayoutWindow::FocusToRestore() const {
  // A control that has since been disabled or hidden cannot take the focus back: then the first
  // that can, tab index 0 unless it is disabled (as 启动服务 is while the daemon runs).
  if (focus_ != nullptr && CanTakeFocus(focus_)) return focus_;
  HWND first = NextInTabOrder(nullptr);
  return first != nullptr ? first : hwnd_;
}

template <class Handler>
void LayoutWindow::RunHandler(Handler handler) {
  HWND before = GetFocus();
  handler();
  // A handler that disables or hides the focused control (启动服务 disables itself) leaves the
  // focus nowhere, where no key reaches anything: it moves on in the keyboard order instead.
  if (hwnd_ == nullptr || before == nullptr || GetActiveWindow() != hwnd_ ||
      !IsChild(hwnd_, before) || CanTakeFocus(before)) {
    return;
  }
  if (HWND next = NextInTabOrder(before)) SetFocus(next);
}

LRESULT CALLBACK LayoutWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* created =
        static_cast<LayoutWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    created->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
  }
  auto* window = reinterpret_cast<LayoutWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (window == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
  return window->Dispatch(message, wParam, lParam);
}

LRESULT LayoutWindow::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (frame_ != nullptr && frame_->OnFrameMessage(message, wParam, lParam, result)) return result;
  switch (message) {
    case WM_COMMAND: {
      const Win32Control* button = form_.ById(LOWORD(wParam));
      if (HIWORD(wParam) == BN_CLICKED && button != nullptr &&
          button->layout->kind == layout::ControlKind::Button) {
        RunHandler([&] { events_.OnClick(button->layout->name); });
      }
      return 0;
    }
    case WM_TIMER: {
      const Win32Control* timer = form_.ById(wParam);
      if (timer != nullptr && Win32Form::Ticking(*timer)) {
        RunHandler([&] { events_.OnTimer(timer->layout->name); });
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
    case WM_CLOSE:
      if (!events_.OnCloseRequest()) Destroy();
      return 0;
    default:
      return DefWindowProcW(hwnd_, message, wParam, lParam);
  }
}

}  // namespace mirvo::win32
