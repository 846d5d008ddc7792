#pragma once

// What every window adapter promises its logic, written once and run against each adapter: the
// Qt windows (Linux) and the Win32 windows (under Wine). A harness makes one adapter's window
// from a layout and reads its controls the way the user sees them.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/control_names.h"
#include "foundation/control_report.h"
#include "foundation/form.h"
#include "resources/layouts.h"
#include "resources/window_metrics.h"
#include "screens/native_window.h"

namespace mirvo::contract {

// Counts what a window reports, as its screen would receive it.
struct RecordingEvents : screens::WindowEvents {
  void OnClick(std::string_view button) override { clicks.emplace_back(button); }
  void OnTimer(std::string_view timer) override { ++ticks[std::string(timer)]; }
  void OnResize() override { ++resizes; }
  void OnPointerMove(float) override {}
  void OnTrayDoubleClick() override {}
  void OnTrayRightClick() override {}
  void OnTrayMessageClick() override {}
  bool OnCloseRequest() override { return false; }

  std::vector<std::string> clicks;
  std::map<std::string, int> ticks;
  int resizes = 0;
};

// A message box as the user saw it.
struct SeenMessage {
  std::string title;
  std::string text;  // lines separated by \n
  bool information = false;
  int buttons = 0;
  bool okOnly = false;
};

// The harness interface each adapter's test implements (it is a plain class with these members;
// the typed suite below calls them):
//
//   Form& Make(const layout::WindowLayout&, screens::WindowEvents&);  a new window, not shown
//   WindowFrame& Frame();
//   int Dpi();                                       the screen's logical dpi
//   void Pump(int milliseconds);                     runs the event loop
//   bool Enabled(std::string_view), Visible(std::string_view);  the control's own state
//   void Type(std::string_view, std::string_view);   puts text in a box as a user would
//   void Tick(std::string_view, bool);               sets a check box as a user would
//   void Click(std::string_view);                    presses a button
//   void AnswerNextMessage();                        the next message box is read and closed
//   SeenMessage LastMessage();
template <class Harness>
class FormContract : public ::testing::Test {
 protected:
  FormContract() {
    previous_ = SetUnknownControlReporter([this](const std::string& r) { reports.push_back(r); });
  }
  ~FormContract() override { SetUnknownControlReporter(previous_); }

  Form& Client() { return harness.Make(layout::ClientLayout(), events); }
  Form& Server() { return harness.Make(layout::ServerLayout(), events); }
  int Ticks(std::string_view timer) { return events.ticks[std::string(timer)]; }
  // Pumps until the timer ticked at least `count` times or the time is up.
  bool PumpUntilTicks(std::string_view timer, int count, int milliseconds) {
    for (int waited = 0; Ticks(timer) < count && waited < milliseconds; waited += 10) {
      harness.Pump(10);
    }
    return Ticks(timer) >= count;
  }

  Harness harness;
  RecordingEvents events;
  std::vector<std::string> reports;

