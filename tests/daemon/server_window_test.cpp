#include "daemon/server_window.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <functional>

#include "daemon/daemon_command.h"
#include "support/fake_form.h"
#include "support/fake_platform.h"

namespace mirvo {
namespace {

using testing::FakeForm;
using testing::FakePlatform;
using Calls = std::vector<std::string>;

const Calls kInputs = {"共享路径", "共享名",   "端口号", "限速", "限速值",
                       "只读模式", "用户认证", "用户名", "密码"};
const char kDefaultCommand[] =
    "cmd.exe /c D:\\Tools\\Sync\\bin\\rsync --config=/cygdrive/D/Tools/Sync/rsyncd.conf "
    "--port=873    --daemon --no-detach";

struct Server {
  FakeForm form = FakeForm::FromLayout(layout::ServerLayout());
  FakePlatform platform;
  ServerWindow window{form, platform};
  Calls log;  // form calls and platform events together, in order

  Server() { form.log = &platform.events; }

  ServerState State() const { return window.State(); }

  Calls Changes() const {
    return form.CallsStartingWith({"enable ", "disable ", "interval ", "message "});
  }
};

Calls Each(const std::string& verb, const Calls& names) {
  Calls calls;
  for (const std::string& name : names) calls.push_back(verb + " " + name);
  return calls;
}

Calls Join(std::initializer_list<Calls> parts) {
  Calls joined;
  for (const Calls& part : parts) joined.insert(joined.end(), part.begin(), part.end());
  return joined;
}

// The fake the window tests stand on: it opens as the layout says and fails a test on a name or
// a call the window does not have.
TEST(FakeForm, OpensAsTheLayoutSaysAndFailsOnWhatTheWindowDoesNotHave) {
  FakeForm form = FakeForm::FromLayout(layout::ServerLayout());
  EXPECT_EQ(form.Text("共享路径"), "c:\\test");
  EXPECT_EQ(form.Text("端口号"), "873");
  EXPECT_TRUE(form.Checked("只读模式"));
  EXPECT_FALSE(form.Checked("限速"));
  EXPECT_TRUE(form.enabled.at("启动服务"));
  EXPECT_FALSE(form.enabled.at("停止服务"));
  EXPECT_FALSE(form.enabled.at("启动检查"));
  EXPECT_FALSE(form.visible.at("启动检查"));
  EXPECT_EQ(form.intervals.at("启动检查"), 500);
  form.SetVisible("Label1", false);  // labels are controls too

  struct Case {
    const char* failure;
    std::function<void(FakeForm&)> call;
  } cases[] = {
      {"no text box 启动服务", [](FakeForm& f) { f.Text("启动服务"); }},
      {"no text box Label1", [](FakeForm& f) { f.Text("Label1"); }},
      {"no text box 共享目录", [](FakeForm& f) { f.Text("共享目录"); }},
      {"no check box 共享名", [](FakeForm& f) { f.Checked("共享名"); }},
      {"no control 停止", [](FakeForm& f) { f.SetEnabled("停止", true); }},
      {"no control 启动", [](FakeForm& f) { f.SetVisible("启动", true); }},
      {"no control 定时同步时间", [](FakeForm& f) { f.SetTimerInterval("定时同步时间", 1); }},
      {"no timer 启动服务", [](FakeForm& f) { f.SetTimerInterval("启动服务", 1); }},
  };
  for (const Case& c : cases) {
    EXPECT_NONFATAL_FAILURE(c.call(form), c.failure);
  }
}

TEST(ServerWindow, StartRunsTheStepsInOrderAndEndsStarting) {
  Server s;
  s.window.OnStartClicked();
  EXPECT_EQ(s.platform.events,
            Join({Each("disable", kInputs),
                  {"text 共享路径", "text 共享名", "text 端口号", "checked 限速", "text 限速值",
                   "checked 只读模式", "checked 用户认证", "text 用户名", "text 密码",
                   "write D:\\Tools\\Sync\\rsyncd.conf", "write D:\\Tools\\Sync\\rsyncd.secrets",
                   "write D:\\Tools\\Sync\\rsyncd.conf",  // the UTF-8 rewrite
                   std::string("run hidden ") + kDefaultCommand, "disable 启动服务",
                   "enable 停止服务", "interval 启动检查 100", "enable 启动检查"}}));
  EXPECT_EQ(s.State(), ServerState::Starting);
  EXPECT_TRUE(s.form.messages.empty());
}

TEST(ServerWindow, CommandFollowsTheInputsAtTheClick) {
  struct Case {
    bool limit;
    std::string limitText;
    std::string command;
  } cases[] = {
      {true, "2000",
       "cmd.exe /c D:\\Tools\\Sync\\bin\\rsync --config=/cygdrive/D/Tools/Sync/rsyncd.conf "
       "--port=873   --bwlimit=2000  --daemon --no-detach"},
      {false, "555", kDefaultCommand},
  };
  for (const Case& c : cases) {
    Server s;
    s.form.checks["限速"] = c.limit;
    s.form.texts["限速值"] = c.limitText;
    s.window.OnStartClicked();
    ASSERT_EQ(s.platform.commands.size(), 1u);
    EXPECT_EQ(s.platform.commands[0].line, c.command);
    EXPECT_EQ(s.platform.commands[0].mode, WindowMode::Hidden);
  }
}

TEST(ServerWindow, ConfigurationNotFoundAfterWritingEndsQuietlyInStartAborted) {
  Server s;
  s.platform.vanishAfterWrite.insert("D:\\Tools\\Sync\\rsyncd.conf");
  s.window.OnStartClicked();
  EXPECT_EQ(s.State(), ServerState::StartAborted);
  EXPECT_TRUE(s.platform.commands.empty());
  EXPECT_TRUE(s.form.messages.empty());
  EXPECT_EQ(s.Changes(), Each("disable", kInputs));

  // Another start, with the values the disabled inputs still hold.
  s.platform.vanishAfterWrite.clear();
  s.window.OnStartClicked();
  EXPECT_EQ(s.State(), ServerState::Starting);
  ASSERT_EQ(s.platform.commands.size(), 1u);
  EXPECT_EQ(s.platform.commands[0].line, kDefaultCommand);
}

TEST(ServerWindow, StopKillsRsyncWaitsUntilItIsGoneThenUnlocksInOrder) {
  Server s;
  s.window.OnStartClicked();
  s.platform.events.clear();
  s.window.OnStopClicked();
  EXPECT_EQ(s.platform.events,
            Calls({"run hidden cmd.exe /c taskkill /F /im rsync.exe", "disable 停止服务",
                   "disable 启动检查", "interval 停止检查 100", "enable 停止检查"}));
  EXPECT_EQ(s.State(), ServerState::Stopping);
  s.platform.watches[0]->End(137);  // the stop check, not the daemon's end, decides
  s.platform.events.clear();
  s.window.OnStopCheckTick();  // the kill has not ended yet
  EXPECT_EQ(s.State(), ServerState::Stopping);
  EXPECT_TRUE(s.form.messages.empty());
  s.platform.watches[1]->ended = true;
  s.platform.events.clear();
  s.window.OnStopCheckTick();
  EXPECT_EQ(s.platform.events, Join({{"disable 停止检查", "enable 启动服务", "disable 停止服务"},
                                     Each("enable", kInputs)}));
  EXPECT_EQ(s.State(), ServerState::Stopped);
  EXPECT_EQ(s.form.texts["共享名"], "test");
  EXPECT_TRUE(s.platform.files.count("D:\\Tools\\Sync\\rsyncd.conf"));
  EXPECT_TRUE(s.form.messages.empty());
}

// The stop waits for every sign of the daemon, one tick at a time, for at most 50 ticks (5 s).
TEST(ServerWindow, TheStopWaitsForTheKillTheImageAndThePortWithinItsBound) {
  struct Case {
    const char* name;
    bool killEnds;
    bool imageStays;
    bool portStays;
    int goneAfterTicks;  // the sign clears after this many ticks; 0: never
    ServerState state;
    int messages;
    const char* named;  // what the message says is left
  } cases[] = {
      {"rsync.exe lingers for 3 ticks", true, true, false, 3, ServerState::Stopped, 0, ""},
      {"port accepts for 49 ticks", true, false, true, 49, ServerState::Stopped, 0, ""},
      {"kill command never ends", false, false, false, 0, ServerState::Running, 1, "taskkill"},
      {"rsync.exe outlives the bound", true, true, false, 0, ServerState::Running, 1,
       "仍有 rsync.exe"},
      {"port still accepts after 5 s", true, false, true, 0, ServerState::Running, 1,
       "端口 873 仍在监听"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Server s;
    s.window.OnStartClicked();
    for (int tick = 0; tick < 20; ++tick) s.window.OnStartCheckTick();  // past the start check
    s.window.OnStopClicked();
    s.platform.watches[1]->ended = c.killEnds;
    if (c.imageStays) s.platform.runningImages.insert("rsync.exe");
    if (c.portStays) s.platform.acceptingPorts.insert(873);
    int ticks = 0;
    while (s.form.enabled["停止检查"] && ticks < 100) {
      ++ticks;
      if (ticks == c.goneAfterTicks) {
        s.platform.runningImages.clear();
        s.platform.acceptingPorts.clear();
      }
      EXPECT_FALSE(s.form.enabled["启动服务"]) << "no start while the stop waits";
      s.window.OnStopCheckTick();
    }
    EXPECT_EQ(s.State(), c.state);
    EXPECT_LE(ticks, 50);
    ASSERT_EQ(s.form.messages.size(), static_cast<std::size_t>(c.messages));
    if (c.messages == 1) {
      EXPECT_EQ(ticks, 50);
      EXPECT_NE(s.form.messages[0].text.find("5 秒内没有结束"), std::string::npos);
      EXPECT_NE(s.form.messages[0].text.find(c.named), std::string::npos)
          << s.form.messages[0].text;
      // 停止服务 can be tried again; meanwhile no timer runs.
      EXPECT_FALSE(s.form.enabled["启动检查"]);
      s.platform.failCommands = false;
      s.window.OnStopClicked();
      EXPECT_EQ(s.State(), ServerState::Stopping);
    }
  }
}

TEST(ServerWindow, RestartWritesTheNewShareNameWithTheSameCommand) {
  Server s;
  s.window.OnStartClicked();
  s.window.OnStopClicked();
  s.form.texts["共享名"] = "photos";
  s.window.OnStartClicked();
  ASSERT_EQ(s.platform.commands.size(), 3u);
  EXPECT_EQ(s.platform.commands[2].line, s.platform.commands[0].line);
  EXPECT_NE(s.platform.files["D:\\Tools\\Sync\\rsyncd.conf"].bytes.find("[photos]\r\n"),
            std::string::npos);
}

TEST(ServerWindow, AStartThatCannotProceedSaysWhyAndReturnsToStopped) {
  struct Case {
    const char* name;
    void (*prepare)(Server&);
    const char* named;  // the file or field the message names
  } cases[] = {
      {"configuration unwritable",
       [](Server& s) { s.platform.unwritable.insert("D:\\Tools\\Sync\\rsyncd.conf"); },
       "rsyncd.conf"},
      {"secrets unwritable",
       [](Server& s) { s.platform.unwritable.insert("D:\\Tools\\Sync\\rsyncd.secrets"); },
       "rsyncd.secrets"},
      {"share path outside the code page", [](Server& s) { s.form.texts["共享路径"] = "d:\\😀"; },
       "共享目录"},
      {"password outside the code page",
       [](Server& s) {
         s.form.checks["用户认证"] = true;
         s.form.texts["密码"] = "\xF0\xA0\x80\x80";
       },
       "密码"},
      {"interpreter cannot start", [](Server& s) { s.platform.failCommands = true; }, "rsync"},
  };
  for (const Case& c : cases) {
    Server s;
    c.prepare(s);
    s.window.OnStartClicked();
    ASSERT_EQ(s.form.messages.size(), 1u) << c.name;
    EXPECT_EQ(s.form.messages[0].title, "注意：");
    EXPECT_NE(s.form.messages[0].text.find(c.named), std::string::npos)
        << c.name << ": " << s.form.messages[0].text;
    EXPECT_EQ(s.State(), ServerState::Stopped) << c.name;
    EXPECT_FALSE(s.form.enabled["启动检查"]) << c.name;
    // The message comes first, then the inputs are unlocked in their order.
    Calls changes = s.Changes();
    Calls tail(changes.end() - 12, changes.end());
    EXPECT_EQ(tail[0].rfind("message 注意：", 0), 0u) << c.name;
    EXPECT_EQ(Calls(tail.begin() + 1, tail.end()),
              Join({{"enable 启动服务", "disable 停止服务"}, Each("enable", kInputs)}));
    if (!s.platform.failCommands) {
      EXPECT_TRUE(s.platform.commands.empty()) << c.name;
    }
  }
}

TEST(ServerWindow, ADaemonThatEndsInItsFirstTwoSecondsIsReportedWithRsyncsWords) {
  struct Case {
    int endsAtTick;
    std::string errorOutput;
    const char* shown;
  } cases[] = {
      {1, "rsync: [Receiver] failed to bind: Address already in use\n", "Address already in use"},
      {20, "rsync error: error in socket IO (code 10)\n", "code 10"},
      {5, "", "立即退出"},
  };
  for (const Case& c : cases) {
    Server s;
    s.window.OnStartClicked();
    ASSERT_EQ(s.platform.watches.size(), 1u);
    for (int tick = 1; tick < c.endsAtTick; ++tick) s.window.OnStartCheckTick();
    EXPECT_EQ(s.State(), ServerState::Starting);
    EXPECT_TRUE(s.form.messages.empty());
    s.platform.watches[0]->ended = true;
    s.platform.watches[0]->exitStatus = 10;
    s.platform.watches[0]->errorOutput = c.errorOutput;
    s.form.calls.clear();
    s.window.OnStartCheckTick();
    ASSERT_EQ(s.form.messages.size(), 1u);
    EXPECT_NE(s.form.messages[0].text.find(c.shown), std::string::npos) << s.form.messages[0].text;
    EXPECT_EQ(s.State(), ServerState::Stopped);
    EXPECT_EQ(s.Changes().front(), "disable 启动检查");
    EXPECT_FALSE(s.form.enabled["启动检查"]);
  }
}

TEST(ServerWindow, AfterTwentyChecksNoTimerRunsAndTheDaemonsEndArrivesAsAnEvent) {
  Server s;
  s.window.OnStartClicked();
  for (int tick = 1; tick < 20; ++tick) s.window.OnStartCheckTick();
  EXPECT_TRUE(s.platform.watches[0]->capturing);
  s.form.calls.clear();
  s.window.OnStartCheckTick();
  // Its output is no longer kept, and nothing ticks while it runs.
  EXPECT_FALSE(s.platform.watches[0]->capturing);
  EXPECT_EQ(s.Changes(), Calls({"enable 停止服务", "disable 启动检查"}));
  EXPECT_EQ(s.State(), ServerState::Running);
  EXPECT_TRUE(s.form.messages.empty());

  // Killed from outside: one message with its reason, then Stopped.
  s.platform.watches[0]->End(128 + 9);
  ASSERT_EQ(s.form.messages.size(), 1u);
  EXPECT_NE(s.form.messages[0].text.find("意外结束"), std::string::npos) << s.form.messages[0].text;
  EXPECT_EQ(s.State(), ServerState::Stopped);
  EXPECT_FALSE(s.form.enabled["启动检查"]);
  // And a new start works.
  s.window.OnStartClicked();
  EXPECT_EQ(s.State(), ServerState::Starting);
  EXPECT_EQ(s.form.intervals["启动检查"], 100);
}

TEST(ServerWindow, AStoppedDaemonsEndToldLateIsNotTheNextOnes) {
  Server s;
  s.window.OnStartClicked();
  s.window.OnStopClicked();
  s.platform.watches[1]->ended = true;  // the kill
  s.window.OnStopCheckTick();
  s.window.OnStartClicked();
  s.platform.watches[0]->End(137);
  EXPECT_EQ(s.State(), ServerState::Starting);
  EXPECT_TRUE(s.form.messages.empty());
}

TEST(ServerWindow, AStopThatCannotStartTheKillKeepsRunning) {
  Server s;
  s.window.OnStartClicked();
  for (int tick = 0; tick < 20; ++tick) s.window.OnStartCheckTick();
  s.platform.failCommands = true;
  s.window.OnStopClicked();
  EXPECT_EQ(s.State(), ServerState::Running);
  ASSERT_EQ(s.form.messages.size(), 1u);
  EXPECT_NE(s.form.messages[0].text.find("无法停止"), std::string::npos);
}

}  // namespace
}  // namespace mirvo
