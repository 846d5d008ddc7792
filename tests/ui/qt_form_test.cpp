#include "ui/qt/qt_form.h"

#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <limits>

#include "qt_test_app.h"
#include "ui/qt/layout_window.h"

namespace mirvo::ui {
namespace {

// What every Form promises is the contract suite (qt_form_contract_test.cpp); these are the Qt
// windows' own limits.
class QtFormTest : public testing::WithApplication {
 protected:
  LayoutWindow window{layout::ClientLayout()};
  QtForm& form = window.Form();
};

TEST_F(QtFormTest, TimerIntervalsAsLongAsTheFieldHolds) {
  const struct {
    std::int32_t interval;
    bool runs;
  } cases[] = {
      {std::numeric_limits<std::int32_t>::max(), true},  // a little under 25 days
      {90 * 60000, true},
      {1, true},
      {0, false},  // never a busy loop
      {-5, false},
  };
  QTimer* timer = form.Timer("定时同步时间");
  for (const auto& c : cases) {
    form.SetEnabled("定时同步时间", false);
    form.SetTimerInterval("定时同步时间", c.interval);
    form.SetEnabled("定时同步时间", true);
    EXPECT_EQ(timer->isActive(), c.runs) << c.interval;
    EXPECT_EQ(form.TimerEnabled("定时同步时间"), true);
    if (c.runs && c.interval > 1000) {
      EXPECT_GT(timer->remainingTime(), c.interval - 1000) << c.interval;
    }
  }
}

TEST_F(QtFormTest, MessageIsAModalInformationBoxWithOneOkButton) {
  QString title, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  bool modal = false;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    title = box->windowTitle();
    text = box->text();
    icon = box->icon();
    buttons = box->standardButtons();
    modal = box->isModal();
    box->button(QMessageBox::Ok)->click();
  });
  form.ShowMessage("第一行\r\n第二行 ", "关于：");
  EXPECT_EQ(title, "关于：");
  EXPECT_EQ(text, "第一行\n第二行 ");
  EXPECT_EQ(icon, QMessageBox::Information);
  EXPECT_EQ(buttons, QMessageBox::Ok);
  EXPECT_TRUE(modal);
}

}  // namespace
}  // namespace mirvo::ui
