// Every input box of the server and client windows, filled in turn with text a user should not be
// able to break anything with, and the window's buttons pressed. Each case ends in one of two
// ways only: the exact files and command line the program's rules give, with every value reaching
// rsync as one whole argument; or a message naming the field, nothing written, nothing started,
// and the window usable again.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "client/transfer_command.h"
#include "daemon/daemon_command.h"
#include "daemon/daemon_documents.h"
#include "foundation/ansi_code_page.h"
#include "foundation/command_line.h"
#include "foundation/cygwin_path.h"
#include "foundation/names.h"
#include "foundation/posix/interpreter_line.h"
#include "window_harness.h"

namespace mirvo::hardening {
namespace {

using namespace std::string_literals;
using Words = std::vector<std::string>;

struct BadValue {
  std::string name;
  std::string text;
  bool control;  // holds a control character: must never reach a file line or a command line
};

const std::vector<BadValue>& BadValues() {
  static const std::vector<BadValue> values = {
      {"empty", "", false},
      {"100000 characters", std::string(100000, 'x'), false},
      {"emoji", "照片😀", false},
      {"tab", "a\tb", true},
      {"carriage return", "a\rb", true},
      {"line feed", "a\nb", true},
      {"nul", "a\0b"s, true},
      {"new section", "x]\r\n[y", true},
      {"quotes", "say \"x\" & 'y'", false},
      {"operators", "R&D|x;y$z 50%", false},
      {"variable pair", "%USERPROFILE%\\x", false},
      {"spaces", "d:\\my files\\a b", false},
      {"cygwin form", "/cygdrive/c/x", false},
      {"arabic", "مرحبا", false},
      {"hebrew", "שלום עולם", false},
      {"right-to-left override", "abc\u202Etxt.exe", false},
      {"trailing backslash", "user\\", false},
  };
  return values;
}

// What cmd.exe and then the program's runtime make of a recorded line: its words.
Words WordsOf(const std::string& line, const std::string& program) {
  const std::string prefix = line.substr(0, 11);  // "cmd.exe /c " or "cmd.exe /k "
  auto exists = [&program](std::string_view quoted) { return quoted == program; };
  Words words = SplitWindowsArguments(ApplyInterpreterQuoteRule(line.substr(11), exists));
  // The Linux stand-in takes the line apart the same way.
  Result<InterpreterCommand> parsed = ParseInterpreterLine(line, exists);
  EXPECT_TRUE(parsed.ok()) << prefix;
  if (parsed.ok()) {
    EXPECT_EQ(parsed.value().words, words);
  }
  return words;
}

class BadInputTest : public ui::testing::WithApplication {
 protected:
  BadInputTest() {
    program = root / "MIRVO 程序";  // a space and Chinese, as users' folders have
    std::filesystem::create_directories(program);
  }

  // Files with known old bytes: a refused start must leave them exactly so.
  void PlantOldFiles(const std::vector<std::string>& names) {
    for (const std::string& name : names) root.Write("MIRVO 程序/" + name, "old " + name);
  }
  std::string File(const std::string& name) const { return testing::ReadAll(program + "/" + name); }
  std::string Describe(const std::string& field, const BadValue& value) const {
    return field + " = " + value.name;
  }

