#include "console/console_window.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/fake_form.h"
#include "support/fake_navigator.h"
#include "support/fake_platform.h"

namespace mirvo {
namespace {

using testing::FakeForm;
using testing::FakeNavigator;
using testing::FakePlatform;
using Calls = std::vector<std::string>;

struct Console {
  FakeForm form = FakeForm::FromLayout(layout::ConsoleLayout());
  FakePlatform platform;
  FakeNavigator navigator;
  ConsoleWindow window{form, platform, navigator};
};

TEST(ConsoleWindow, LoadLooksForRsyncBesideTheProgram) {
  struct Case {
    const char* name;
    const char* file;
    bool hidden;
    bool loads;
  } cases[] = {
      {"present", "D:\\Tools\\Sync\\bin\\rsync.exe", false, true},
      {"missing", nullptr, false, false},
      {"elsewhere", "D:\\Tools\\rsync.exe", false, false},
      {"hidden", "D:\\Tools\\Sync\\bin\\rsync.exe", true, false},
  };
  for (const Case& c : cases) {
    Console k;
    if (c.file != nullptr) k.platform.files[c.file] = {"MZ"};
    if (c.hidden) k.platform.hidden.insert(c.file);
    EXPECT_EQ(k.window.OnLoad(), c.loads) << c.name;
    if (c.loads) {
      EXPECT_TRUE(k.form.calls.empty()) << c.name;
      EXPECT_TRUE(k.navigator.calls.empty()) << c.name;
    } else {
      EXPECT_EQ(k.form.calls, Calls{"message 注意：|请将Rsync的bin文件夹放到此目录下！"}) << c.name;
      EXPECT_EQ(k.navigator.calls, Calls{"exit"}) << c.name;
    }
  }
}

TEST(ConsoleWindow, HandOverShowsTheWorkingWindowBeforeUnloadingTheConsole) {
  Console server;
  server.window.OnServerClicked();
  EXPECT_EQ(server.navigator.calls, (Calls{"show 服务端", "unload 主界面"}));
  Console client;
  client.window.OnClientClicked();
  EXPECT_EQ(client.navigator.calls, (Calls{"show 客户端", "unload 主界面"}));
}

TEST(ConsoleWindow, AboutShowsTheBoxThenOpensTheHomePageEveryTime) {
  Console k;
  k.form.log = &k.platform.events;
  k.window.OnAboutClicked();
  k.window.OnAboutClicked();
  const std::string box = "message 关于：|" + AboutText();
  EXPECT_EQ(k.platform.events,
            (Calls{box, "open https://mirvo.example/", box, "open https://mirvo.example/"}));
  EXPECT_TRUE(k.navigator.calls.empty());
}

TEST(AboutText, FourLinesOfTheFixedShape) {
  const std::string text = AboutText();
  Calls lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  lines.push_back(text.substr(start));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(text.find('\n'), text.find("\r\n") + 1);  // no bare line feeds
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3);
  EXPECT_EQ(lines[0].rfind("本程序作者：", 0), 0u);
  EXPECT_EQ(lines[0].back(), ')');
  EXPECT_NE(lines[0].find('('), std::string::npos);
  EXPECT_EQ(lines[1].rfind("感谢捐助：", 0), 0u);
  EXPECT_EQ(std::count(lines[1].begin(), lines[1].end(), ','), 3);
  EXPECT_EQ(lines[1].back(), ' ');
  EXPECT_EQ(std::count(lines[2].begin(), lines[2].end(), ','), 4);
  EXPECT_EQ(lines[2].substr(lines[2].size() - std::string("（排名不分先后）").size()),
            "（排名不分先后）");
  EXPECT_EQ(lines[3], "程序更新日期：2011/7/12");
  EXPECT_EQ(std::count(text.begin(), text.end(), ' '), 1);  // only the one ending line 2
}

}  // namespace
}  // namespace mirvo
