// A window whose labels are fitted when it is first exposed ends up exactly as one fitted when it
// was built, and is fitted before anything in it is drawn.
#include <gtest/gtest.h>

#include <QLabel>
#include <map>

#include "qt_test_app.h"
#include "ui/qt/layout_window.h"
#include "ui/qt/qt_text.h"

namespace mirvo::ui {
namespace {

using testing::ProcessUntil;

struct LabelLook {
  QRect geometry;
  int stretch;
  bool operator==(const LabelLook&) const = default;
};

std::map<QString, LabelLook> Labels(const LayoutWindow& window) {
  std::map<QString, LabelLook> looks;
  for (const QLabel* label : window.findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
    looks[label->objectName()] = {label->geometry(), label->font().stretch()};
  }
  return looks;
}

// Records each label's look when it is first painted.
class FirstPaint : public QObject {
 public:
  std::map<QString, LabelLook> looks;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      const auto* label = static_cast<QLabel*>(watched);
      looks.try_emplace(label->objectName(), LabelLook{label->geometry(), label->font().stretch()});
    }
    return false;
  }
};

class LabelFitTest : public testing::WithApplication {};

TEST_F(LabelFitTest, FittedAtFirstExposeAsAtConstruction) {
  for (const layout::WindowLayout* layout :
       {&layout::ConsoleLayout(), &layout::ServerLayout(), &layout::ClientLayout()}) {
    SCOPED_TRACE(ToQString(layout->caption).toStdString());
    const LayoutWindow built(*layout);
    LayoutWindow shown(*layout, LayoutWindow::LabelFit::AtFirstExpose);
    const auto fitted = Labels(built);
    FirstPaint painted;
    for (QLabel* label : shown.findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
      label->installEventFilter(&painted);
    }
    shown.show();
    ASSERT_TRUE(ProcessUntil([&] { return painted.looks.size() == fitted.size(); }));
    EXPECT_EQ(painted.looks, fitted) << "a label was drawn before it was fitted";
    EXPECT_EQ(Labels(shown), fitted);
    shown.hide();
  }
}

TEST_F(LabelFitTest, SomeLabelOfTheWindowsNeedsFitting) {
  // Guards the test above: at least one window has a label that grows or narrows its font.
  int changed = 0;
  for (const layout::WindowLayout* layout :
       {&layout::ConsoleLayout(), &layout::ServerLayout(), &layout::ClientLayout()}) {
    const LayoutWindow built(*layout);
    const LayoutWindow unfitted(*layout, LayoutWindow::LabelFit::AtFirstExpose);
    const auto a = Labels(built), b = Labels(unfitted);
    for (const auto& [name, look] : a) changed += b.at(name) == look ? 0 : 1;
  }
  EXPECT_GT(changed, 0);
}

}  // namespace
}  // namespace mirvo::ui
