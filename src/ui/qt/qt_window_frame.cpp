#include "ui/qt/qt_window_frame.h"

#include <QIcon>
#include <QWindow>
#include <cmath>
#include <cstdlib>

#include "tray/notify_icon_record.h"
#include "ui/qt/qt_text.h"

namespace mirvo::ui {

std::uint32_t QtWindowFrame::Handle() const { return static_cast<std::uint32_t>(window_.winId()); }

std::uint32_t QtWindowFrame::IconHandle() const {
  return static_cast<std::uint32_t>(window_.windowIcon().cacheKey());
}

float QtWindowFrame::TwipsPerPixel() const { return static_cast<float>(1.0 / PixelsPerTwip()); }

float QtWindowFrame::Top() const {
  return static_cast<float>(window_.frameGeometry().top()) * TwipsPerPixel();
}

float QtWindowFrame::Left() const {
  return static_cast<float>(window_.frameGeometry().left()) * TwipsPerPixel();
}

void QtWindowFrame::MoveTo(float top, float left) {
  const float perPixel = TwipsPerPixel();
  PlaceFrame(QPoint(static_cast<int>(std::lround(left / perPixel)),
                    static_cast<int>(std::lround(top / perPixel))));
}

void QtWindowFrame::PlaceFrame(QPoint topLeft) {
  // The frame's corner, the one Top() and Left() report. QWidget::move() drops a move to the
  // place Qt last heard of, but a window just shown again may already have been put elsewhere by
  // the window manager without Qt knowing yet: the request goes out whatever Qt believes.
  if (QWindow* handle = window_.windowHandle()) {
    handle->setFramePosition(topLeft);
  } else {
    window_.move(topLeft);
  }
}

bool QtWindowFrame::IsMinimized() const { return window_.isMinimized(); }

void QtWindowFrame::Hide() {
  // A hidden window is withdrawn, and the window manager forgets it: when it is mapped again, it
  // is placed anew like a new window unless it asks for a place. A window that was never placed
  // by the program (it opened where the system put it, and the user moved it) asks for none, so
  // it is pinned to where it is now.
  PlaceFrame(window_.frameGeometry().topLeft());
  window_.hide();
}

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
