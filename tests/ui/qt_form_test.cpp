#include "ui/qt/qt_form.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <limits>

#include "qt_test_app.h"
#include "ui/qt/layout_window.h"

namespace mirvo::ui {
namespace {

using testing::App;
using testing::ProcessFor;
using testing::ProcessUntil;

class QtFormTest : public testing::WithApplication {
 protected:
  LayoutWindow window{layout::ClientLayout()};
  QtForm& form = window.Form();
};

TEST_F(QtFormTest, ReadsWhatTheUserTypedAndTicked) {
  window.findChild<QLineEdit*>("服务端IP")->setText("127.0.0.1");
  window.findChild<QLineEdit*>("目的目录")->setText("D:\\数据 备份\\");
  window.findChild<QCheckBox*>("推送到服务端")->setChecked(true);
  window.findChild<QCheckBox*>("启用压缩传输")->setChecked(false);
  EXPECT_EQ(form.Text("服务端IP"), "127.0.0.1");
  EXPECT_EQ(form.Text("目的目录"), "D:\\数据 备份\\");
  EXPECT_EQ(form.Text("定时同步值"), "1");
  EXPECT_TRUE(form.Checked("推送到服务端"));
  EXPECT_FALSE(form.Checked("启用压缩传输"));
  // A name the window does not have reads as empty and unchecked, and changes nothing.
  EXPECT_EQ(form.Text("没有这个"), "");
  EXPECT_FALSE(form.Checked("服务端IP"));
  form.SetEnabled("没有这个", false);
}

TEST_F(QtFormTest, EnablesAndShowsControls) {
  const struct {
    const char* name;
    bool enabled;
    bool visible;
  } steps[] = {{"取消定时", true, true}, {"定时同步", false, false}, {"服务端IP", false, true}};
  window.show();
  for (const auto& step : steps) {
    form.SetEnabled(step.name, step.enabled);
    form.SetVisible(step.name, step.visible);
    QWidget* control = window.findChild<QWidget*>(step.name);
    EXPECT_EQ(control->isEnabled(), step.enabled) << step.name;
    EXPECT_EQ(control->isVisible(), step.visible) << step.name;
  }
}

TEST_F(QtFormTest, TimerTicksWhileEnabledAndStopsWhenDisabled) {
  int ticks = 0;
  QObject::connect(form.Timer("定时同步时间"), &QTimer::timeout, [&] { ++ticks; });
  form.SetTimerInterval("定时同步时间", 20);
  ProcessFor(80);
  EXPECT_EQ(ticks, 0) << "a disabled timer does not tick";
  form.SetEnabled("定时同步时间", true);
  EXPECT_TRUE(ProcessUntil([&] { return ticks >= 3; }));
  form.SetEnabled("定时同步时间", false);
  const int stopped = ticks;
  ProcessFor(80);
  EXPECT_EQ(ticks, stopped);
}

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

TEST_F(QtFormTest, NewIntervalOnARunningTimerCountsFromNow) {
  QTimer* timer = form.Timer("定时同步时间");
  form.SetTimerInterval("定时同步时间", 600000);
  form.SetEnabled("定时同步时间", true);
  form.SetTimerInterval("定时同步时间", 30000);
  EXPECT_TRUE(timer->isActive());
  EXPECT_LE(timer->remainingTime(), 30000);
  EXPECT_GT(timer->remainingTime(), 25000);
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
