#include "foundation/command_line.h"

#include <gtest/gtest.h>

#include "foundation/cygwin_path.h"

namespace mirvo {
namespace {

TEST(CygwinTail, RemovesEveryColonThenTurnsBackslashes) {
  struct Case {
    const char* path;
    const char* tail;
  } cases[] = {
      {"c:\\test", "c/test"},
      {"C:\\a:b\\c\\", "C/ab/c/"},
      {"", ""},
      {"E:\\", "E/"},
      {"D:\\Tools\\Sync", "D/Tools/Sync"},
      {"d:\\my files", "d/my files"},
      {"/cygdrive/c/x", "/cygdrive/c/x"},
      {"\\\\server\\share", "//server/share"},
      {"d:\\共享", "d/共享"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CygwinTail(c.path), c.tail) << c.path;
    EXPECT_EQ(CygdrivePath(c.path), "/cygdrive/" + std::string(c.tail)) << c.path;
  }
}

TEST(QuoteArgument, QuotesOnlyWhatWouldSplitOrBeReadAsAnOperator) {
  struct Case {
    const char* argument;
    const char* quoted;
  } cases[] = {
      {"--port=873", "--port=873"},
      {"D:\\Tools\\Sync\\bin\\rsync", "D:\\Tools\\Sync\\bin\\rsync"},
      {"test@A::test", "test@A::test"},
      {"/cygdrive/c/test;$x%y", "/cygdrive/c/test;$x%y"},
      {"C:\\Program Files\\MIRVO\\bin\\rsync", "\"C:\\Program Files\\MIRVO\\bin\\rsync\""},
      {"/cygdrive/D/R&D", "\"/cygdrive/D/R&D\""},
      {"a\tb", "\"a\tb\""},
      {"x|y", "\"x|y\""},
      {"x<y>z", "\"x<y>z\""},
      {"x^y", "\"x^y\""},
      {"(x)", "\"(x)\""},
      {"say \"hi\"", "\"say \\\"hi\\\"\""},
      {"a\\\"b", "\"a\\\\\\\"b\""},
      {"end with space\\", "\"end with space\\\\\""},
      {"a b\\\\", "\"a b\\\\\\\\\""},
  };
  for (const Case& c : cases) EXPECT_EQ(QuoteArgument(c.argument), c.quoted) << c.argument;
}

TEST(QuoteArgument, SplittingAQuotedArgumentGivesItBackWhole) {
  const char* arguments[] = {"plain",       "two words", "tab\there", "q\"uote",
                             "back\\slash", "tail\\",    "tail \\",   "\\\\\"mixed\"",
                             "R&D",         "a  b   c",  "共享 目录", "(x86)",
                             "\"",          "\\",        "x\\\\y z",  ""};
  for (const char* argument : arguments) {
    std::vector<std::string> split = SplitWindowsArguments("prog " + QuoteArgument(argument));
    ASSERT_EQ(split.size(), 2u) << argument;
    EXPECT_EQ(split[1], argument);
  }
}

TEST(SplitWindowsArguments, FollowsTheWindowsRules) {
  struct Case {
    const char* line;
    std::vector<std::string> arguments;
  } cases[] = {
      {"", {}},
      {"   ", {}},
      {"a b", {"a", "b"}},
      {"a    b  ", {"a", "b"}},
      {"  a\t\tb", {"a", "b"}},
      {"--port=873    --daemon --no-detach", {"--port=873", "--daemon", "--no-detach"}},
      {"\"a b\" c", {"a b", "c"}},
      {"a\"b c\"d", {"ab cd"}},
      {"\"\"", {""}},
      {"a \"\" b", {"a", "", "b"}},
      {"\\\\server\\share", {"\\\\server\\share"}},
      {"a\\\\\"b c\"", {"a\\b c"}},
      {"a\\\"b", {"a\"b"}},
      {"\"a\"\"b\"", {"a\"b"}},
      {"\"open", {"open"}},
      {"D:\\R&D x", {"D:\\R&D", "x"}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitWindowsArguments(c.line), c.arguments) << c.line;
}

TEST(InterpreterLine, AddsTheOuterPairExactlyWhenCmdWouldDropQuotes) {
  struct Case {
    const char* rest;
    const char* line;
  } cases[] = {
      // Nothing quoted: the line is the plain concatenation.
      {"D:\\Tools\\Sync\\bin\\rsync --port=873",
       "cmd.exe /c D:\\Tools\\Sync\\bin\\rsync --port=873"},
      // Exactly two quotes around a plain program path with a space: cmd keeps them.
      {"\"C:\\a b\\bin\\rsync\" --x y", "cmd.exe /c \"C:\\a b\\bin\\rsync\" --x y"},
      // More than two quotes: cmd would drop the first and last.
      {"\"C:\\a b\\bin\\rsync\" \"--config=/cygdrive/C/a b/rsyncd.conf\" --x",
       "cmd.exe /c \"\"C:\\a b\\bin\\rsync\" \"--config=/cygdrive/C/a b/rsyncd.conf\" --x\""},
      // Two quotes but an operator between them: cmd would drop them too.
      {"\"D:\\R&D\\bin\\rsync\" -av", "cmd.exe /c \"\"D:\\R&D\\bin\\rsync\" -av\""},
      // Two quotes with no blank between them.
      {"\"D:\\(x)\\bin\\rsync\" -av", "cmd.exe /c \"\"D:\\(x)\\bin\\rsync\" -av\""},
      // A quote later on only: cmd leaves it alone.
      {"D:\\x\\bin\\rsync \"a b\" \"c d\"", "cmd.exe /c D:\\x\\bin\\rsync \"a b\" \"c d\""},
      // cmd starts at the first non-blank: leading blanks do not hide the first quote.
      {" \"a b\" \"c\"", "cmd.exe /c \"\"a b\" \"c\"\""},
  };
  for (const Case& c : cases) EXPECT_EQ(InterpreterLine("/c", c.rest), c.line) << c.rest;
  EXPECT_EQ(InterpreterLine("/k", "x y"), "cmd.exe /k x y");
}

TEST(ApplyInterpreterQuoteRule, UndoesTheOuterPairAndKeepsWhatCmdKeeps) {
  auto exists = [](std::string_view program) { return program == "C:\\a b\\bin\\rsync"; };
  auto none = [](std::string_view) { return false; };
  const char* rests[] = {
      "\"C:\\a b\\bin\\rsync\" \"--config=/cygdrive/C/a b/rsyncd.conf\" --x",
      "\"D:\\R&D\\bin\\rsync\" -av",
      "\"C:\\a b\\bin\\rsync\" --x y",
      "plain --x",
  };
  for (const char* rest : rests) {
    std::string line = InterpreterLine("/c", rest);
    std::string afterSwitch = line.substr(std::string("cmd.exe /c ").size());
    EXPECT_EQ(ApplyInterpreterQuoteRule(afterSwitch, exists), rest) << rest;
  }
  // Two quotes around a program that does not exist: cmd drops them.
  EXPECT_EQ(ApplyInterpreterQuoteRule("\"C:\\a b\\bin\\rsync\" --x y", none),
            "C:\\a b\\bin\\rsync --x y");
  // Text after the last quote stays.
  EXPECT_EQ(ApplyInterpreterQuoteRule("\"a\" \"b\" c", none), "a\" \"b c");
}

}  // namespace
}  // namespace mirvo
