#include "ui/qt/layout_window.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <vector>

#include "qt_test_app.h"
#include "ui/qt/qt_text.h"

namespace mirvo::ui {
namespace {

using layout::ControlKind;
using layout::ControlLayout;
using layout::FontStyle;
using layout::WindowLayout;
using testing::App;
using testing::ProcessUntil;

const WindowLayout* const kWindows[] = {&layout::ConsoleLayout(), &layout::ServerLayout(),
                                        &layout::ClientLayout()};

bool IsKind(const QWidget* widget, ControlKind kind) {
  switch (kind) {
    case ControlKind::Label:
    case ControlKind::Image:
      return qobject_cast<const QLabel*>(widget) != nullptr;
    case ControlKind::TextBox:
      return qobject_cast<const QLineEdit*>(widget) != nullptr;
    case ControlKind::CheckBox:
      return qobject_cast<const QCheckBox*>(widget) != nullptr;
    case ControlKind::Button:
      return qobject_cast<const QPushButton*>(widget) != nullptr;
    case ControlKind::Timer:
      return false;
  }
  return false;
}

QString ShownText(const QWidget* widget) {
  if (auto* edit = qobject_cast<const QLineEdit*>(widget)) return edit->text();
  if (auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
  if (auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->text();
  return {};
}

// The controls that take the keyboard focus, by TabIndex.
std::vector<QString> ExpectedFocusChain(const WindowLayout& layout) {
  std::vector<const ControlLayout*> focusable;
  for (const ControlLayout& c : layout.controls) {
    if (c.kind == ControlKind::TextBox || c.kind == ControlKind::CheckBox ||
        c.kind == ControlKind::Button) {
      focusable.push_back(&c);
    }
  }
  std::sort(focusable.begin(), focusable.end(),
            [](auto* a, auto* b) { return a->tabIndex < b->tabIndex; });
  std::vector<QString> names;
  for (auto* c : focusable) names.push_back(ToQString(c->name));
  return names;
}

class LayoutWindowTest : public testing::WithApplication {
 protected:
};

TEST_F(LayoutWindowTest, EveryControlStandsAsItsLayoutSays) {
  const int dpi = ScreenDpi();
  for (const WindowLayout* layout : kWindows) {
    SCOPED_TRACE(ToQString(layout->name).toStdString());
    LayoutWindow window(*layout);
    EXPECT_EQ(window.objectName(), ToQString(layout->name));
    EXPECT_EQ(window.windowTitle(), ToQString(layout->caption));
    EXPECT_EQ(window.size(),
              TwipsToQRect({0, 0, layout->clientWidth, layout->clientHeight}, dpi).size());
    EXPECT_FALSE(window.windowIcon().isNull());

    for (const ControlLayout& control : layout->controls) {
      SCOPED_TRACE(ToQString(control.name).toStdString());
      const QString name = ToQString(control.name);
      if (control.kind == ControlKind::Timer) {
        auto* timer = window.findChild<QTimer*>(name);
        ASSERT_NE(timer, nullptr);
        EXPECT_EQ(timer->isActive(), control.enabled);
        EXPECT_EQ(timer->timerType(), Qt::PreciseTimer);
        EXPECT_EQ(window.Form().TimerInterval(control.name), control.timerInterval);
        continue;
      }
      auto* widget = window.findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
      ASSERT_NE(widget, nullptr);
      EXPECT_TRUE(IsKind(widget, control.kind));
      const QRect rect = TwipsToQRect(control.rect, dpi);
      if (control.kind == ControlKind::Label) {
        // A label may grow to show its text whole, never shrink or move sideways.
        EXPECT_EQ(widget->x(), rect.x());
        EXPECT_TRUE(widget->geometry().contains(rect));
        EXPECT_GE(widget->width(), widget->sizeHint().width() * widget->font().stretch() / 100 - 1);
      } else {
        EXPECT_EQ(widget->geometry(), rect);
      }
      EXPECT_EQ(widget->isEnabled(), control.enabled);
      EXPECT_EQ(widget->isHidden(), !control.visible);
      if (auto* box = qobject_cast<QCheckBox*>(widget)) {
        EXPECT_EQ(box->isChecked(), control.checked);
        EXPECT_TRUE(box->text().isEmpty()) << "a check box is a bare square";
        EXPECT_EQ(box->accessibleName(), ToQString(layout::LabelOf(*layout, control.name)->text));
      } else if (control.kind == ControlKind::Image) {
        EXPECT_FALSE(qobject_cast<QLabel*>(widget)->pixmap().isNull());
      } else {
        EXPECT_EQ(ShownText(widget), ToQString(control.text));
      }
      if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        EXPECT_EQ(edit->echoMode(), QLineEdit::Normal) << "passwords are shown in clear";
      }
      if (auto* button = qobject_cast<QPushButton*>(widget)) {
        EXPECT_FALSE(button->isDefault());
        EXPECT_FALSE(button->autoDefault());
      }
      const QFont font = widget->font();
      switch (control.font) {
        case FontStyle::Default:
          EXPECT_EQ(font, window.font());
          break;
        case FontStyle::Song:
          EXPECT_EQ(font.families().value(0), "SimSun");
          EXPECT_DOUBLE_EQ(font.pointSizeF(), 10.5);
          EXPECT_FALSE(font.bold());
          break;
        case FontStyle::SongTitle:
          EXPECT_EQ(font.families().value(0), "SimSun");
          EXPECT_DOUBLE_EQ(font.pointSizeF(), 15.75);
          EXPECT_TRUE(font.bold());
          break;
      }
    }
  }
}

TEST_F(LayoutWindowTest, ScreenReadersNameEachInputByItsLabel) {
  for (const WindowLayout* layout : {&layout::ServerLayout(), &layout::ClientLayout()}) {
    SCOPED_TRACE(ToQString(layout->name).toStdString());
    LayoutWindow window(*layout);
    int inputs = 0;
    for (const ControlLayout& control : layout->controls) {
      if (control.kind != ControlKind::TextBox && control.kind != ControlKind::CheckBox) continue;
      SCOPED_TRACE(ToQString(control.name).toStdString());
      ++inputs;
      QWidget* input = window.Control(control.name);
      const ControlLayout* label = layout::LabelOf(*layout, control.name);
      ASSERT_NE(label, nullptr);
      QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(input);
      ASSERT_NE(accessible, nullptr);
      EXPECT_EQ(accessible->text(QAccessible::Name), ToQString(label->text));
      // The label points at its input; the input's own text stays its content.
      auto* shown = qobject_cast<QLabel*>(window.Control(label->name));
      ASSERT_NE(shown, nullptr);
      EXPECT_EQ(shown->buddy(), input);
      EXPECT_EQ(
          ShownText(input),
          ToQString(control.kind == ControlKind::TextBox ? control.text : std::string_view{}));
    }
    EXPECT_GT(inputs, 8);
    // Titles and the credit line are plain labels.
    for (const ControlLayout& control : layout->controls) {
      if (control.kind != ControlKind::Label || !control.labelFor.empty()) continue;
      QAccessibleInterface* accessible =
          QAccessible::queryAccessibleInterface(window.Control(control.name));
      ASSERT_NE(accessible, nullptr);
      EXPECT_EQ(accessible->role(), QAccessible::StaticText)
          << ToQString(control.name).toStdString();
    }
  }
}

// Run once as it is and, as separate tests, under QT_SCALE_FACTOR=1.5 and 2: Qt scales the
// logical pixels of the layout itself, so the windows grow by the factor and are not scaled twice.
TEST_F(LayoutWindowTest, AScaleFactorEnlargesTheWindowsAndCutsNoText) {
  const double factor = qEnvironmentVariableIsSet("QT_SCALE_FACTOR")
                            ? qEnvironmentVariable("QT_SCALE_FACTOR").toDouble()
                            : 1.0;
  const struct {
    const WindowLayout* layout;
    QSize at96Dpi;
  } cases[] = {{&layout::ConsoleLayout(), {281, 161}},
               {&layout::ServerLayout(), {302, 311}},
               {&layout::ClientLayout(), {263, 352}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(ToQString(c.layout->name).toStdString());
    LayoutWindow window(*c.layout);
    window.show();
    ASSERT_TRUE(ProcessUntil([&] { return window.windowHandle() != nullptr; }));
    const qreal ratio = window.windowHandle()->devicePixelRatio();
    EXPECT_NEAR(ratio, factor, 0.01);
    EXPECT_NEAR(window.width() * ratio, c.at96Dpi.width() * factor, 1.0);
    EXPECT_NEAR(window.height() * ratio, c.at96Dpi.height() * factor, 1.0);
    for (const ControlLayout& control : c.layout->controls) {
      if (control.kind == ControlKind::Timer) continue;
      SCOPED_TRACE(ToQString(control.name).toStdString());
      QWidget* widget = window.Control(control.name);
      // The layout keeps its proportions: each control starts where its twips say, scaled.
      // (A label that needs a taller line grows equally up and down: its middle stays.)
      EXPECT_NEAR(widget->x() * ratio, control.rect.left / 15.0 * factor, factor + 0.5);
      EXPECT_NEAR((widget->y() + widget->height() / 2.0) * ratio,
                  (control.rect.top + control.rect.height / 2.0) / 15.0 * factor, factor + 0.5);
      auto* label = qobject_cast<QLabel*>(widget);
      if (label == nullptr) continue;
      if (control.kind == ControlKind::Image) {
        EXPECT_NEAR(label->pixmap().width(), widget->width() * ratio, 1.0)
            << "the picture is drawn at the scaled size";
        continue;
      }
      const QSize needed = label->sizeHint();
      EXPECT_GE(label->width(), needed.width() * label->font().stretch() / 100 - 1);
      EXPECT_GE(label->height(), needed.height());
    }
    window.hide();
  }
}

TEST_F(LayoutWindowTest, TwipsBecomePixelsAtFifteenToThePixelAt96Dpi) {
  EXPECT_EQ(TwipsToQRect({4530, 4665, 4530, 4665}, 96), QRect(302, 311, 302, 311));
  // At 120 dpi (12 twips to the pixel) edges are rounded, so neighbours keep their spacing.
  EXPECT_EQ(TwipsToQRect({1440, 720, 2535, 270}, 120), QRect(120, 60, 211, 23));
  EXPECT_EQ(TwipsToQRect({0, 0, 4215, 2415}, 144).size(), QSize(422, 242));
}

TEST_F(LayoutWindowTest, FocusStartsOnTabIndexZeroAndTabFollowsTabIndex) {
  for (const WindowLayout* layout : kWindows) {
    SCOPED_TRACE(ToQString(layout->name).toStdString());
    LayoutWindow window(*layout);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(ProcessUntil([&] { return QApplication::focusWidget() != nullptr; }));
    const std::vector<QString> expected = ExpectedFocusChain(*layout);
    EXPECT_EQ(QApplication::focusWidget()->objectName(), expected.front());

    std::vector<QString> chain;
    QWidget* first = window.findChild<QWidget*>(expected.front());
    for (QWidget* w = first; chain.size() < expected.size() + 5;) {
      if (std::find(expected.begin(), expected.end(), w->objectName()) != expected.end()) {
        chain.push_back(w->objectName());
      }
      w = w->nextInFocusChain();
      if (w == first) break;
    }
    EXPECT_EQ(chain, expected);
  }
}

TEST_F(LayoutWindowTest, TabKeySkipsDisabledAndHiddenControls) {
  LayoutWindow window(layout::ServerLayout());
  window.show();
  window.activateWindow();
  ASSERT_TRUE(ProcessUntil([&] { return QApplication::focusWidget() != nullptr; }));
  std::vector<QString> visited;
  for (int i = 0; i < 11; ++i) {
    visited.push_back(QApplication::focusWidget()->objectName());
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QApplication::sendEvent(QApplication::focusWidget(), &tab);
  }
  // 停止服务 starts disabled and is skipped; after 限速 the order starts again.
  const std::vector<QString> expected{"启动服务", "共享路径", "共享名",  "只读模式",
                                      "端口号",   "用户认证", "用户名",  "密码",
                                      "限速值",   "限速",     "启动服务"};
  EXPECT_EQ(visited, expected);
}

TEST_F(LayoutWindowTest, ResizeNotificationAtFirstDisplayAndEveryStateChange) {
  LayoutWindow window(layout::ClientLayout());
  int notifications = 0;
  window.onResizeNotification = [&] { ++notifications; };
  window.show();
  ASSERT_TRUE(ProcessUntil([&] { return notifications > 0; }));
  const int shown = notifications;
  window.setWindowState(Qt::WindowMinimized);
  EXPECT_TRUE(ProcessUntil([&] { return notifications > shown; }));
  const int minimized = notifications;
  window.setWindowState(Qt::WindowNoState);
  EXPECT_TRUE(ProcessUntil([&] { return notifications > minimized; }));
  // Moving alone records nothing.
  testing::ProcessFor(100);
  const int before = notifications;
  window.move(window.pos() + QPoint(7, 5));
  testing::ProcessFor(50);
  EXPECT_EQ(notifications, before);
}

}  // namespace
}  // namespace mirvo::ui
