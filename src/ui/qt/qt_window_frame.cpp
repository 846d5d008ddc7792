#include "ui/qt/qt_window_frame.h"

#include <QCursor>
#include <QIcon>
#include <QMenu>
#include <QWindow>
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
  // Top() and Left() report the frame's corner; the window is placed by its own corner, the
  // frame's margins apart, so that the window asks the window manager for the same gravity as
  // when it first opened.
  const float perPixel = TwipsPerPixel();
  const QPoint frame(static_cast<int>(std::lround(left / perPixel)),
                     static_cast<int>(std::lround(top / perPixel)));
  PlaceWindow(frame + (window_.geometry().topLeft() - window_.frameGeometry().topLeft()));
}

void QtWindowFrame::PlaceWindow(QPoint topLeft) {
  if (QWindow* handle = window_.windowHandle()) {
    handle->setPosition(topLeft);
  } else {
    window_.move(topLeft);
  }
}

bool QtWindowFrame::IsMinimized() const { return window_.isMinimized(); }

bool QtWindowFrame::IsShowing() const { return window_.isVisible() && !window_.isMinimized(); }

void QtWindowFrame::Hide() {
  // A hidden window is withdrawn, and the window manager forgets it: mapped again, it is placed
  // anew like a new window unless it asks for a place, and a window that opened where the system
  // put it asks for none. It is pinned where it is. Qt ignores a move to where the window already
  // is, so the pin goes there by way of a pixel beside it; nobody sees either, the window is
  // minimized.
  const QPoint here = window_.geometry().topLeft();
  PlaceWindow(here + QPoint(1, 0));
  PlaceWindow(here);
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
                     if (reason == QSystemTrayIcon::Context && onTrayRightClick) onTrayRightClick();
                   });
  QObject::connect(tray_.get(), &QSystemTrayIcon::messageClicked, [this] {
    if (onTrayMessageClick) onTrayMessageClick();
  });
  tray_->show();
}

void QtWindowFrame::RemoveTrayIcon(const NotifyIconRecord&) {
  if (!tray_) return;
  tray_->hide();
  tray_.reset();
}

bool QtWindowFrame::ShowTrayMessage(std::string_view title, std::string_view text) {
  if (!tray_ || !tray_->isVisible() || !QSystemTrayIcon::isSystemTrayAvailable()) return false;
  tray_->showMessage(ToQString(title), ToDisplayText(text), QSystemTrayIcon::Warning);
  return true;
}

std::optional<std::size_t> QtWindowFrame::ChooseFromTrayMenu(
    const std::vector<std::string>& captions) {
  // At the pointer, which is on the icon: the menu closes when the user clicks elsewhere.
  QMenu menu;
  for (const std::string& caption : captions) menu.addAction(ToQString(caption));
  QAction* chosen = menu.exec(QCursor::pos());
  if (chosen == nullptr) return std::nullopt;
  return static_cast<std::size_t>(menu.actions().indexOf(chosen));
}

QString TipText(const NotifyIconRecord& record) {
  // The platform shows the tip up to its NUL character.
  const std::string_view tip = record.szTip;
  return ToQString(tip.substr(0, tip.find('\0')));
}

void QtWindowFrame::ExitNow() { ExitProcessNow(); }

void ExitProcessNow() {
  // At once: no further window event, no destructor, no unload notification.
  std::_Exit(0);
}

}  // namespace mirvo::ui
