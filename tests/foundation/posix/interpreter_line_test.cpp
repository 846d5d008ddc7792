#include "foundation/posix/interpreter_line.h"

#include <gtest/gtest.h>

#include <set>

namespace mirvo {
namespace {

const std::set<std::string> kFiles = {"/opt/a b/p",    "/opt/mirvo/bin/rsync.exe", "/opt/tool",
                                      "/opt/tool.exe", "/usr/bin/taskkill.exe",    "/usr/bin/ls"};

bool FakeExists(const std::string& path) { return kFiles.count(path) != 0; }

bool ProgramExists(std::string_view word) {
  return ResolveProgram(word, "/usr/bin", FakeExists).has_value();
}

TEST(ParseInterpreterLine, SplitsTheRestAsCmdDoes) {
  struct Case {
    const char* line;
    bool keepOpen;
    std::vector<std::string> words;
  } cases[] = {
      {"cmd.exe /c /opt/mirvo\\bin\\rsync --port=873    --daemon --no-detach",
       false,
       {"/opt/mirvo\\bin\\rsync", "--port=873", "--daemon", "--no-detach"}},
      {"cmd.exe /k p -avz --progress  --partial --port=873   a b",
       true,
       {"p", "-avz", "--progress", "--partial", "--port=873", "a", "b"}},
      {"CMD.EXE /C p x", false, {"p", "x"}},
      {"cmd.exe /c p trailing   ", false, {"p", "trailing"}},
      {"cmd.exe   /c    p", false, {"p"}},
      {"cmd.exe /c p\ta", false, {"p", "a"}},
      // Shell characters are plain characters: nothing here is an operator.
      {"cmd.exe /c p a;b $HOME %PATH% `x` a|b",
       false,
       {"p", "a;b", "$HOME", "%PATH%", "`x`", "a|b"}},
      {"cmd.exe /c p \"two words\" \"\" end", false, {"p", "two words", "", "end"}},
      // Exactly two quotes around an existing program with a space: kept as they are.
      {"cmd.exe /c \"/opt/a b/p\" --x y", false, {"/opt/a b/p", "--x", "y"}},
      // More than two quotes: cmd drops the first and the last one.
      {"cmd.exe /c \"/opt/a b/p\" --x \"arg 1\"  y", false, {"/opt/a", "b/p --x arg", "1", "y"}},
      {"cmd.exe /c \"\"/opt/a b/p\" --x \"arg 1\"  y\"",
       false,
       {"/opt/a b/p", "--x", "arg 1", "y"}},
      // Two quotes around a program that does not exist: dropped as well.
      {"cmd.exe /c \"/opt/no such\" x", false, {"/opt/no", "such", "x"}},
  };
  for (const Case& c : cases) {
    Result<InterpreterCommand> parsed = ParseInterpreterLine(c.line, ProgramExists);
    ASSERT_TRUE(parsed.ok()) << c.line << ": " << parsed.error().message;
    EXPECT_EQ(parsed.value().keepOpen, c.keepOpen) << c.line;
    EXPECT_EQ(parsed.value().words, c.words) << c.line;
  }
}

TEST(ParseInterpreterLine, RefusesWhatIsNotAnInterpreterLine) {
  const char* lines[] = {
      "",        "/opt/tool x", "cmd.exe",           "cmd.exe /s x", "cmd.exe /c", "cmd.exe /c    ",
      "sh -c x", "cmd.exe/c x", "cmd.exe /c \"\"   "};
  for (const char* line : lines) {
    Result<InterpreterCommand> parsed = ParseInterpreterLine(line, ProgramExists);
    EXPECT_FALSE(parsed.ok()) << line;
    if (!parsed.ok()) {
      EXPECT_NE(parsed.error().message.find("无法执行命令"), std::string::npos);
    }
  }
}

TEST(ResolveProgram, ReadsBackslashesAndAppendsExeOnlyWhenTheBareNameIsMissing) {
  struct Case {
    const char* word;
    std::optional<std::string> program;
  } cases[] = {
      {"/opt/mirvo\\bin\\rsync", "/opt/mirvo/bin/rsync.exe"},
      {"\\opt\\mirvo\\bin\\rsync.exe", "/opt/mirvo/bin/rsync.exe"},
      {"/opt/tool", "/opt/tool"},  // the bare name exists, so it wins
      {"/opt/tool.exe", "/opt/tool.exe"},
      {"/opt/a b/p", "/opt/a b/p"},
      {"/opt/missing", std::nullopt},
      {"ls", "/usr/bin/ls"},  // no folder: looked up in the search path
      {"taskkill", "/usr/bin/taskkill.exe"},
      {"nothing", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ResolveProgram(c.word, "/nowhere:/usr/bin", FakeExists), c.program) << c.word;
  }
}

TEST(ParseTaskkill, TakesTheSwitchesInAnyCaseAndOrder) {
  struct Case {
    std::vector<std::string> words;
    bool ok;
    bool force;
    const char* name;
  } cases[] = {
      {{"taskkill", "/F", "/im", "rsync.exe"}, true, true, "rsync.exe"},
      {{"TASKKILL.EXE", "/im", "Rsync.EXE", "/f"}, true, true, "Rsync.EXE"},
      {{"taskkill", "/IM", "x"}, true, false, "x"},
      {{"taskkill", "/F"}, false, false, ""},
      {{"taskkill", "/F", "/im"}, false, false, ""},
      {{"taskkill", "/F", "/pid", "12"}, false, false, ""},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(IsTaskkill(c.words));
    Result<TaskkillRequest> request = ParseTaskkill(c.words);
    ASSERT_EQ(request.ok(), c.ok) << c.words.size();
    if (!c.ok) continue;
    EXPECT_EQ(request.value().force, c.force);
    EXPECT_EQ(request.value().imageName, c.name);
  }
  EXPECT_FALSE(IsTaskkill({"/usr/bin/taskkill-not"}));
}

}  // namespace
}  // namespace mirvo
