#include "ui/qt/qt_navigator.h"

#include <QCoreApplication>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>

#include "ui/qt/qt_window_frame.h"

namespace mirvo::ui {
namespace {

// A layout window and its tray, every button's click and timer's tick forwarded by name.
class QtNativeWindow final : public screens::NativeWindow {
 public:
  QtNativeWindow(const layout::WindowLayout& layout, screens::WindowEvents& events)
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
  }
  ~QtNativeWindow() override { delete window_.data(); }

  LayoutWindow* Widget() const { return window_.data(); }

  Form& Controls() override { return window_->Form(); }
  WindowFrame& Frame() override { return frame_; }
  void Show() override { window_->show(); }
  void Destroy() override {
    if (!window_) return;
    window_->onResizeNotification = nullptr;
    window_->onCloseRequest = nullptr;
    frame_.onTrayDoubleClick = nullptr;
    window_->hide();
    // Asked for from inside the window's own click handler: the window goes once that handler
    // has returned.
    QTimer::singleShot(0, [window = window_] { delete window.data(); });
  }

 private:
  QPointer<LayoutWindow> window_;
  QtWindowFrame frame_;
};

}  // namespace

std::unique_ptr<screens::NativeWindow> QtWindowFactory::MakeWindow(
    const layout::WindowLayout& layout, screens::WindowEvents& events) {
  return std::make_unique<QtNativeWindow>(layout, events);
}

void QtWindowFactory::Quit() { QCoreApplication::quit(); }

void QtWindowFactory::ExitNow() { std::_Exit(0); }

LayoutWindow* QtNavigator::Window(std::string_view name) const {
  auto* window = static_cast<QtNativeWindow*>(Loaded(name));
  return window ? window->Widget() : nullptr;
}

}  // namespace mirvo::ui
