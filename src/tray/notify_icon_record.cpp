#include "tray/notify_icon_record.h"

#include "tray/window_frame.h"

namespace mirvo {

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

}  // namespace mirvo
