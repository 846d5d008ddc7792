#include "screens/screen_navigator.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "foundation/control_names.h"
#include "foundation/control_report.h"
#include "support/fake_form.h"
#include "support/fake_platform.h"
#include "support/fake_window_frame.h"
#include "tray/notify_icon_record.h"

namespace mirvo::screens {
namespace {

using testing::FakeForm;
using testing::FakePlatform;
using testing::FakeWindowFrame;
using Calls = std::vector<std::string>;

// A window made from its layout: a FakeForm with the layout's controls, a FakeWindowFrame, and the
// screen's event sink, so that a test can click and tick as the adapters do.
struct FakeWindow : NativeWindow {
  FakeWindow(const layout::WindowLayout& layout, WindowEvents& sink, Calls& sharedLog)
      : name(layout.name), events(sink), log(sharedLog), form(FakeForm::FromLayout(layout)) {}
  Form& Controls() override { return form; }
  WindowFrame& Frame() override { return frame; }
  void Show() override {
    log.push_back("show " + name);
    events.OnResize();  // the first display is a resize notification, as on both adapters
  }
  void Destroy() override { log.push_back("destroy " + name); }

  std::string name;
  WindowEvents& events;
  Calls& log;
  FakeForm form;
  FakeWindowFrame frame;
};

struct FakeFactory : WindowFactory {
  std::unique_ptr<NativeWindow> MakeWindow(const layout::WindowLayout& layout,
                                           WindowEvents& events) override {
    log.push_back("make " + std::string(layout.name));
    auto window = std::make_unique<FakeWindow>(layout, events, log);
    made[std::string(layout.name)] = window.get();
    return window;
  }
  void Quit() override { log.push_back("quit"); }
  void ExitNow() override { log.push_back("exit"); }
  void Post(std::function<void()> work) override { posted.push_back(std::move(work)); }
  // The event loop comes to the posted work, in the order it was posted.
  void RunPosted() {
    while (!posted.empty()) {
      std::function<void()> work = std::move(posted.front());
      posted.erase(posted.begin());
      work();
    }
  }

  Calls log;
  std::vector<std::function<void()>> posted;
  std::map<std::string, FakeWindow*> made;
};

class ScreenNavigatorTest : public ::testing::Test {
 protected:
  ScreenNavigatorTest() {
    platform.files[platform.folder + "\\bin\\rsync.exe"] = {"MZ"};
    previous = SetUnknownControlReporter([this](const std::string& r) { reports.push_back(r); });
  }
  ~ScreenNavigatorTest() override { SetUnknownControlReporter(previous); }

  FakeWindow& Made(std::string_view name) { return *factory.made.at(std::string(name)); }
  bool Ran(const std::string& fragment) const {
    return std::any_of(platform.commands.begin(), platform.commands.end(),
                       [&](const auto& c) { return c.line.find(fragment) != std::string::npos; });
  }

