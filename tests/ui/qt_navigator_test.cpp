#include "ui/qt/qt_navigator.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

#include <signal.h>

#include "qt_test_app.h"
#include "support/fake_platform.h"
#include "ui/qt/session_end.h"

namespace mirvo::ui {
namespace {

using testing::ProcessUntil;

class QtNavigatorTest : public testing::WithApplication {
 protected:
  QtNavigatorTest() { platform.files[platform.folder + "\\bin\\rsync.exe"] = {}; }

  QPushButton* Button(std::string_view window, const char* name) {
    return navigator.Window(window)->findChild<QPushButton*>(name);
  }
  std::vector<std::string> CommandLines() const {
    std::vector<std::string> lines;
    for (const auto& command : platform.commands) lines.push_back(command.line);
    return lines;
  }

  mirvo::testing::FakePlatform platform;
  QtNavigator navigator{platform};
};

TEST_F(QtNavigatorTest, TheConsoleHandsOverToTheServerWindowAndGoes) {
  navigator.ShowWindow("主界面");
  ASSERT_NE(navigator.Window("主界面"), nullptr);
  QPointer<QWidget> console = navigator.Window("主界面");
  EXPECT_TRUE(console->isVisible());

  Button("主界面", "启动服务端")->click();
  ASSERT_NE(navigator.Window("服务端"), nullptr);
  EXPECT_TRUE(navigator.Window("服务端")->isVisible());
  EXPECT_EQ(navigator.Window("主界面"), nullptr);
  EXPECT_TRUE(ProcessUntil([&] { return console.isNull(); })) << "the console is destroyed";
  EXPECT_EQ(navigator.Window("客户端"), nullptr) << "never both working windows";
}

TEST_F(QtNavigatorTest, ServerButtonsReachTheirLogic) {
  navigator.ShowWindow("服务端");
  LayoutWindow& server = *navigator.Window("服务端");
  server.findChild<QLineEdit*>("端口号")->setText("18730");
  server.findChild<QCheckBox*>("限速")->setChecked(true);

  Button("服务端", "启动服务")->click();
  ASSERT_EQ(platform.commands.size(), 1u);
  EXPECT_NE(platform.commands[0].line.find("--port=18730   --bwlimit=2000  --daemon"),
            std::string::npos)
      << platform.commands[0].line;
  EXPECT_FALSE(Button("服务端", "启动服务")->isEnabled());
  EXPECT_TRUE(Button("服务端", "停止服务")->isEnabled());
  EXPECT_FALSE(server.findChild<QLineEdit*>("共享路径")->isEnabled());

  Button("服务端", "停止服务")->click();
  EXPECT_EQ(CommandLines().back(), "cmd.exe /c taskkill /F /im rsync.exe");
  // Until the kill has ended, the window waits with neither button.
  EXPECT_FALSE(Button("服务端", "启动服务")->isEnabled());
  EXPECT_FALSE(Button("服务端", "停止服务")->isEnabled());
  platform.watches.back()->ended = true;
  EXPECT_TRUE(ProcessUntil([&] { return server.findChild<QLineEdit*>("共享路径")->isEnabled(); }));
  EXPECT_TRUE(Button("服务端", "启动服务")->isEnabled());
}

TEST_F(QtNavigatorTest, ClientButtonsAndTimerReachTheirLogic) {
  navigator.ShowWindow("客户端");
  LayoutWindow& client = *navigator.Window("客户端");
  client.findChild<QLineEdit*>("服务端IP")->setText("127.0.0.1");

  Button("客户端", "开始同步")->click();
  ASSERT_EQ(platform.commands.size(), 1u);
  EXPECT_NE(platform.commands[0].line.find("test@127.0.0.1::test"), std::string::npos);
  EXPECT_EQ(platform.commands[0].mode, WindowMode::NormalFocus);

  // 0.001 minutes: a tick every 60 ms.
  client.findChild<QLineEdit*>("定时同步值")->setText("0.001");
  Button("客户端", "定时同步")->click();
  EXPECT_FALSE(Button("客户端", "定时同步")->isVisible());
  EXPECT_TRUE(Button("客户端", "取消定时")->isVisible());
  ASSERT_TRUE(ProcessUntil([&] { return platform.commands.size() >= 3; }));
  EXPECT_FALSE(client.findChild<QLineEdit*>("服务端IP")->isEnabled());
  EXPECT_FALSE(Button("客户端", "开始同步")->isEnabled());

  Button("客户端", "取消定时")->click();
  const std::size_t cancelled = platform.commands.size();
  testing::ProcessFor(200);
  EXPECT_EQ(platform.commands.size(), cancelled) << "no tick after the cancel";
  EXPECT_TRUE(client.findChild<QLineEdit*>("服务端IP")->isEnabled());
  EXPECT_TRUE(Button("客户端", "开始同步")->isEnabled());
  for (const auto& line : CommandLines()) {
    EXPECT_EQ(line.find("192.168.1.100"), std::string::npos) << line;
  }
}

// The signals a session's end sends reach the event loop as one call each, and the program's own
// handling is gone with the watcher, so that a later signal is not lost on a dead object.
TEST_F(QtNavigatorTest, SessionEndSignalsArriveOnTheEventLoop) {
  int calls = 0;
  {
    SessionEnd sessionEnd([&] { ++calls; }, [] {});
    for (int signal : {SIGTERM, SIGHUP, SIGINT}) {
      const int before = calls;
      raise(signal);
      EXPECT_EQ(calls, before) << "nothing runs inside the signal handler";
      EXPECT_TRUE(ProcessUntil([&] { return calls == before + 1; })) << signal;
    }
  }
  for (int signal : {SIGTERM, SIGHUP, SIGINT}) {
    struct sigaction now {};
    sigaction(signal, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL) << signal;
  }
  EXPECT_EQ(calls, 3);
}

}  // namespace
}  // namespace mirvo::ui
