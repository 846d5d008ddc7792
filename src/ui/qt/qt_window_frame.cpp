#include "ui/qt/qt_window_frame.h"

#include <QIcon>
#include <cmath>
#include <cstdlib>

#include "resources/window_metrics.h"
#include "tray/notify_icon_record.h"
#include "ui/qt/qt_text.h"

namespace mirvo::ui {

std::uint32_t QtWindowFrame::Handle() const { return static_cast<std::uint32_t>(window_.winId()); }

std::uint32_t QtWindowFrame::IconHandle() const {
  return static_cast<std::uint32_t>(window_.windowIcon().cacheKey());
}

float QtWindowFrame::TwipsPerPixel() const { return layout::TwipsPerPixel(ScreenDpi()); }

float QtWindowFrame::Top() const {
  return static_cast<float>(window_.frameGeometry().top()) * TwipsPerPixel();
}

float QtWindowFrame::Left() const {
  return static_cast<float>(window_.frameGeometry().left()) * TwipsPerPixel();
}

void QtWindowFrame::MoveTo(float top, float left) {
  // move() places a top-level window's frame, the same corner Top() and Left() report.
  const float perPixel = TwipsPerPixel();
  window_.move(static_cast<int>(std::lround(left / perPixel)),
               static_cast<int>(std::lround(top / perPixel)));
}

bool QtWindowFrame::IsMinimized() const { return window_.isMinimized(); }

void QtWindowFrame::Hide() { window_.hide(); }

void QtWindowFrame::ShowRestored() {
  const bool wasShowingNormally = window_.isVisible() && !window_.isMinimized();
  const int before = window_.ResizeNotifications();
  window_.showNormal();
  window_.raise();
  window_.activateWindow();
  // The restore changed the window's state: its resize notification must have run before this
  // returns, so that the restored position is recorded first. Qt raises it for a minimized
  // window; a window that was only hidden needs it here.
  if (!wasShowingNormally && window_.ResizeNotifications() == before) window_.NotifyResize();
}

void QtWindowFrame::GiveFocus() {
  window_.activateWindow();
  if (QWidget* focus = window_.focusWidget()) focus->setFocus(Qt::ActiveWindowFocusReason);
}

bool QtWindowFrame::TrayAvailable() const { return QSystemTrayIcon::isSystemTrayAvailable(); }

void QtWindowFrame::AddTrayIcon(const NotifyIconRecord& record) {
  tray_ = std::make_unique<QSystemTrayIcon>(window_.windowIcon());
  tray_->setToolTip(TipText(record));
  QObject::connect(tray_.get(), &QSystemTrayIcon::activated,
                   [this](QSystemTrayIcon::ActivationReason reason) {
                     if (reason == QSystemTrayIcon::DoubleClick && onTrayDoubleClick) {
                       onTrayDoubleClick();
                     }
                   });
  tray_->show();
}

void QtWindowFrame::RemoveTrayIcon(const NotifyIconRecord&) {
  if (!tray_) return;
  tray_->hide();
  tray_.reset();
}

QString TipText(const NotifyIconRecord& record) {
  // The platform shows the tip up to its NUL character.
  const std::string_view tip = record.szTip;
  return ToQString(tip.substr(0, tip.find('\0')));
}

void QtWindowFrame::ExitNow() {
  if (tray_) tray_->hide();
  // At once: no further window event, no destructor, no unload notification.
  std::_Exit(0);
}

}  // namespace mirvo::ui
