// The window adapters' contract, run against the Win32 windows (under Wine with a display).
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "contract/form_contract.h"
#include "foundation/win32/wide_text.h"
#include "ui/win32/win32_window.h"

namespace mirvo::contract {
namespace {

// The message box the next ShowMessage opens, read and closed from a timer of this thread: the
// box's own modal loop runs it.
SeenMessage* answering = nullptr;

std::string WindowText(HWND hwnd) {
  wchar_t text[512] = {};
  GetWindowTextW(hwnd, text, 512);
  return win32::Narrow(text);
}

BOOL CALLBACK CountButton(HWND child, LPARAM count) {
  wchar_t name[32] = {};
  GetClassNameW(child, name, 32);
  if (lstrcmpiW(name, L"Button") == 0 && IsWindowVisible(child)) ++*reinterpret_cast<int*>(count);
  return TRUE;
}

// The icon a message box shows is a static control of the icon style (its id differs between
// systems).
BOOL CALLBACK FindIcon(HWND child, LPARAM icon) {
  wchar_t name[32] = {};
  GetClassNameW(child, name, 32);
  if (lstrcmpiW(name, L"Static") == 0 &&
      (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
    *reinterpret_cast<HICON*>(icon) =
        reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK FindBox(HWND window, LPARAM found) {
  wchar_t name[32] = {};
  GetClassNameW(window, name, 32);
  if (lstrcmpW(name, L"#32770") == 0 && IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

void CALLBACK ReadAndCloseBox(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND box = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
  if (box == nullptr || answering == nullptr) return;
  KillTimer(nullptr, timer);
  SeenMessage& seen = *answering;
  answering = nullptr;
  seen.title = WindowText(box);
  // The text of a message box is its static control 0xFFFF.
  std::string text = WindowText(GetDlgItem(box, 0xFFFF));
  for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
  seen.text = text;
  HICON icon = nullptr;
  EnumChildWindows(box, FindIcon, reinterpret_cast<LPARAM>(&icon));
  seen.information = icon != nullptr && icon == LoadIconW(nullptr, IDI_INFORMATION);
  EnumChildWindows(box, CountButton, reinterpret_cast<LPARAM>(&seen.buttons));
  seen.okOnly = GetDlgItem(box, IDOK) != nullptr && GetDlgItem(box, IDCANCEL) == nullptr;
  PostMessageW(box, WM_COMMAND, IDOK, 0);
}

// The windows go on a desktop of this test's own. Under Wine a desktop draws through the display
// its first user had: the shared default desktop may have been started without one.
bool OnOwnDesktop() {
  static const bool own = [] {
    const std::wstring name = L"mirvo-contract-" + std::to_wstring(GetCurrentProcessId());
    HDESK desktop = CreateDesktopW(name.c_str(), nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    return desktop != nullptr && SetThreadDesktop(desktop) != FALSE;
  }();
  return own;
}

class Win32Harness {
 public:
  Win32Harness() { EXPECT_TRUE(OnOwnDesktop()); }

  Form& Make(const layout::WindowLayout& layout, screens::WindowEvents& events) {
    window_.reset();
    window_ =
        std::make_unique<win32::Win32Window>(layout, LoadIconW(nullptr, IDI_APPLICATION), events);
    return window_->Controls();
  }
  WindowFrame& Frame() { return window_->Frame(); }
  int Dpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi;
  }
  void Pump(int milliseconds) {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
    for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
    }
  }

  bool Enabled(std::string_view name) { return IsWindowEnabled(Control(name)) != FALSE; }
  bool Visible(std::string_view name) {
    return (GetWindowLongW(Control(name), GWL_STYLE) & WS_VISIBLE) != 0;
  }
  void Type(std::string_view name, std::string_view text) {
    SetWindowTextW(Control(name), win32::Widen(text).c_str());
  }
  void Tick(std::string_view name, bool checked) {
    SendMessageW(Control(name), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  void Click(std::string_view name) { SendMessageW(Control(name), BM_CLICK, 0, 0); }

  void AnswerNextMessage() {
    seen_ = {};
    answering = &seen_;
    SetTimer(nullptr, 0, 20, ReadAndCloseBox);
  }
  SeenMessage LastMessage() { return seen_; }

 private:
  HWND Control(std::string_view name) { return window_->ControlHandle(name); }

  std::unique_ptr<win32::Win32Window> window_;
  SeenMessage seen_;
};

}  // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Win32, FormContract, Win32Harness);

// What the Win32 windows add to the contract: the order a screen reader and the TAB key read, and
// the layout at another dpi.
class Win32WindowTest : public ::testing::Test {
 protected:
  Win32WindowTest() { EXPECT_TRUE(OnOwnDesktop()); }

  std::unique_ptr<win32::Win32Window> Make(const layout::WindowLayout& layout) {
    return std::make_unique<win32::Win32Window>(layout, LoadIconW(nullptr, IDI_APPLICATION),
                                                events_);
  }
  // The layout entry of a control, by the id the window numbers its controls with.
  static const layout::ControlLayout* LayoutOf(const layout::WindowLayout& layout, HWND child) {
    const int index = GetDlgCtrlID(child) - 100;
    if (index < 0 || index >= static_cast<int>(layout.controls.size())) return nullptr;
    return &layout.controls[static_cast<std::size_t>(index)];
  }
  static std::string ClassOf(HWND window) {
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    std::string narrow = win32::Narrow(name);
    for (char& c : narrow) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return narrow;
  }
  static layout::PixelRect RectOf(HWND control) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
  }

  RecordingEvents events_;
};

TEST_F(Win32WindowTest, EachLabelComesJustBeforeItsControlAndTabFollowsTabIndex) {
  for (const layout::WindowLayout* layout : {&layout::ServerLayout(), &layout::ClientLayout()}) {
    SCOPED_TRACE(std::string(layout->name));
    const auto window = Make(*layout);
    std::vector<std::string> tabStops;
    int named = 0;
    HWND previous = nullptr;
    for (HWND child = GetWindow(window->hwnd(), GW_CHILD); child != nullptr;
         previous = child, child = GetWindow(child, GW_HWNDNEXT)) {
      const layout::ControlLayout* control = LayoutOf(*layout, child);
      ASSERT_NE(control, nullptr);
      if ((GetWindowLongW(child, GWL_STYLE) & WS_TABSTOP) != 0)
        tabStops.emplace_back(control->name);
      const bool input = ClassOf(child) == "EDIT" ||
                         (GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK) == BS_AUTOCHECKBOX;
      if (!input) continue;
      SCOPED_TRACE(std::string(control->name));
      ASSERT_NE(previous, nullptr);
      EXPECT_EQ(ClassOf(previous), "STATIC");
      EXPECT_EQ((GetWindowLongW(previous, GWL_STYLE) & WS_TABSTOP), 0);
      const layout::ControlLayout* label = layout::LabelOf(*layout, control->name);
      ASSERT_NE(label, nullptr);
      EXPECT_EQ(WindowText(previous), label->text);
      ++named;
    }
    EXPECT_EQ(named, std::count_if(layout->controls.begin(), layout->controls.end(),
                                   [](const layout::ControlLayout& c) {
                                     return c.kind == layout::ControlKind::TextBox ||
                                            c.kind == layout::ControlKind::CheckBox;
                                   }));
    // The dialog keys walk the tab stops in window order: the layout's keyboard order.
    std::vector<std::string> keyboard;
    for (const layout::ControlLayout* c : layout::KeyboardOrder(*layout)) {
      keyboard.emplace_back(c->name);
    }
    EXPECT_EQ(tabStops, keyboard);
    // GetNextDlgTabItem, which the TAB key uses, walks the stops that are open, from the first.
    std::vector<std::string> open;
    for (const std::string& n : keyboard) {
      HWND h = window->ControlHandle(n);
      if (IsWindowEnabled(h) && (GetWindowLongW(h, GWL_STYLE) & WS_VISIBLE) != 0) open.push_back(n);
    }
    ASSERT_FALSE(open.empty());
    window->Show();
    HWND at = window->ControlHandle(open.front());
    std::vector<std::string> walked{open.front()};
    for (int i = 0; i < 40; ++i) {
      at = GetNextDlgTabItem(window->hwnd(), at, FALSE);
      if (at == window->ControlHandle(open.front())) break;
      walked.emplace_back(LayoutOf(*layout, at)->name);
    }
    EXPECT_EQ(walked, open);
  }
}

TEST_F(Win32WindowTest, ADpiChangeLaysTheWindowOutAgainAtTheNewDpi) {
  const struct {
    const layout::WindowLayout* layout;
    SIZE clientAt144;
  } cases[] = {{&layout::ConsoleLayout(), {422, 242}},
               {&layout::ServerLayout(), {453, 467}},
               {&layout::ClientLayout(), {395, 528}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.layout->name));
    const auto window = Make(*c.layout);
    const int dpi = static_cast<int>(std::lround(1440 / window->Frame().TwipsPerPixel()));
    std::map<HWND, layout::PixelRect> before;
    for (HWND child = GetWindow(window->hwnd(), GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
      before[child] = RectOf(child);
    }
    for (const int to : {144, dpi}) {
      SCOPED_TRACE(to);
      // What the system suggests: the same frame around the client area of the new dpi.
      RECT frame{}, client{};
      GetWindowRect(window->hwnd(), &frame);
      GetClientRect(window->hwnd(), &client);
      RECT suggested = frame;
      suggested.right += layout::TwipsToPixels(c.layout->clientWidth, to) - client.right;
      suggested.bottom += layout::TwipsToPixels(c.layout->clientHeight, to) - client.bottom;
      SendMessageW(window->hwnd(), WM_DPICHANGED, MAKEWPARAM(to, to),
                   reinterpret_cast<LPARAM>(&suggested));
      EXPECT_FLOAT_EQ(window->Frame().TwipsPerPixel(), 1440.0f / static_cast<float>(to));
      GetClientRect(window->hwnd(), &client);
      if (to == 144) {
        EXPECT_EQ(client.right, c.clientAt144.cx);
        EXPECT_EQ(client.bottom, c.clientAt144.cy);
      }
      for (HWND child = GetWindow(window->hwnd(), GW_CHILD); child != nullptr;
           child = GetWindow(child, GW_HWNDNEXT)) {
        const layout::ControlLayout& control = *LayoutOf(*c.layout, child);
        SCOPED_TRACE(std::string(control.name));
        const layout::PixelRect want = layout::ToPixels(control.rect, to);
        const layout::PixelRect got = RectOf(child);
        if (to == dpi) {
          EXPECT_EQ(got, before[child]) << "back at the first dpi nothing moved";
        }
        EXPECT_EQ(got.left, want.left);
        EXPECT_EQ(got.top, want.top);
        EXPECT_EQ(got.height, want.height);
        if (control.kind == layout::ControlKind::Label) {
          EXPECT_GE(got.width, want.width);
        } else {
          EXPECT_EQ(got.width, want.width);
        }
        const layout::FontSpec look = layout::FontOf(control.font);
        if (look.song) {
          LOGFONTW font{};
          const auto handle = reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0));
          ASSERT_NE(GetObjectW(handle, sizeof font, &font), 0);
          EXPECT_EQ(font.lfHeight, -layout::FontPixelHeight(look.points, to));
        }
        if (control.kind == layout::ControlKind::Image) {
          // The picture is drawn at the control's size, not stretched from 40 pixels.
          ICONINFO info{};
          ASSERT_TRUE(
              GetIconInfo(reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0)), &info));
          BITMAP bitmap{};
          GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
          EXPECT_EQ(bitmap.bmWidth, want.width);
          EXPECT_EQ(bitmap.bmBitsPixel, 32);
          DeleteObject(info.hbmColor);
          DeleteObject(info.hbmMask);
        }
      }
    }
  }
}

TEST_F(Win32WindowTest, LabelsShowTheirTextWholeWithoutMoving) {
  for (const layout::WindowLayout* layout :
       {&layout::ConsoleLayout(), &layout::ServerLayout(), &layout::ClientLayout()}) {
    const auto window = Make(*layout);
    for (const layout::ControlLayout& control : layout->controls) {
      if (control.kind != layout::ControlKind::Label) continue;
      SCOPED_TRACE(std::string(layout->name) + " " + std::string(control.name));
      HWND label = window->ControlHandle(control.name);
      HDC dc = GetDC(label);
      HGDIOBJ before =
          SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
      const std::wstring text = win32::Widen(control.text);
      SIZE size{};
      GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
      SelectObject(dc, before);
      ReleaseDC(label, dc);
      EXPECT_LE(size.cx, RectOf(label).width);
    }
  }
}

}  // namespace mirvo::contract
