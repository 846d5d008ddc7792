#include "ui/qt/layout_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "resources/icon.h"
#include "resources/window_metrics.h"
#include "ui/qt/qt_text.h"

namespace mirvo::ui {
namespace {

using layout::ControlKind;
using layout::ControlLayout;
using layout::FontStyle;

// SimSun is missing on Linux; the first Song-style face that exists stands in for it.
QFont SongFont(double points, bool bold) {
  QFont font;
  font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("宋体"), QStringLiteral("NSimSun"),
                    QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Serif CJK"),
                    QStringLiteral("AR PL UMing CN"), QStringLiteral("Noto Sans CJK SC"),
                    QStringLiteral("WenQuanYi Zen Hei")});
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

void ApplyFont(QWidget& control, FontStyle style) {
  const layout::FontSpec look = layout::FontOf(style);
  if (look.song) control.setFont(SongFont(look.points, look.bold));
}

QWidget* MakeControl(const ControlLayout& control, QWidget& window) {
  const QString text = ToQString(control.text);
  switch (control.kind) {
    case ControlKind::Label:
      return new QLabel(text, &window);
    case ControlKind::TextBox: {
      auto* edit = new QLineEdit(text, &window);
      // The box is as low as a SimSun line; the stand-in face's taller line needs the frame's
      // inner padding to show its text whole.
      edit->setTextMargins(0, -3, 0, -3);
      edit->setCursorPosition(0);
      return edit;
    }
    case ControlKind::CheckBox: {
      // A bare square: the caption does not fit, the label on the left names the box.
      auto* box = new QCheckBox(&window);
      box->setChecked(control.checked);
      return box;
    }
    case ControlKind::Button: {
      auto* button = new QPushButton(text, &window);
      button->setAutoDefault(false);
      return button;
    }
    case ControlKind::Image:
      return new QLabel(&window);  // its picture is drawn at its size once it is placed
    case ControlKind::Timer:
      break;
  }
  return nullptr;
}

// A label fitted to its text as every build fits it (resources/window_metrics.h).
void FitLabel(QLabel& label, const QWidget& window) {
  std::vector<layout::PixelRect> others;
  for (const QObject* child : window.children()) {
    const auto* other = qobject_cast<const QWidget*>(child);
    if (!other || other == &label || other->isHidden()) continue;
    const QRect o = other->geometry();
    others.push_back({o.left(), o.top(), o.width(), o.height()});
  }
  const QRect at = label.geometry();
  const QSize needed = label.sizeHint();
  const layout::LabelFit fit =
      layout::FitLabel({at.left(), at.top(), at.width(), at.height()}, needed.width(),
                       needed.height(), window.width(), others);
  if (fit.stretch != 100) {
    QFont narrower = label.font();
    narrower.setStretch(fit.stretch);
    label.setFont(narrower);
  }
  label.setGeometry(fit.rect.left, fit.rect.top, fit.rect.width, fit.rect.height);
}

// The program's picture drawn for a label of `size` logical pixels at the screen's device pixel
// ratio: with a scale factor of 2 it is drawn at twice the pixels rather than stretched.
QPixmap PictureAt(int size, qreal devicePixelRatio) {
  const int pixels = static_cast<int>(std::lround(size * devicePixelRatio));
  const std::vector<std::uint8_t> rgba = icon::IconRgbaAt(pixels);
  QImage image(rgba.data(), pixels, pixels, pixels * 4, QImage::Format_RGBA8888);
  QPixmap picture = QPixmap::fromImage(image.copy());
  picture.setDevicePixelRatio(devicePixelRatio);
  return picture;
}

}  // namespace

QIcon ProgramIcon() {
  const auto& rgb = icon::IconRgb();
  const QImage image(rgb.data(), icon::kIconSize, icon::kIconSize, icon::kIconSize * 3,
                     QImage::Format_RGB888);
  return QIcon(QPixmap::fromImage(image.copy()));
}

int ScreenDpi() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? static_cast<int>(std::lround(screen->logicalDotsPerInchX())) : 96;
}