 private:
  UnknownControlReporter previous_;
};

TYPED_TEST_SUITE_P(FormContract);

namespace client = names::client;

TYPED_TEST_P(FormContract, ReadsTextAndCheckStateAsTheUserLeftThem) {
  Form& form = this->Client();
  EXPECT_EQ(form.Text(client::kIntervalMinutes), "1") << "the layout's default text";
  EXPECT_TRUE(form.Checked(client::kCompress));
  EXPECT_FALSE(form.Checked(client::kPushToServer));
  this->harness.Type(client::kServerAddress, "127.0.0.1");
  this->harness.Type(client::kLocalFolder, "D:\\数据 备份\\");
  this->harness.Tick(client::kPushToServer, true);
  this->harness.Tick(client::kCompress, false);
  EXPECT_EQ(form.Text(client::kServerAddress), "127.0.0.1");
  EXPECT_EQ(form.Text(client::kLocalFolder), "D:\\数据 备份\\");
  EXPECT_TRUE(form.Checked(client::kPushToServer));
  EXPECT_FALSE(form.Checked(client::kCompress));
  EXPECT_EQ(form.Text(client::kTransferNow), "开始同步") << "a button's caption";
  EXPECT_TRUE(this->reports.empty());
}

TYPED_TEST_P(FormContract, EnabledAndVisibleStateReachTheControls) {
  Form& form = this->Client();
  const struct {
    std::string_view name;
    bool enabled;
    bool visible;
  } steps[] = {
      {client::kCancel, true, true},         {client::kArm, false, false},
      {client::kServerAddress, false, true}, {client::kPushToServer, false, false},
      {client::kServerAddress, true, true},  {client::kArm, true, true},
  };
  for (const auto& step : steps) {
    form.SetEnabled(step.name, step.enabled);
    form.SetVisible(step.name, step.visible);
    EXPECT_EQ(this->harness.Enabled(step.name), step.enabled) << step.name;
    EXPECT_EQ(this->harness.Visible(step.name), step.visible) << step.name;
  }
  EXPECT_TRUE(this->reports.empty());
}

TYPED_TEST_P(FormContract, ClicksReachTheScreenByName) {
  this->Client();
  this->harness.Click(client::kTransferNow);
  this->harness.Click(client::kArm);
  this->harness.Pump(20);
  EXPECT_EQ(this->events.clicks, (std::vector<std::string>{"开始同步", "定时同步"}));
}

TYPED_TEST_P(FormContract, ATimerTicksOnlyWhileEnabled) {
  Form& form = this->Client();
  form.SetTimerInterval(client::kScheduleTimer, 20);
  this->harness.Pump(120);
  EXPECT_EQ(this->Ticks(client::kScheduleTimer), 0) << "a timer starts disabled";
  form.SetEnabled(client::kScheduleTimer, true);
  EXPECT_TRUE(this->PumpUntilTicks(client::kScheduleTimer, 3, 2000));
  form.SetEnabled(client::kScheduleTimer, false);
  this->harness.Pump(10);
  const int stopped = this->Ticks(client::kScheduleTimer);
  this->harness.Pump(120);
  EXPECT_EQ(this->Ticks(client::kScheduleTimer), stopped);
}

TYPED_TEST_P(FormContract, EnablingARunningTimerDoesNotRestartIt) {
  Form& form = this->Client();
  form.SetTimerInterval(client::kScheduleTimer, 200);
  form.SetEnabled(client::kScheduleTimer, true);
  // Enabled again every 40 ms for a second: a restart would keep the first tick from ever coming.
  for (int waited = 0; waited < 1000; waited += 40) {
    form.SetEnabled(client::kScheduleTimer, true);
    this->harness.Pump(40);
  }
  EXPECT_GE(this->Ticks(client::kScheduleTimer), 3);
}

TYPED_TEST_P(FormContract, ANewIntervalRestartsTheCountdown) {
  Form& form = this->Client();
  form.SetTimerInterval(client::kScheduleTimer, 400);
  form.SetEnabled(client::kScheduleTimer, true);
  this->harness.Pump(250);
  form.SetTimerInterval(client::kScheduleTimer, 400);  // the same value counts from now too
  this->harness.Pump(250);
  EXPECT_EQ(this->Ticks(client::kScheduleTimer), 0) << "500 ms in, 250 ms after the restart";
  EXPECT_TRUE(this->PumpUntilTicks(client::kScheduleTimer, 1, 2000));
}

TYPED_TEST_P(FormContract, AnIntervalOfZeroOrLessNeverTicks) {
  for (const std::int32_t interval : {0, -5}) {
    Form& form = this->Client();
    form.SetTimerInterval(client::kScheduleTimer, 20);
    form.SetEnabled(client::kScheduleTimer, true);
    form.SetTimerInterval(client::kScheduleTimer, interval);  // on a running timer
    this->harness.Pump(10);
    const int before = this->Ticks(client::kScheduleTimer);
    this->harness.Pump(150);
    EXPECT_EQ(this->Ticks(client::kScheduleTimer), before) << interval;
    form.SetEnabled(client::kScheduleTimer, false);
    form.SetEnabled(client::kScheduleTimer, true);  // and enabled afresh while it holds
    this->harness.Pump(150);
    EXPECT_EQ(this->Ticks(client::kScheduleTimer), before) << interval;
    // The timer stayed enabled: a usable interval makes it tick again.
    form.SetTimerInterval(client::kScheduleTimer, 20);
    EXPECT_TRUE(this->PumpUntilTicks(client::kScheduleTimer, before + 2, 2000)) << interval;
  }
}

TYPED_TEST_P(FormContract, AControlTheWindowLacksIsReportedAndChangesNothing) {
  Form& form = this->Server();
  EXPECT_EQ(form.Text("共享目录"), "");
  EXPECT_FALSE(form.Checked("只读"));
  form.SetEnabled("启动", false);
  form.SetVisible("停止", false);
  form.SetTimerInterval("定时同步时间", 100);  // the client's timer, not the server's
  // Names the window has, asked for what they are not.
  EXPECT_FALSE(form.Checked(names::server::kPort));
  form.SetTimerInterval(names::server::kStart, 100);
  EXPECT_EQ(this->reports, (std::vector<std::string>{
                               "MIRVO: 服务端: no control named 共享目录 (Text)",
                               "MIRVO: 服务端: no control named 只读 (Checked)",
                               "MIRVO: 服务端: no control named 启动 (SetEnabled)",
                               "MIRVO: 服务端: no control named 停止 (SetVisible)",
                               "MIRVO: 服务端: no control named 定时同步时间 (SetTimerInterval)",
                               "MIRVO: 服务端: no control named 端口号 (Checked)",
                               "MIRVO: 服务端: no control named 启动服务 (SetTimerInterval)",
                           }));
  EXPECT_TRUE(this->harness.Enabled(names::server::kStart));
}

TYPED_TEST_P(FormContract, AMessageIsAnInformationBoxWithOneOkButton) {
  Form& form = this->Client();
  this->harness.AnswerNextMessage();
  form.ShowMessage("第一行\r\n第二行 ", "关于：");
  const SeenMessage seen = this->harness.LastMessage();
  EXPECT_EQ(seen.title, "关于：");
  EXPECT_EQ(seen.text, "第一行\n第二行 ");
  EXPECT_TRUE(seen.information);
  EXPECT_EQ(seen.buttons, 1);
  EXPECT_TRUE(seen.okOnly);
}

TYPED_TEST_P(FormContract, FramePositionRoundTripsInTwips) {
  this->Client();
  WindowFrame& frame = this->harness.Frame();
  EXPECT_FLOAT_EQ(frame.TwipsPerPixel(), layout::TwipsPerPixel(this->harness.Dpi()));
  const float perPixel = frame.TwipsPerPixel();
  frame.MoveTo(100 * perPixel, 140 * perPixel);
  this->harness.Pump(20);
  EXPECT_FLOAT_EQ(frame.Top(), 100 * perPixel);
  EXPECT_FLOAT_EQ(frame.Left(), 140 * perPixel);
  EXPECT_FALSE(frame.IsMinimized());
}

REGISTER_TYPED_TEST_SUITE_P(FormContract, ReadsTextAndCheckStateAsTheUserLeftThem,
                            EnabledAndVisibleStateReachTheControls, ClicksReachTheScreenByName,
                            ATimerTicksOnlyWhileEnabled, EnablingARunningTimerDoesNotRestartIt,
                            ANewIntervalRestartsTheCountdown, AnIntervalOfZeroOrLessNeverTicks,
                            AControlTheWindowLacksIsReportedAndChangesNothing,
                            AMessageIsAnInformationBoxWithOneOkButton,
                            FramePositionRoundTripsInTwips);

}  // namespace mirvo::contract