  testing::TempFolder root;
  std::string program;
  MessageCatcher messages;
  int cases = 0;
};

TEST_F(BadInputTest, ServerWindowStartsExactlyOrRefusesNamingTheField) {
  RecordingPlatform platform(program);
  WindowUnderTest server(platform, "服务端");
  const std::map<std::string, std::string> defaults = {
      {"共享路径", "c:\\test"}, {"共享名", "test"}, {"端口号", "873"},
      {"限速值", "2000"},       {"用户名", "user"}, {"密码", "504182"}};
  const std::map<std::string, std::string> labels = {{"共享路径", "共享目录"}, {"共享名", "共享名"},
                                                     {"端口号", "端口号"},     {"限速值", "限速值"},
                                                     {"用户名", "用户名"},     {"密码", "密码"}};
  const std::set<std::string> commandFields = {"端口号", "限速值"};
  const std::vector<std::string> inputs = {"共享路径", "共享名",   "端口号", "限速", "限速值",
                                           "只读模式", "用户认证", "用户名", "密码"};
  const std::string rsync = program + "\\bin\\rsync";

  for (const auto& [field, label] : labels) {
    for (const BadValue& value : BadValues()) {
      SCOPED_TRACE(Describe(field, value));
      ++cases;
      for (const auto& [box, text] : defaults) server.SetText(box, text);
      server.SetText(field, value.text);
      server.Check("限速")->setChecked(field == "限速值");
      server.Check("用户认证")->setChecked(field == "用户名" || field == "密码");
      PlantOldFiles({"rsyncd.conf", "rsyncd.secrets"});
      platform.commands.clear();
      messages.texts.clear();

      server.Button("启动服务")->click();

      DaemonSettings expected;
      for (const auto& [box, text] : defaults) {
        const std::string held = server.Text(box);
        if (box == "共享路径") expected.SharePath = held;
        if (box == "共享名") expected.ShareName = held;
        if (box == "端口号") expected.Port = held;
        if (box == "限速值") expected.BandwidthLimit = held;
        if (box == "用户名") expected.UserName = held;
        if (box == "密码") expected.Password = held;
      }
      expected.LimitBandwidth = server.Check("限速")->isChecked();
      expected.Authenticate = server.Check("用户认证")->isChecked();
      const std::string held = server.Text(field);
      EXPECT_EQ(value.text.substr(0, held.size()), held) << "the box holds what was typed";

      const bool mustRefuse =
          value.control || (commandFields.count(field) != 0 &&
                            (value.text.find('"') != std::string::npos ||
                             value.name == "variable pair" || value.name == "100000 characters"));
      const bool mustAccept = value.name == "spaces" || value.name == "cygwin form" ||
                              (value.name == "empty" && field != "共享名");

      if (!messages.texts.empty()) {
        EXPECT_FALSE(mustAccept);
        ASSERT_EQ(messages.texts.size(), 1u);
        EXPECT_NE(messages.texts[0].find("“" + label + "”"), std::string::npos)
            << messages.texts[0];
        EXPECT_NE(messages.texts[0].find("服务没有启动"), std::string::npos);
        EXPECT_TRUE(platform.commands.empty());
        EXPECT_EQ(File("rsyncd.conf"), "old rsyncd.conf") << "nothing written";
        EXPECT_EQ(File("rsyncd.secrets"), "old rsyncd.secrets");
      } else {
        EXPECT_FALSE(mustRefuse);
        ASSERT_EQ(platform.commands.size(), 1u);
        const std::string line = platform.commands[0].line;
        EXPECT_EQ(platform.commands[0].mode, WindowMode::Hidden);
        EXPECT_EQ(line, BuildDaemonCommand(expected, program));
        Words words = {rsync, "--config=/cygdrive/" + CygwinTail(program) + "/rsyncd.conf",
                       "--port=" + expected.Port};
        if (expected.LimitBandwidth) words.push_back("--bwlimit=" + expected.BandwidthLimit);
        words.insert(words.end(), {"--daemon", "--no-detach"});
        EXPECT_EQ(WordsOf(line, rsync), words) << line;
        EXPECT_EQ(File("rsyncd.conf"), BuildDaemonConfig(expected, program) + "\r\n");
        std::string secrets = "\r\n";
        if (expected.Authenticate) {
          secrets = expected.UserName + EncodeAnsi(":" + expected.Password).value() + "\r\n";
        }
        EXPECT_EQ(File("rsyncd.secrets"), secrets);
        EXPECT_FALSE(server.Enabled("启动服务"));
        EXPECT_TRUE(server.Enabled("停止服务"));
        server.Button("停止服务")->click();
        EXPECT_EQ(platform.commands.back().line, std::string(StopDaemonCommand));
        EXPECT_TRUE(ui::testing::ProcessUntil([&] { return server.Enabled("启动服务"); }));
      }
      // Stopped: the window is as usable as before.
      EXPECT_TRUE(server.Enabled("启动服务"));
      EXPECT_FALSE(server.Enabled("停止服务"));
      for (const std::string& input : inputs) EXPECT_TRUE(server.Enabled(input)) << input;
    }
  }
  std::printf("server window: %d cases\n", cases);
}

TEST_F(BadInputTest, ClientWindowTransfersExactlyOrRefusesNamingTheField) {
  RecordingPlatform platform(program);
  WindowUnderTest client(platform, "客户端");
  // Loopback only: the window's default server address is never used.
  const std::map<std::string, std::string> defaults = {
      {"服务端IP", "127.0.0.1"}, {"端口号", "873"},  {"源共享名", "test"},
      {"目的目录", "c:\\test"},  {"用户名", "user"}, {"密码", "504182"}};
  const std::map<std::string, std::string> labels = {
      {"服务端IP", "服务端IP"},      {"端口号", "端口号"}, {"源共享名", "源共享名"},
      {"目的目录", "本地目录"},      {"用户名", "用户名"}, {"密码", "密码"},
      {"定时同步值", "定时同步间隔"}};
  const std::set<std::string> commandFields = {"服务端IP", "端口号", "源共享名", "目的目录",
                                               "用户名"};
  const std::vector<std::string> inputs = {
      "服务端IP",     "端口号",      "源共享名", "目的目录", "推送到服务端", "删除多余文件",
      "启用压缩传输", "保留CMD显示", "用户认证", "用户名",   "密码",         "定时同步值"};
  const std::string rsync = program + "\\bin\\rsync";

  for (const std::string button : {"开始同步", "定时同步"}) {
    for (const auto& [field, label] : labels) {
      for (const BadValue& value : BadValues()) {
        SCOPED_TRACE(button + ": " + Describe(field, value));
        ++cases;
        for (const auto& [box, text] : defaults) client.SetText(box, text);
        client.SetText("定时同步值", "0.0005");  // a tick every 30 ms
        client.SetText(field, value.text);
        client.Check("用户认证")->setChecked(field == "用户名" || field == "密码");
        PlantOldFiles({"rsync.secrets"});
        platform.commands.clear();
        messages.texts.clear();

        client.Button(button)->click();
        if (button == "定时同步" && messages.texts.empty()) {
          EXPECT_TRUE(client.Visible("取消定时"));
          ui::testing::ProcessUntil([&] { return !platform.commands.empty(); }, 3000);
          EXPECT_FALSE(client.Enabled("开始同步")) << "a tick locks the inputs";
          EXPECT_FALSE(client.Enabled(field));
          client.Button("取消定时")->click();
        }

        TransferSettings expected;
        expected.ServerAddress = client.Text("服务端IP");
        expected.Port = client.Text("端口号");
        expected.Module = client.Text("源共享名");
        expected.LocalFolder = client.Text("目的目录");
        expected.Authenticate = client.Check("用户认证")->isChecked();
        expected.UserName = client.Text("用户名");
        expected.Password = client.Text("密码");
        const std::string held = client.Text(field);
        EXPECT_EQ(value.text.substr(0, held.size()), held) << "the box holds what was typed";

        const bool used = field != "定时同步值" || button == "定时同步";
        const bool inCommand = commandFields.count(field) != 0;
        const bool mustRefuse =
            used &&
            (value.control || (field == "定时同步值") ||
             (inCommand && (value.text.find('"') != std::string::npos ||
                            value.name == "variable pair" || value.name == "100000 characters")));
        const bool ordinary =
            value.name == "spaces" || value.name == "cygwin form" || value.name == "empty";
        const bool mustAccept = !used || (ordinary && field != "定时同步值");

        if (!messages.texts.empty()) {
          EXPECT_FALSE(mustAccept);
          ASSERT_EQ(messages.texts.size(), 1u);
          EXPECT_NE(messages.texts[0].find(label), std::string::npos) << messages.texts[0];
          EXPECT_TRUE(platform.commands.empty());
          EXPECT_EQ(File("rsync.secrets"), "old rsync.secrets") << "nothing written";
        } else {
          EXPECT_FALSE(mustRefuse);
          ASSERT_FALSE(platform.commands.empty());
          for (const auto& command : platform.commands) {
            EXPECT_EQ(command.mode, WindowMode::NormalFocus);
            EXPECT_EQ(command.line, BuildTransferCommand(expected, program));
          }
          const std::string line = platform.commands[0].line;
          Words words = {rsync, "-avz", "--progress", "--partial", "--port=" + expected.Port};
          if (expected.Authenticate) {
            words.push_back("--password-file=/cygdrive/" + CygwinTail(program) + "/rsync.secrets");
          }
          const std::string user = expected.Authenticate ? expected.UserName : expected.Module;
          words.push_back(user + "@" + expected.ServerAddress + "::" + expected.Module);
          words.push_back("/cygdrive/" + CygwinTail(expected.LocalFolder));
          EXPECT_EQ(WordsOf(line, rsync), words) << line;
          const std::string secrets = expected.Authenticate
                                          ? EncodeAnsi(expected.Password).value() + "\r\n"
                                          : "old rsync.secrets";
          EXPECT_EQ(File("rsync.secrets"), secrets);
        }
        // Idle: every input, 开始同步 and 定时同步 usable, the schedule off.
        EXPECT_TRUE(client.Enabled("开始同步"));
        EXPECT_TRUE(client.Enabled("定时同步") && client.Visible("定时同步"));
        EXPECT_FALSE(client.Visible("取消定时"));
        EXPECT_FALSE(client.Window().Form().TimerEnabled("定时同步时间"));
        for (const std::string& input : inputs) EXPECT_TRUE(client.Enabled(input)) << input;
      }
    }
  }
  std::printf("client window: %d cases\n", cases);
}

// Settings typed after arming and before the first tick are read by that tick: a refused one
// ends the schedule with a message instead of failing again at every later tick.
TEST_F(BadInputTest, ATickThatMeetsRefusedInputEndsTheSchedule) {
  RecordingPlatform platform(program);
  WindowUnderTest client(platform, "客户端");
  client.SetText("服务端IP", "127.0.0.1");
  client.SetText("定时同步值", "0.001");  // 60 ms
  client.Button("定时同步")->click();
  ASSERT_TRUE(messages.texts.empty());
  client.SetText("目的目录", "d:\\a\nb");
  ASSERT_TRUE(ui::testing::ProcessUntil([&] { return !messages.texts.empty(); }));
  ui::testing::ProcessFor(300);
  EXPECT_EQ(messages.texts.size(), 1u) << "one message, no further ticks";
  EXPECT_NE(messages.texts[0].find("“本地目录”"), std::string::npos);
  EXPECT_NE(messages.texts[0].find("定时同步已取消"), std::string::npos);
  EXPECT_TRUE(platform.commands.empty());
  EXPECT_FALSE(client.Window().Form().TimerEnabled("定时同步时间"));
  EXPECT_TRUE(client.Enabled("目的目录"));
  EXPECT_TRUE(client.Enabled("开始同步"));
  EXPECT_TRUE(client.Visible("定时同步"));
}

}  // namespace
}  // namespace mirvo::hardening
