#include "tray/notify_icon_record.h"

#include "tray/window_frame.h"

namespace mirvo {
namespace {

void AppendLittleEndian(std::string& bytes, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) {
    bytes.push_back(static_cast<char>((value >> shift) & 0xFF));
  }
}

std::size_t Utf8CharacterLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

}  // namespace

NotifyIconRecord FillNotifyIconRecord(const WindowFrame& window, std::string_view tipText) {
  NotifyIconRecord record;
  record.hWnd = window.Handle();
  record.uID = window.IconHandle();
  record.uFlags = kNotifyIconFlags;
  record.uCallbackMessage = kTrayCallbackMessage;
  record.hIcon = window.IconHandle();
  record.szTip = std::string(tipText);
  record.cbSize = kNotifyIconRecordSize;
  return record;
}

Result<std::string> NotifyIconBytes(const NotifyIconRecord& record, const Platform& platform) {
  std::string bytes;
  AppendLittleEndian(bytes, static_cast<std::uint32_t>(record.cbSize));
  AppendLittleEndian(bytes, record.hWnd);
  AppendLittleEndian(bytes, record.uID);
  AppendLittleEndian(bytes, record.uFlags);
  AppendLittleEndian(bytes, record.uCallbackMessage);
  AppendLittleEndian(bytes, record.hIcon);

  // Character by character, so that a long tip is never cut inside a double-byte character and
  // the terminating NUL always has its place.
  std::string tip;
  const std::string& text = record.szTip;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t length = Utf8CharacterLength(static_cast<unsigned char>(text[at]));
    Result<std::string> encoded = platform.Utf8ToAnsi(std::string_view(text).substr(at, length));
    if (!encoded.ok()) return Error{"托盘提示文字无法保存：" + encoded.error().message};
    if (tip.size() + encoded.value().size() > kTipFieldSize - 1) break;
    tip += encoded.value();
    at += length;
  }
  tip.push_back('\0');
  tip.resize(kTipFieldSize, ' ');
  return bytes + tip;
}

}  // namespace mirvo
