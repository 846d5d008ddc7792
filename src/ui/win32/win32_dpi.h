#pragma once

#include <windows.h>

#include <string>

#include "resources/layouts.h"

// Dots per inch and the fonts drawn at them: what a window needs to lay itself out again when it
// moves to a screen of another dpi.
namespace mirvo::win32 {

// A fixed-size window with a caption, a close box and a minimize box.
inline constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

int SystemDpi();
// The dpi of the screen the window is on (Windows 10 1607 and later), else the system's.
int WindowDpi(HWND hwnd);
// The outer size of a window whose client area is the layout's, with the frame drawn at that dpi.
SIZE FrameSize(const layout::WindowLayout& layout, int dpi);

// The width of one line of text in this font, and the height of its characters: the em height
// the font was made for, without the internal leading above the characters, which a static control
// needs no room for (so SimSun's labels keep the layout's height).
SIZE TextExtent(HWND control, HFONT font, const std::wstring& text);
// The font with characters of the same height but narrower, so that the text fits `width`
// pixels, yet never narrower than the narrowest stretch allows.
HFONT NarrowedFont(HWND control, HFONT font, const std::wstring& text, int width);

// The three font styles of the layouts at one dpi: SimSun where the layout says so, else the
// system's message font. Moved, not copied; the fonts go with the object.
class DpiFonts {
 public:
  DpiFonts() = default;
  explicit DpiFonts(int dpi);
  ~DpiFonts();
  DpiFonts(DpiFonts&& other) noexcept { Swap(other); }
  DpiFonts& operator=(DpiFonts&& other) noexcept {
    Swap(other);
    return *this;
  }

  HFONT Of(layout::FontStyle style) const;

 private:
  void Swap(DpiFonts& other) noexcept;

  HFONT song_ = nullptr;
  HFONT title_ = nullptr;
  HFONT message_ = nullptr;
};

}  // namespace mirvo::win32