QRect TwipsToQRect(const layout::TwipRect& twips, int dpi) {
  const layout::PixelRect pixels = layout::ToPixels(twips, dpi);
  return QRect(pixels.left, pixels.top, pixels.width, pixels.height);
}

LayoutWindow::LayoutWindow(const layout::WindowLayout& layout, LabelFit labelFit)
    : QWidget(nullptr), layout_(layout), form_(*this) {
  Build();
  if (labelFit == LabelFit::AtConstruction) FitLabels();
}

void LayoutWindow::FitLabels() {
  if (labelsFitted_) return;
  labelsFitted_ = true;
  for (QLabel* label : findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
    if (label->pixmap().isNull()) FitLabel(*label, *this);
  }
}

void LayoutWindow::Build() {
  const int dpi = ScreenDpi();
  setObjectName(ToQString(layout_.name));
  setWindowTitle(ToQString(layout_.caption));
  setWindowIcon(ProgramIcon());
  setFixedSize(TwipsToQRect({0, 0, layout_.clientWidth, layout_.clientHeight}, dpi).size());

  for (const ControlLayout& control : layout_.controls) {
    if (control.kind == ControlKind::Timer) {
      auto* timer = new QTimer(this);
      timer->setObjectName(ToQString(control.name));
      form_.AddTimer(control.name, timer, control.timerInterval, control.enabled);
      continue;
    }
    QWidget* widget = MakeControl(control, *this);
    widget->setObjectName(ToQString(control.name));
    ApplyFont(*widget, control.font);
    widget->setGeometry(TwipsToQRect(control.rect, dpi));
    if (control.kind == ControlKind::Image) {
      static_cast<QLabel*>(widget)->setPixmap(
          PictureAt(widget->width(), QGuiApplication::primaryScreen()
                                         ? QGuiApplication::primaryScreen()->devicePixelRatio()
                                         : 1.0));
    }
    widget->setEnabled(control.enabled);
    if (!control.visible) widget->setHidden(true);
    form_.AddControl(control.name, widget);
  }

  // A screen reader names each text box and check box by the text of its label.
  for (const ControlLayout& control : layout_.controls) {
    if (control.labelFor.empty()) continue;
    QWidget* input = form_.Control(control.labelFor);
    auto* label = qobject_cast<QLabel*>(form_.Control(control.name));
    if (input == nullptr || label == nullptr) continue;
    label->setBuddy(input);
    input->setAccessibleName(ToQString(control.text));
  }

  // Only the controls of the keyboard order take the focus, in that order.
  const std::vector<const ControlLayout*> keyboard = layout::KeyboardOrder(layout_);
  for (const ControlLayout& control : layout_.controls) {
    QWidget* widget = form_.Control(control.name);
    if (widget != nullptr &&
        std::find(keyboard.begin(), keyboard.end(), &control) == keyboard.end()) {
      widget->setFocusPolicy(Qt::NoFocus);
    }
  }
  QWidget* previous = nullptr;
  for (const ControlLayout* control : keyboard) {
    QWidget* widget = form_.Control(control->name);
    if (previous != nullptr) {
      QWidget::setTabOrder(previous, widget);
    } else {
      widget->setFocus();
    }
    previous = widget;
  }
}

void LayoutWindow::NotifyResize() {
  ++resizeNotifications_;
  if (onResizeNotification) onResizeNotification();
}

void LayoutWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // Labels not fitted yet are fitted when the window is first exposed: after it is mapped, before
  // anything in it is drawn.
  if (!labelsFitted_ && windowHandle() != nullptr) windowHandle()->installEventFilter(this);
  NotifyResize();
}

bool LayoutWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Expose && watched == windowHandle()) {
    watched->removeEventFilter(this);
    FitLabels();
  }
  return QWidget::eventFilter(watched, event);
}

void LayoutWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (isVisible()) NotifyResize();
}

void LayoutWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange) NotifyResize();
}

void LayoutWindow::closeEvent(QCloseEvent* event) {
  if (onCloseRequest && onCloseRequest()) {
    event->ignore();
    return;
  }
  QWidget::closeEvent(event);
}

}  // namespace mirvo::ui
