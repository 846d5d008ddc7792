#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace mirvo {

class WindowFrame;

// The tray icon's record, the fields of the platform's first-version notify-icon structure (88
// bytes on a 32-bit build), filled in that structure's field order. The Win32 adapter reads uID,
// uFlags, uCallbackMessage and the tip, the Qt adapter the tip. cbSize, hWnd and hIcon are kept as
// the record defines them, but no adapter hands them on: each builds the platform's structure of
// its own width with the window's and the icon's real handles, which 32 bits cannot hold on a
// 64-bit build.
struct NotifyIconRecord {
  std::int32_t cbSize = 0;
  std::uint32_t hWnd = 0;
  std::uint32_t uID = 0;
  std::uint32_t uFlags = 0;
  std::uint32_t uCallbackMessage = 0;
  std::uint32_t hIcon = 0;
  std::string szTip;  // the tip text (UTF-8); each adapter fits it into its platform's field
};

inline constexpr std::int32_t kNotifyIconRecordSize = 88;
inline constexpr std::uint32_t kNotifyIconFlags = 7;        // message + icon + tip
inline constexpr std::uint32_t kTrayCallbackMessage = 512;  // arrives as a pointer move
inline constexpr std::uint32_t kLeftDoubleClickCode = 515;

// Fills the record from the window: its handle, its icon picture's handle (as identifier and as
// image), the flags, the callback message, the tip and the size.
NotifyIconRecord FillNotifyIconRecord(const WindowFrame& window, std::string_view tipText);

}  // namespace mirvo
