#include "ui/win32/win32_dpi.h"

#include <algorithm>
#include <utility>

#include "resources/window_metrics.h"

namespace mirvo::win32 {
namespace {

// A user32 function that older systems lack, or nullptr. The cast goes through void(*)(), the
// one function type any function pointer converts from without a warning.
template <typename Function>
Function User32Function(const char* name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

// SimSun ("宋体", character set GB2312) in the size and weight of the style.
HFONT SongFont(layout::FontStyle style, int dpi) {
  const layout::FontSpec look = layout::FontOf(style);
  return CreateFontW(-layout::FontPixelHeight(look.points, dpi), 0, 0, 0,
                     look.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE, L"宋体");
}

// The system's message font at this dpi: the system reports it at the system dpi.
HFONT MessageFont(int dpi) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, dpi, SystemDpi());
  return CreateFontIndirectW(&metrics.lfMessageFont);
}

}  // namespace

int SystemDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

int WindowDpi(HWND hwnd) {
  using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
  if (getDpiForWindow != nullptr) {
    const UINT dpi = getDpiForWindow(hwnd);
    if (dpi > 0) return static_cast<int>(dpi);
  }
  return SystemDpi();
}

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

SIZE TextExtent(HWND control, HFONT font, const std::wstring& text) {
  HDC dc = GetDC(control);
  HGDIOBJ before = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  TEXTMETRICW metrics{};
  if (GetTextMetricsW(dc, &metrics)) size.cy = metrics.tmHeight - metrics.tmInternalLeading;
  SelectObject(dc, before);
  ReleaseDC(control, dc);
  return size;
}

HFONT NarrowedFont(HWND control, HFONT font, const std::wstring& text, int width) {
  // The average character width scaled down until the text fits, or down to the narrowest.
  LOGFONTW narrower{};
  GetObjectW(font, sizeof narrower, &narrower);
  HDC dc = GetDC(control);
  HGDIOBJ before = SelectObject(dc, font);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, before);
  ReleaseDC(control, dc);
  const int needed = std::max(1, static_cast<int>(TextExtent(control, font, text).cx));
  const int narrowest = std::max(1, MulDiv(metrics.tmAveCharWidth, layout::kNarrowestStretch, 100));
  for (int average = std::max(narrowest, MulDiv(metrics.tmAveCharWidth, width, needed));;
       --average) {
    narrower.lfWidth = average;
    HFONT candidate = CreateFontIndirectW(&narrower);
    if (average <= narrowest || TextExtent(control, candidate, text).cx <= width) return candidate;
    DeleteObject(candidate);
  }
}

DpiFonts::DpiFonts(int dpi)
    : song_(SongFont(layout::FontStyle::Song, dpi)),
      title_(SongFont(layout::FontStyle::SongTitle, dpi)),
      message_(MessageFont(dpi)) {}

DpiFonts::~DpiFonts() {
  for (HFONT font : {song_, title_, message_}) {
    if (font != nullptr) DeleteObject(font);
  }
}

void DpiFonts::Swap(DpiFonts& other) noexcept {
  std::swap(song_, other.song_);
  std::swap(title_, other.title_);
  std::swap(message_, other.message_);
}

HFONT DpiFonts::Of(layout::FontStyle style) const {
  switch (style) {
    case layout::FontStyle::Song:
      return song_;
    case layout::FontStyle::SongTitle:
      return title_;
    case layout::FontStyle::Default:
      break;
  }
  return message_;
}

}  // namespace mirvo::win32
