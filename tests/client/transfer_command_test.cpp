#include "client/transfer_command.h"

#include <gtest/gtest.h>

#include "foundation/command_line.h"
#include "support/fake_platform.h"

namespace mirvo {
namespace {

using testing::FakePlatform;

const std::string kFolder = "D:\\Tools\\Sync";

// The documented examples use the server address "A".
TransferSettings AtA(TransferSettings settings) {
  settings.ServerAddress = "A";
  return settings;
}

TEST(BuildTransferCommand, ReproducesTheDocumentedExamples) {
  struct Case {
    const char* name;
    TransferSettings settings;
    std::string line;
  } cases[] = {
      {"pull", AtA({}),
       "cmd.exe /c D:\\Tools\\Sync\\bin\\rsync -avz --progress  --partial --port=873   "
       "test@A::test /cygdrive/c/test"},
      {"push", AtA({.PushToServer = true}),
       "cmd.exe /c D:\\Tools\\Sync\\bin\\rsync -avz --progress  --partial --port=873   "
       "/cygdrive/c/test test@A::test"},
      {"push, delete, keep console, authenticate",
       AtA({.PushToServer = true,
            .DeleteExtraneous = true,
            .KeepConsole = true,
            .Authenticate = true}),
       "cmd.exe /k D:\\Tools\\Sync\\bin\\rsync -avz --progress  --partial --port=873  --delete   "
       "--password-file=/cygdrive/D/Tools/Sync/rsync.secrets   /cygdrive/c/test user@A::test"},
      {"no compression", AtA({.Compress = false}),
       "cmd.exe /c D:\\Tools\\Sync\\bin\\rsync -av --progress  --partial --port=873   "
       "test@A::test /cygdrive/c/test"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BuildTransferCommand(c.settings, kFolder), c.line) << c.name;
  }
  EXPECT_EQ(BuildTransferCommand(AtA({}), kFolder).size(), 104u);
}

TEST(BuildTransferCommand, StretchBetweenPortAndFirstOperand) {
  struct Case {
    bool deleteExtraneous;
    bool authenticate;
    std::string stretch;
  } cases[] = {
      {false, false, "   "},
      {true, false, "  --delete   "},
      {false, true, "   --password-file=/cygdrive/T/rsync.secrets   "},
      {true, true, "  --delete   --password-file=/cygdrive/T/rsync.secrets   "},
  };
  for (const Case& c : cases) {
    TransferSettings settings{.ServerAddress = "A",
                              .DeleteExtraneous = c.deleteExtraneous,
                              .Authenticate = c.authenticate};
    const std::string user = c.authenticate ? "user" : "test";
    EXPECT_EQ(BuildTransferCommand(settings, "T"),
              "cmd.exe /c T\\bin\\rsync -avz --progress  --partial --port=873" + c.stretch + user +
                  "@A::test /cygdrive/c/test");
  }
}

TEST(BuildTransferCommand, PathsAndEmptyTextsAsTyped) {
  struct Case {
    TransferSettings settings;
    std::string folder;
    std::string line;
  } cases[] = {
      {{.ServerAddress = "A", .Authenticate = true},
       "E:\\",
       "cmd.exe /c E:\\\\bin\\rsync -avz --progress  --partial --port=873   "
       "--password-file=/cygdrive/E//rsync.secrets   user@A::test /cygdrive/c/test"},
      {{.ServerAddress = "A", .LocalFolder = "c:\\test\\"},
       "D:\\T",
       "cmd.exe /c D:\\T\\bin\\rsync -avz --progress  --partial --port=873   test@A::test "
       "/cygdrive/c/test/"},
      {{.ServerAddress = "A", .LocalFolder = "/cygdrive/c/x"},
       "D:\\T",
       "cmd.exe /c D:\\T\\bin\\rsync -avz --progress  --partial --port=873   test@A::test "
       "/cygdrive//cygdrive/c/x"},
      {{.ServerAddress = "", .Port = "", .Module = "", .LocalFolder = ""},
       "D:\\T",
       "cmd.exe /c D:\\T\\bin\\rsync -avz --progress  --partial --port=   @:: /cygdrive/"},
  };
  for (const Case& c : cases) EXPECT_EQ(BuildTransferCommand(c.settings, c.folder), c.line);
}

TEST(BuildTransferCommand, QuotesWhatWouldSplitSoEveryArgumentArrivesWhole) {
  struct Case {
    TransferSettings settings;
    std::string folder;
    std::string line;
    std::vector<std::string> arguments;
  } cases[] = {
      {{.ServerAddress = "127.0.0.1", .LocalFolder = "D:\\My Documents", .Authenticate = true},
       "C:\\Program Files\\MIRVO",
       "cmd.exe /c \"\"C:\\Program Files\\MIRVO\\bin\\rsync\" -avz --progress  --partial "
       "--port=873   \"--password-file=/cygdrive/C/Program Files/MIRVO/rsync.secrets\"   "
       "user@127.0.0.1::test \"/cygdrive/D/My Documents\"\"",
       {"C:\\Program Files\\MIRVO\\bin\\rsync", "-avz", "--progress", "--partial", "--port=873",
        "--password-file=/cygdrive/C/Program Files/MIRVO/rsync.secrets", "user@127.0.0.1::test",
        "/cygdrive/D/My Documents"}},
      {{.ServerAddress = "127.0.0.1", .LocalFolder = "D:\\R&D", .PushToServer = true},
       "D:\\T",
       "cmd.exe /c D:\\T\\bin\\rsync -avz --progress  --partial --port=873   "
       "\"/cygdrive/D/R&D\" test@127.0.0.1::test",
       {"D:\\T\\bin\\rsync", "-avz", "--progress", "--partial", "--port=873", "/cygdrive/D/R&D",
        "test@127.0.0.1::test"}},
      {{.ServerAddress = "127.0.0.1", .Module = "a b", .LocalFolder = "d:\\say \"x\""},
       "D:\\T",
       "cmd.exe /c D:\\T\\bin\\rsync -avz --progress  --partial --port=873   "
       "\"a b@127.0.0.1::a b\" \"/cygdrive/d/say \\\"x\\\"\"",
       {"D:\\T\\bin\\rsync", "-avz", "--progress", "--partial", "--port=873", "a b@127.0.0.1::a b",
        "/cygdrive/d/say \"x\""}},
  };
  for (const Case& c : cases) {
    const std::string line = BuildTransferCommand(c.settings, c.folder);
    EXPECT_EQ(line, c.line);
    const std::string prefix = "cmd.exe /c ";
    ASSERT_EQ(line.substr(0, prefix.size()), prefix);
    std::string rest = ApplyInterpreterQuoteRule(line.substr(prefix.size()),
                                                 [](std::string_view) { return true; });
    EXPECT_EQ(SplitWindowsArguments(rest), c.arguments) << line;
  }
}

TEST(RunTransfer, WritesThePasswordFileOnlyWithAuthenticationThenStarts) {
  struct Case {
    TransferSettings settings;
    std::vector<std::string> events;
    const char* passwordFile;  // nullptr: none written
  } cases[] = {
      {{.ServerAddress = "127.0.0.1"},
       {"run normal " + BuildTransferCommand({.ServerAddress = "127.0.0.1"}, kFolder)},
       nullptr},
      {{.ServerAddress = "127.0.0.1", .Authenticate = true},
       {"write D:\\Tools\\Sync\\rsync.secrets",
        "run normal " +
            BuildTransferCommand({.ServerAddress = "127.0.0.1", .Authenticate = true}, kFolder)},
       "504182\r\n"},
      {{.ServerAddress = "127.0.0.1", .Authenticate = true, .Password = ""},
       {"write D:\\Tools\\Sync\\rsync.secrets",
        "run normal " +
            BuildTransferCommand({.ServerAddress = "127.0.0.1", .Authenticate = true}, kFolder)},
       "\r\n"},
      {{.ServerAddress = "127.0.0.1", .Authenticate = true, .Password = "密码"},
       {"write D:\\Tools\\Sync\\rsync.secrets",
        "run normal " +
            BuildTransferCommand({.ServerAddress = "127.0.0.1", .Authenticate = true}, kFolder)},
       "\xC3\xDC\xC2\xEB\r\n"},
  };
  for (const Case& c : cases) {
    FakePlatform platform;
    Result<std::shared_ptr<CommandWatch>> started = RunTransfer(platform, c.settings);
    ASSERT_TRUE(started.ok());
    EXPECT_EQ(platform.events, c.events);
    // The caller follows the very command that was started.
    ASSERT_EQ(platform.watches.size(), 1u);
    EXPECT_EQ(started.value().get(), platform.watches.front().get());
    auto file = platform.files.find("D:\\Tools\\Sync\\rsync.secrets");
    if (c.passwordFile == nullptr) {
      EXPECT_EQ(file, platform.files.end());
    } else {
      ASSERT_NE(file, platform.files.end());
      EXPECT_EQ(file->second.bytes, c.passwordFile);
      EXPECT_EQ(file->second.access, FileAccess::Private);
    }
  }
}

TEST(RunTransfer, LeavesAnEarlierPasswordFileWithoutAuthentication) {
  FakePlatform platform;
  platform.files["D:\\Tools\\Sync\\rsync.secrets"] = {"old\r\n", FileAccess::Private};
  ASSERT_TRUE(RunTransfer(platform, {.ServerAddress = "127.0.0.1"}).ok());
  EXPECT_EQ(platform.files["D:\\Tools\\Sync\\rsync.secrets"].bytes, "old\r\n");
}

TEST(RunTransfer, FailuresStartNothingAndSaySo) {
  FakePlatform unwritable;
  unwritable.unwritable.insert("D:\\Tools\\Sync\\rsync.secrets");
  Status status =
      RunTransfer(unwritable, {.ServerAddress = "127.0.0.1", .Authenticate = true}).status();
  ASSERT_FALSE(status.ok());
  EXPECT_NE(status.error().message.find("rsync.secrets"), std::string::npos);
  EXPECT_TRUE(unwritable.commands.empty());

  FakePlatform emoji;
  status =
      RunTransfer(emoji, {.ServerAddress = "127.0.0.1", .Authenticate = true, .Password = "x😀"})
          .status();
  ASSERT_FALSE(status.ok());
  EXPECT_NE(status.error().message.find("密码"), std::string::npos);
  EXPECT_TRUE(emoji.events.empty());

  FakePlatform cannotStart;
  cannotStart.failCommands = true;
  EXPECT_FALSE(RunTransfer(cannotStart, {.ServerAddress = "127.0.0.1"}).ok());
}

}  // namespace
}  // namespace mirvo
