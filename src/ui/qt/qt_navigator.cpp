#include "ui/qt/qt_navigator.h"

#include <QCoreApplication>
#include <QPushButton>
#include <QTimer>

namespace mirvo::ui {

QtNativeWindow::QtNativeWindow(const layout::WindowLayout& layout, screens::WindowEvents& events)
    // A window is built to be shown at once: its labels are measured once it is on the screen.
    : window_(new LayoutWindow(layout, LayoutWindow::LabelFit::AtFirstExpose)), frame_(*window_) {
  for (const layout::ControlLayout& control : layout.controls) {
    const std::string_view name = control.name;
    if (control.kind == layout::ControlKind::Button) {
      auto* button = qobject_cast<QPushButton*>(window_->Control(name));
      QObject::connect(button, &QPushButton::clicked, window_,
                       [&events, name] { events.OnClick(name); });
    } else if (control.kind == layout::ControlKind::Timer) {
      QObject::connect(window_->Form().Timer(name), &QTimer::timeout, window_,
                       [&events, name] { events.OnTimer(name); });
    }
  }
  window_->onResizeNotification = [&events] { events.OnResize(); };
  window_->onCloseRequest = [&events] { return events.OnCloseRequest(); };
  frame_.onTrayDoubleClick = [&events] { events.OnTrayDoubleClick(); };
  frame_.onTrayRightClick = [&events] { events.OnTrayRightClick(); };
  frame_.onTrayMessageClick = [&events] { events.OnTrayMessageClick(); };
}

QtNativeWindow::~QtNativeWindow() { delete window_.data(); }

void QtNativeWindow::Destroy() {
  if (!window_) return;
  window_->onResizeNotification = nullptr;
  window_->onCloseRequest = nullptr;
  frame_.onTrayDoubleClick = nullptr;
  frame_.onTrayRightClick = nullptr;
  frame_.onTrayMessageClick = nullptr;
  window_->hide();
  // Asked for from inside the window's own click handler: the window goes once that handler has
  // returned.
  QTimer::singleShot(0, [window = window_] { delete window.data(); });
}

std::unique_ptr<screens::NativeWindow> QtWindowFactory::MakeWindow(
    const layout::WindowLayout& layout, screens::WindowEvents& events) {
  return std::make_unique<QtNativeWindow>(layout, events);
}

void QtWindowFactory::Quit() { QCoreApplication::quit(); }

void QtWindowFactory::ExitNow() { ExitProcessNow(); }

void QtWindowFactory::Post(std::function<void()> work) {
  // Queued to the application object, whose thread is the windows' thread.
  QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(work), Qt::QueuedConnection);
}

LayoutWindow* QtNavigator::Window(std::string_view name) const {
  auto* window = static_cast<QtNativeWindow*>(Loaded(name));
  return window ? window->Widget() : nullptr;
}

}  // namespace mirvo::ui