  FakePlatform platform;
  FakeFactory factory;
  ScreenNavigator navigator{factory, platform};
  Calls reports;
  UnknownControlReporter previous;
};

TEST_F(ScreenNavigatorTest, EachWindowIsMadeAndLoadedOnceThenShown) {
  navigator.ShowWindow(names::kServerWindow);
  navigator.ShowWindow(names::kServerWindow);
  EXPECT_EQ(factory.log, (Calls{"make 服务端", "show 服务端", "show 服务端"}));
  // The load step of a working window puts its icon in the tray before the first display.
  EXPECT_EQ(Made(names::kServerWindow).frame.added.size(), 1u);
  EXPECT_EQ(Made(names::kServerWindow).frame.added[0].szTip.rfind("MIRVO服务端", 0), 0u);
  EXPECT_NE(navigator.Loaded(names::kServerWindow), nullptr);
  EXPECT_EQ(navigator.Loaded(names::kClientWindow), nullptr);

  navigator.ShowWindow("客户");
  EXPECT_EQ(reports, Calls{"MIRVO: Navigator: no control named 客户 (ShowWindow)"});
  EXPECT_EQ(factory.log.size(), 3u) << "no window for a name the program does not have";
}

TEST_F(ScreenNavigatorTest, AConsoleWithoutRsyncEndsTheProgramUnshown) {
  platform.files.clear();
  navigator.ShowWindow(names::kConsoleWindow);
  EXPECT_EQ(factory.log, (Calls{"make 主界面", "exit", "exit"}))
      << "the console's own exit, then the navigator's for the failed load";
  ASSERT_EQ(Made(names::kConsoleWindow).form.messages.size(), 1u);
  EXPECT_EQ(Made(names::kConsoleWindow).form.messages[0].text,
            "请将Rsync的bin文件夹放到此目录下！");
}

TEST_F(ScreenNavigatorTest, TheConsoleHandsOverBeforeItGoes) {
  const struct {
    std::string_view button;
    std::string_view working;
  } cases[] = {{names::console::kStartServer, names::kServerWindow},
               {names::console::kStartClient, names::kClientWindow}};
  for (const auto& c : cases) {
    FakeFactory f;
    ScreenNavigator n{f, platform};
    n.ShowWindow(names::kConsoleWindow);
    f.made.at(std::string(names::kConsoleWindow))->events.OnClick(c.button);
    const std::string working(c.working);
    EXPECT_EQ(f.log, (Calls{"make 主界面", "show 主界面", "make " + working, "show " + working,
                            "destroy 主界面"}))
        << c.button;
    EXPECT_EQ(n.Loaded(names::kConsoleWindow), nullptr);
    EXPECT_NE(n.Loaded(c.working), nullptr);
    EXPECT_EQ(n.LoadedWindows().size(), 1u);
  }
}

TEST_F(ScreenNavigatorTest, ClicksAndTicksReachTheirWindowsLogic) {
  navigator.ShowWindow(names::kServerWindow);
  FakeWindow& server = Made(names::kServerWindow);
  server.events.OnClick(names::server::kStart);
  EXPECT_TRUE(Ran("--daemon"));
  EXPECT_FALSE(server.form.enabled.at(std::string(names::server::kStart)));
  // The daemon ends during its start check: the tick brings the window back to Stopped.
  platform.watches.back()->ended = true;
  platform.watches.back()->exitStatus = 10;
  server.form.onMessage = [] {};
  server.events.OnTimer(names::server::kStartCheckTimer);
  EXPECT_TRUE(server.form.enabled.at(std::string(names::server::kStart)));
  EXPECT_EQ(server.form.messages.size(), 1u);
  server.events.OnClick(names::server::kStop);
  EXPECT_TRUE(Ran("taskkill"));

  navigator.ShowWindow(names::kClientWindow);
  FakeWindow& client = Made(names::kClientWindow);
  client.form.texts[std::string(names::client::kServerAddress)] = "127.0.0.1";
  client.events.OnClick(names::client::kTransferNow);
  EXPECT_TRUE(Ran("127.0.0.1::test"));
  client.events.OnClick(names::client::kArm);
  EXPECT_FALSE(client.form.visible.at(std::string(names::client::kArm)));
  const std::size_t before = platform.commands.size();
  client.events.OnTimer(names::client::kScheduleTimer);
  EXPECT_EQ(platform.commands.size(), before + 1);
  client.events.OnClick(names::client::kCancel);
  EXPECT_TRUE(client.form.visible.at(std::string(names::client::kArm)));
  EXPECT_TRUE(reports.empty());

  // A control without a handler is reported, never silently dropped.
  client.events.OnClick("启动服务");
  server.events.OnTimer(names::client::kScheduleTimer);
  EXPECT_EQ(reports, (Calls{"MIRVO: 客户端: no control named 启动服务 (click)",
                            "MIRVO: 服务端: no control named 定时同步时间 (tick)"}));
}

// What the tray lifecycle does with them is its own test's; here each event reaches it.
TEST_F(ScreenNavigatorTest, WorkingWindowsFollowTheTrayLifecycle) {
  navigator.ShowWindow(names::kClientWindow);
  FakeWindow& client = Made(names::kClientWindow);
  FakeWindowFrame& frame = client.frame;
  frame.minimized = true;
  client.events.OnResize();
  EXPECT_TRUE(frame.hidden) << "minimized into the tray";

  // The double-click, once as the tray reports it on Linux and once as a pointer move whose X is
  // the mouse message (Windows).
  for (const auto& deliver :
       {std::function<void()>([&] { client.events.OnTrayDoubleClick(); }),
        std::function<void()>(
            [&] { client.events.OnPointerMove(kLeftDoubleClickCode * frame.twipsPerPixel); })}) {
    frame.calls.clear();
    frame.hidden = frame.minimized = true;
    deliver();
    ASSERT_FALSE(frame.calls.empty());
    EXPECT_EQ(frame.calls.front(), "ShowRestored");
    EXPECT_EQ(frame.calls.back(), "GiveFocus");
  }
}

// A right-click opens the icon's menu and runs the entry chosen; a click on the balloon (choice -1)
// brings the window back, and the client window also opens its result log.
TEST_F(ScreenNavigatorTest, TheTrayMenuAndTheBalloonClick) {
  const std::string menu = "TrayMenu 显示窗口 退出,",
                    logMenu = "TrayMenu 显示窗口 打开同步记录 退出,";
  const std::string shown = "ShowRestored,MoveTo 0 0,GiveFocus,",
                    opened = "open file D:\\Tools\\Sync\\mirvo-transfers.log";
  const struct {
    std::string_view window;
    int choice;
    bool log;
    std::string calls, events, message;
  } cases[] = {
      {names::kServerWindow, 0, true, menu + shown, "", ""},
      {names::kServerWindow, 1, true, menu + "RemoveTrayIcon MIRVO服务端,ExitNow,", "run hidden",
       ""},
      {names::kClientWindow, 1, false, logMenu, "",
       "还没有一次同步结束，同步记录 mirvo-transfers.log 尚未生成。"},
      {names::kClientWindow, 1, true, logMenu, opened, ""},
      {names::kClientWindow, -1, true, shown, opened, ""},
  };
  for (const auto& c : cases) {
    FakePlatform p;
    FakeFactory f;
    ScreenNavigator n{f, p};
    n.ShowWindow(c.window);
    FakeWindow& window = *f.made.at(std::string(c.window));
    if (c.log) p.files[p.folder + "\\mirvo-transfers.log"] = {};
    window.frame.menuChoice = static_cast<std::size_t>(c.choice);
    window.frame.calls.clear();
    c.choice < 0 ? window.events.OnTrayMessageClick() : window.events.OnTrayRightClick();
    std::string calls, events, messages;
    for (const std::string& call : window.frame.calls) calls += call + ",";
    for (const std::string& event : p.events) events += event.substr(0, event.find(" cmd.exe"));
    for (const auto& m : window.form.messages) messages += m.text;
    EXPECT_EQ(calls + events + messages, c.calls + c.events + c.message);
  }
}

// The close steps of a working window are checked with the outside requests below, which take the
// same path; the console's close box simply closes it.
TEST_F(ScreenNavigatorTest, TheConsolesCloseBoxClosesIt) {
  navigator.ShowWindow(names::kConsoleWindow);
  factory.log.clear();
  EXPECT_FALSE(Made(names::kConsoleWindow).events.OnCloseRequest());
  EXPECT_EQ(factory.log, Calls{"quit"});
}

TEST_F(ScreenNavigatorTest, AFailedTransferIsToldFromTheTrayOrWhereTheUserSeesIt) {
  enum class Shown { Showing, Minimized, Hidden };
  const struct {
    const char* name;
    bool tray;
    Shown shown;
    bool balloon;
    bool box;
  } cases[] = {
      {"tray, showing", true, Shown::Showing, true, false},
      {"tray, hidden in it", true, Shown::Hidden, true, false},
      {"no tray, showing", false, Shown::Showing, false, true},
      {"no tray, minimized", false, Shown::Minimized, false, false},
      {"no tray, hidden", false, Shown::Hidden, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakePlatform p;
    FakeFactory f;
    ScreenNavigator n{f, p};
    n.ShowWindow(names::kClientWindow);
    FakeWindow& client = *f.made.at(std::string(names::kClientWindow));
    client.form.texts[std::string(names::client::kServerAddress)] = "127.0.0.1";
    client.frame.trayAvailable = c.tray;
    client.events.OnClick(names::client::kTransferNow);
    client.frame.minimized = c.shown == Shown::Minimized;
    client.frame.hidden = c.shown == Shown::Hidden;
    ASSERT_EQ(p.watches.size(), 1u);
    p.watches[0]->End(5);

    EXPECT_EQ(client.frame.trayMessages.size(), c.balloon ? 1u : 0u);
    ASSERT_EQ(client.form.messages.size(), c.box ? 1u : 0u);
    for (const std::string& text : client.frame.trayMessages) {
      EXPECT_NE(text.find("拉取失败：模块“test”，服务端 127.0.0.1"), std::string::npos) << text;
    }
    if (c.box) {
      EXPECT_EQ(client.form.messages[0].title, "MIRVO客户端");
    }
  }
  EXPECT_TRUE(reports.empty());
}

TEST_F(ScreenNavigatorTest, ClosingTheClientTellsNothingOfTheTransfersItEnds) {
  navigator.ShowWindow(names::kClientWindow);
  FakeWindow& client = Made(names::kClientWindow);
  client.form.texts[std::string(names::client::kServerAddress)] = "127.0.0.1";
  client.events.OnClick(names::client::kTransferNow);
  EXPECT_TRUE(client.events.OnCloseRequest());
  // Were its end told on the way out, the killed transfer is no longer followed.
  platform.watches[0]->End(128 + 9);
  EXPECT_TRUE(client.frame.trayMessages.empty());
  EXPECT_TRUE(client.form.messages.empty());
  EXPECT_EQ(platform.files.count(platform.folder + "\\mirvo-transfers.log"), 0u);
}

// A request from outside the windows (the session ends, a signal) closes the working window as its
// close box does; with only the console open the program simply ends. The stop at an exit without
// windows runs once, and never for the console alone.
TEST_F(ScreenNavigatorTest, OutsideCloseRequestsAndTheExitWithoutWindows) {
  struct Case {
    std::string_view window;
    Calls factoryLog;
    Calls frameCalls;
    std::size_t stopsAtExit;
  } cases[] = {
      {names::kConsoleWindow, {"exit"}, {}, 0},
      {names::kServerWindow, {}, {"RemoveTrayIcon MIRVO服务端", "ExitNow"}, 1},
      {names::kClientWindow, {}, {"RemoveTrayIcon MIRVO客户端", "ExitNow"}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.window));
    FakePlatform p;
    p.files[p.folder + "\\bin\\rsync.exe"] = {"MZ"};
    FakeFactory f;
    ScreenNavigator n{f, p};
    n.ShowWindow(c.window);
    f.log.clear();
    FakeWindow& window = *f.made.at(std::string(c.window));
    window.frame.calls.clear();
    p.commands.clear();
    n.CloseRequest();
    EXPECT_EQ(f.log, c.factoryLog);
    EXPECT_EQ(window.frame.calls, c.frameCalls);
    EXPECT_EQ(p.commands.size(), c.frameCalls.empty() ? 0u : 1u);

    p.commands.clear();
    n.StopRsyncAtExit();
    n.StopRsyncAtExit();
    ASSERT_EQ(p.commands.size(), c.stopsAtExit);
    if (c.stopsAtExit != 0) {
      EXPECT_EQ(p.commands[0].line, "cmd.exe /c taskkill /F /im rsync.exe");
      EXPECT_EQ(p.commands[0].mode, WindowMode::Hidden);
    }
  }
}

// A message box runs an event loop of its own in which the timers keep ticking: such a tick is
// dropped, never run inside the click or tick handler that opened the box.
TEST_F(ScreenNavigatorTest, ATickDuringAHandlersMessageBoxIsDropped) {
  navigator.ShowWindow(names::kClientWindow);
  FakeWindow& client = Made(names::kClientWindow);
  client.form.texts[std::string(names::client::kServerAddress)] = "127.0.0.1";
  client.events.OnClick(names::client::kArm);
  ASSERT_TRUE(client.form.enabled.at(std::string(names::client::kScheduleTimer)));

  struct Case {
    const char* name;
    std::function<void()> openBox;  // a handler that shows a message
  } cases[] = {
      {"click 开始同步 that cannot start rsync",
       [&] { client.events.OnClick(names::client::kTransferNow); }},
      {"schedule tick that cannot start rsync",
       [&] { client.events.OnTimer(names::client::kScheduleTimer); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    client.form.messages.clear();
    platform.failCommands = true;
    std::size_t commandsInBox = 0;
    client.form.onMessage = [&] {
      platform.failCommands = false;
      const std::size_t before = platform.commands.size();
      for (int i = 0; i < 3; ++i) client.events.OnTimer(names::client::kScheduleTimer);
      commandsInBox = platform.commands.size() - before;
    };
    c.openBox();
    client.form.onMessage = nullptr;
    EXPECT_EQ(client.form.messages.size(), 1u);
    EXPECT_EQ(commandsInBox, 0u) << "no transfer started by a tick inside the box";
  }
  // Once no handler runs, a tick runs again (the schedule is armed anew: the failed tick ended it).
  client.events.OnClick(names::client::kArm);
  const std::size_t before = platform.commands.size();
  client.events.OnTimer(names::client::kScheduleTimer);
  EXPECT_EQ(platform.commands.size(), before + 1);
  EXPECT_TRUE(reports.empty());
}

// Work posted to the main thread (a command's end) runs from the event loop as a handler of its
// own: never inside the call, never inside a running handler's message box, and never dropped.
TEST_F(ScreenNavigatorTest, PostedWorkWaitsForTheRunningHandlerAndRunsAsOne) {
  navigator.ShowWindow(names::kClientWindow);
  FakeWindow& client = Made(names::kClientWindow);
  client.form.texts[std::string(names::client::kServerAddress)] = "127.0.0.1";
  Calls order;
  navigator.Post([&] { order.push_back("outside"); });
  EXPECT_TRUE(order.empty());
  factory.RunPosted();

  client.form.onMessage = [&] {
    navigator.Post([&] { order.push_back("posted in the box"); });
    factory.RunPosted();  // the box's own loop
    order.push_back("box closed");
  };
  client.form.texts[std::string(names::client::kIntervalMinutes)] = "x";
  client.events.OnClick(names::client::kArm);  // a refused interval opens a box
  factory.RunPosted();
  EXPECT_EQ(order, (Calls{"outside", "box closed", "posted in the box"}));

  // A tick inside posted work's own box is dropped, as inside a click's.
  client.form.texts[std::string(names::client::kIntervalMinutes)] = "1";
  client.events.OnClick(names::client::kArm);
  client.form.onMessage = [&] { client.events.OnTimer(names::client::kScheduleTimer); };
  const std::size_t before = platform.commands.size();
  navigator.Post([&] { client.form.ShowMessage("", ""); });
  factory.RunPosted();
  EXPECT_EQ(platform.commands.size(), before);
  EXPECT_TRUE(reports.empty());
}

// Every button and timer of each layout reaches a handler of its window: a misspelt name in a
// screen leaves its control unhandled, which is reported.
TEST(ScreenWiring, EveryButtonAndTimerOfTheLayoutsHasItsHandler) {
  std::vector<std::string> reports;
  UnknownControlReporter previous =
      SetUnknownControlReporter([&](const std::string& r) { reports.push_back(r); });
  for (const layout::WindowLayout* window :
       {&layout::ConsoleLayout(), &layout::ServerLayout(), &layout::ClientLayout()}) {
    for (const layout::ControlLayout& control : window->controls) {
      const bool button = control.kind == layout::ControlKind::Button;
      if (!button && control.kind != layout::ControlKind::Timer) continue;
      SCOPED_TRACE(std::string(window->name) + " " + std::string(control.name));
      FakePlatform platform;
      platform.files[platform.folder + "\\bin\\rsync.exe"] = {"MZ"};
      FakeFactory factory;
      ScreenNavigator navigator{factory, platform};
      navigator.ShowWindow(window->name);
      FakeWindow& made = *factory.made.at(std::string(window->name));
      made.form.onMessage = [] {};
      if (button) made.events.OnClick(control.name);
      if (!button) made.events.OnTimer(control.name);
      EXPECT_TRUE(reports.empty()) << reports.front();
      reports.clear();
    }
  }
  SetUnknownControlReporter(previous);
}

}  // namespace
}  // namespace mirvo::screens
