#include "client/client_window.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "client/transfer_command.h"
#include "foundation/rsync_exit.h"
#include "support/fake_form.h"
#include "support/fake_platform.h"
#include "support/recording_notifier.h"

namespace mirvo {
namespace {

using testing::FakeForm;
using testing::FakePlatform;
using testing::RecordingNotifier;
using Calls = std::vector<std::string>;

const Calls kInputs = {"服务端IP",     "端口号",       "源共享名",     "目的目录",
                       "推送到服务端", "删除多余文件", "启用压缩传输", "保留CMD显示",
                       "用户认证",     "用户名",       "密码",         "定时同步值"};

struct Client {
  FakeForm form = FakeForm::FromLayout(layout::ClientLayout());
  FakePlatform platform;
  RecordingNotifier notifier;
  ClientWindow window{form, platform, notifier};

  Client() {
    form.texts.at("服务端IP") = "127.0.0.1";  // tests never leave loopback
    form.log = &platform.events;
  }

  ScheduleState State() const { return window.State(); }

  Calls Changes() const {
    return form.CallsStartingWith(
        {"enable ", "disable ", "show ", "hide ", "interval ", "message "});
  }
};

Calls Each(const std::string& verb, const Calls& names) {
  Calls calls;
  for (const std::string& name : names) calls.push_back(verb + " " + name);
  return calls;
}

const std::string kPull =
    "cmd.exe /c D:\\Tools\\Sync\\bin\\rsync -avz --progress  --partial --port=873   "
    "test@127.0.0.1::test /cygdrive/c/test";

TEST(ClientWindow, TransferNowStartsOneTransferAndChangesNoControl) {
  Client c;
  c.window.OnTransferNowClicked();
  ASSERT_EQ(c.platform.commands.size(), 1u);
  EXPECT_EQ(c.platform.commands[0].line, kPull);
  EXPECT_EQ(c.platform.commands[0].mode, WindowMode::NormalFocus);
  EXPECT_TRUE(c.Changes().empty());
  EXPECT_EQ(c.State(), ScheduleState::Idle);
}

TEST(ClientWindow, ArmingSetsTheIntervalAndSwapsTheButtonsInOrder) {
  struct Case {
    const char* typed;
    std::int32_t milliseconds;
  } cases[] = {{"1", 60000}, {"0.5", 30000}, {"1.00001", 60001}, {"90", 5400000}};
  for (const Case& k : cases) {
    Client c;
    c.form.texts["定时同步值"] = k.typed;
    c.window.OnArmClicked();
    EXPECT_EQ(c.Changes(), (Calls{"interval 定时同步时间 " + std::to_string(k.milliseconds),
                                  "enable 定时同步时间", "disable 定时同步", "enable 取消定时",
                                  "hide 定时同步", "show 取消定时"}));
    EXPECT_EQ(c.State(), ScheduleState::Armed);
    EXPECT_TRUE(c.platform.commands.empty());
  }
}

TEST(ClientWindow, AnIntervalTheTimerCannotUseIsExplainedAndNothingIsArmed) {
  for (const char* typed : {"", "abc", "0", "-1", "40000", "0.000001"}) {
    Client c;
    c.form.texts["定时同步值"] = typed;
    c.window.OnArmClicked();
    ASSERT_EQ(c.form.messages.size(), 1u) << typed;
    EXPECT_EQ(c.form.messages[0].title, "注意：");
    EXPECT_NE(c.form.messages[0].text.find("定时同步间隔"), std::string::npos);
    EXPECT_EQ(c.Changes().size(), 1u) << typed;  // the message only
    EXPECT_EQ(c.State(), ScheduleState::Idle);
  }
}

TEST(ClientWindow, ArmedWindowStillTakesEditsAndTransfersByHand) {
  Client c;
  c.window.OnArmClicked();
  c.window.OnTransferNowClicked();
  EXPECT_EQ(c.State(), ScheduleState::Armed);
  c.form.checks["推送到服务端"] = true;  // edited before the first tick
  c.form.calls.clear();
  c.platform.events.clear();
  c.window.OnScheduleTick();
  Calls expected = Each("disable", kInputs);
  expected.push_back("disable 开始同步");
  EXPECT_EQ(c.Changes(), expected);
  EXPECT_EQ(c.State(), ScheduleState::Repeating);
  ASSERT_EQ(c.platform.commands.size(), 2u);
  EXPECT_EQ(c.platform.commands[0].line, kPull);
  EXPECT_EQ(c.platform.commands[1].line,
            "cmd.exe /c D:\\Tools\\Sync\\bin\\rsync -avz --progress  --partial --port=873   "
            "/cygdrive/c/test test@127.0.0.1::test");
  // The inputs are locked before the settings are read.
  auto lastLock = std::find(c.platform.events.begin(), c.platform.events.end(), "disable 开始同步");
  auto firstRead = std::find(c.platform.events.begin(), c.platform.events.end(), "text 服务端IP");
  EXPECT_LT(lastLock, firstRead);
}

TEST(ClientWindow, EveryTickStartsTheSameTransfer) {
  Client c;
  c.form.checks["用户认证"] = true;
  c.window.OnArmClicked();
  for (int i = 0; i < 3; ++i) c.window.OnScheduleTick();
  EXPECT_EQ(c.State(), ScheduleState::Repeating);
  ASSERT_EQ(c.platform.commands.size(), 3u);
  EXPECT_EQ(c.platform.commands[2].line, c.platform.commands[0].line);
  EXPECT_EQ(std::count(c.platform.events.begin(), c.platform.events.end(),
                       "write D:\\Tools\\Sync\\rsync.secrets"),
            3);
}

TEST(ClientWindow, CancelRunsItsStepsInOrderFromArmedAndRepeating) {
  for (int ticks : {0, 2}) {
    Client c;
    c.window.OnArmClicked();
    for (int i = 0; i < ticks; ++i) c.window.OnScheduleTick();
    c.form.calls.clear();
    c.window.OnCancelClicked();
    Calls expected = Each("enable", kInputs);
    for (const char* step : {"disable 定时同步时间", "enable 定时同步", "disable 取消定时",
                             "show 定时同步", "hide 取消定时", "enable 开始同步"}) {
      expected.push_back(step);
    }
    EXPECT_EQ(c.Changes(), expected) << ticks;
    EXPECT_EQ(c.State(), ScheduleState::Idle) << ticks;
  }
}

TEST(ClientWindow, ArmingAgainReadsTheNewValue) {
  Client c;
  c.window.OnArmClicked();
  c.window.OnCancelClicked();
  c.form.texts["定时同步值"] = "2";
  c.window.OnArmClicked();
  EXPECT_EQ(c.form.intervals["定时同步时间"], 120000);
}

TEST(ClientWindow, AnUnwritablePasswordFileIsShownAndNothingStarts) {
  Client c;
  c.form.checks["用户认证"] = true;
  c.platform.unwritable.insert("D:\\Tools\\Sync\\rsync.secrets");
  c.window.OnTransferNowClicked();
  EXPECT_TRUE(c.platform.commands.empty());
  ASSERT_EQ(c.form.messages.size(), 1u);
  EXPECT_NE(c.form.messages[0].text.find("rsync.secrets"), std::string::npos);
}

// A tick whose transfer cannot start cancels the schedule with one message, as refused input does:
// every later tick would fail the same way. Ticks that come while the message is open stack no
// more messages.
TEST(ClientWindow, ATickThatCannotStartItsTransferCancelsTheScheduleWithOneMessage) {
  struct Case {
    const char* name;
    void (*prepare)(Client&);
    const char* named;
  } cases[] = {
      {"rsync.secrets unwritable",
       [](Client& c) {
         c.form.checks["用户认证"] = true;
         c.platform.unwritable.insert("D:\\Tools\\Sync\\rsync.secrets");
       },
       "rsync.secrets"},
      {"rsync cannot be started", [](Client& c) { c.platform.failCommands = true; }, "无法启动"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Client client;
    client.window.OnArmClicked();
    c.prepare(client);
    int nested = 0;
    client.form.onMessage = [&] {
      if (nested++ < 3) client.window.OnScheduleTick();
    };
    client.window.OnScheduleTick();
    ASSERT_EQ(client.form.messages.size(), 1u);
    EXPECT_NE(client.form.messages[0].text.find(c.named), std::string::npos)
        << client.form.messages[0].text;
    EXPECT_NE(client.form.messages[0].text.find("定时同步已取消"), std::string::npos);
    EXPECT_EQ(client.State(), ScheduleState::Idle);
    // The cancel comes before the message.
    const Calls changes = client.Changes();
    const auto message = std::find_if(changes.begin(), changes.end(), [](const std::string& s) {
      return s.rfind("message ", 0) == 0;
    });
    ASSERT_NE(message, changes.begin());
    EXPECT_EQ(*(message - 1), "enable 开始同步");
  }
}

TEST(ClientWindow, FollowsEveryTransferItStartsToItsEnd) {
  enum class Start { Click, Tick };
  struct Case {
    const char* name;
    Start start;
    int status;
    bool told;
    bool closeFirst = false;  // the window closes while the transfer runs
  } cases[] = {
      {"click succeeds", Start::Click, 0, false},
      {"click fails", Start::Click, 5, true},
      {"tick fails", Start::Tick, 23, true},
      {"closed while running", Start::Click, 137, false, true},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    Client c;
    if (k.start == Start::Tick) {
      c.window.OnArmClicked();
      c.window.OnScheduleTick();
    } else {
      c.window.OnTransferNowClicked();
    }
    ASSERT_EQ(c.platform.watches.size(), 1u);
    if (k.closeFirst) c.window.OnClosing();
    c.platform.watches[0]->End(k.status);

    const std::string& log = c.platform.files["D:\\Tools\\Sync\\mirvo-transfers.log"].bytes;
    EXPECT_EQ(log.find("\t" + std::to_string(k.status) + "\t") != std::string::npos, !k.closeFirst)
        << log;
    ASSERT_EQ(c.notifier.notices.size(), k.told ? 1u : 0u);
    if (k.told) {
      EXPECT_NE(c.notifier.notices[0].text.find(DescribeRsyncExit(k.status)), std::string::npos);
    }
    // A transfer that ran and failed leaves the schedule as it was.
    EXPECT_EQ(c.State(), k.start == Start::Tick ? ScheduleState::Repeating : ScheduleState::Idle);
    EXPECT_TRUE(c.form.messages.empty()) << "the notifier tells failures, not the window";
  }
}

}  // namespace
}  // namespace mirvo
