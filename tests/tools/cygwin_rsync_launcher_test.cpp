// Runs the built bin/rsync.exe with a stand-in "rsync" in PATH that reports how it was started.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "cygwin_rsync_core.h"
#include "support/temp_folder.h"

namespace mirvo {
namespace {

using testing::ModeOf;
using testing::ReadAll;
using testing::TempFolder;

constexpr const char* kReportingRsync =
    "#!/bin/sh\n"
    "read comm < /proc/$$/comm\n"
    "printf 'comm=%s\\n' \"$comm\"\n"
    "printf 'log variable=%s\\n' \"${MIRVO_RSYNC_LOG-unset}\"\n"
    "for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done\n";

struct Outcome {
  int exitStatus = -1;
  std::string output;
  std::string errors;
};

class LauncherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mkdir((dir / "bin").c_str(), 0755);
    mkdir((dir / "runtime").c_str(), 0700);
    dir.Write("bin/rsync", kReportingRsync, 0755);
  }

  Outcome Launch(const std::string& searchPath, const std::vector<std::string>& arguments,
                 const std::string& daemonLog = "") {
    std::string line = "env -i PATH='" + searchPath + "' XDG_RUNTIME_DIR='" + (dir / "runtime") +
                       "' " + (daemonLog.empty() ? "" : "MIRVO_RSYNC_LOG='" + daemonLog + "' ") +
                       "'" + std::string(MIRVO_LAUNCHER) + "'";
    for (const std::string& argument : arguments) line += " '" + argument + "'";
    line += " >'" + (dir / "out") + "' 2>'" + (dir / "err") + "'";
    int status = std::system(line.c_str());
    Outcome outcome;
    outcome.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.output = ReadAll(dir / "out");
    outcome.errors = ReadAll(dir / "err");
    return outcome;
  }

  std::string PrivateFolder() { return dir / "runtime/mirvo-rsync"; }

  TempFolder dir;
  std::string withReportingRsync = (dir / "bin") + ":/usr/bin:/bin";
};

TEST_F(LauncherTest, MapsArgumentsAndRunsRsyncAsRsyncExe) {
  const std::string config =
      "uid = 0\r\ngid = 0\r\n[m]\r\npath = /cygdrive/" + dir.path() + "/share\r\n\r\n";
  dir.Write("rsyncd.conf", config);
  Outcome outcome =
      Launch(withReportingRsync, {"--config=/cygdrive/" + (dir / "rsyncd.conf"), "--port=8873",
                                  "--password-file=/cygdrive/" + (dir / "rsync.secrets"),
                                  "/cygdrive/c/test", "user@127.0.0.1::m"});
  ASSERT_EQ(outcome.exitStatus, 0) << outcome.errors;

  const std::string copy =
      PrivateFolder() + "/" + cygwin_rsync::TranslatedConfigName(dir / "rsyncd.conf");
  EXPECT_EQ(outcome.output, "comm=rsync.exe\nlog variable=unset\n[--config=" + copy +
                                "]\n[--port=8873]\n" +
                                "[--password-file=" + (dir / "rsync.secrets") + "]\n" +
                                "[/mnt/c/test]\n[user@127.0.0.1::m]\n");
  const std::string ids = geteuid() == 0 ? "uid = 0\r\ngid = 0\r\n" : "";
  EXPECT_EQ(ReadAll(copy), ids + "[m]\r\npath = " + dir.path() + "/share\r\n\r\n");
  EXPECT_EQ(ModeOf(copy), 0600u);
  EXPECT_EQ(ModeOf(PrivateFolder()), 0700u);
  EXPECT_EQ(ReadAll(dir / "rsyncd.conf"), config) << "the program's own file stays as written";
}

TEST_F(LauncherTest, KeepsOneCopyPerConfigurationAndNothingElse) {
  mkdir((dir / "other").c_str(), 0755);
  dir.Write("rsyncd.conf", "[a]\n");
  dir.Write("other/rsyncd.conf", "[b]\n");
  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(
        Launch(withReportingRsync, {"--config", "/cygdrive/" + (dir / "rsyncd.conf")}).exitStatus,
        0);
    ASSERT_EQ(Launch(withReportingRsync, {"--config=/cygdrive/" + (dir / "other/rsyncd.conf")})
                  .exitStatus,
              0);
  }
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(PrivateFolder())) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  std::vector<std::string> expected = {
      "rsync.exe", cygwin_rsync::TranslatedConfigName(dir / "rsyncd.conf"),
      cygwin_rsync::TranslatedConfigName(dir / "other/rsyncd.conf")};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(names, expected);
}

TEST_F(LauncherTest, GivesADaemonAPrivateLogFile) {
  dir.Write("rsyncd.conf", "[a]\n");
  const std::string config = "--config=/cygdrive/" + (dir / "rsyncd.conf");
  const std::string named = PrivateFolder() + "/rsyncd-named.log";
  struct Case {
    std::string requested;  // MIRVO_RSYNC_LOG
    std::string log;
    std::string keptText;  // what an earlier run left in the file
  } cases[] = {
      {named, named, ""},  // the program's file starts afresh
      {"", PrivateFolder() + "/rsyncd.log", "earlier\n"},
      {dir / "elsewhere.log", PrivateFolder() + "/rsyncd.log", "earlier\n"},
  };
  for (const Case& c : cases) {
    mkdir(PrivateFolder().c_str(), 0700);
    dir.Write("runtime/mirvo-rsync/" + c.log.substr(c.log.rfind('/') + 1), "earlier\n", 0644);
    Outcome outcome = Launch(withReportingRsync, {config, "--daemon", "--no-detach"}, c.requested);
    ASSERT_EQ(outcome.exitStatus, 0) << outcome.errors;
    const std::string copy =
        PrivateFolder() + "/" + cygwin_rsync::TranslatedConfigName(dir / "rsyncd.conf");
    EXPECT_EQ(outcome.output, "comm=rsync.exe\nlog variable=unset\n[--log-file=" + c.log +
                                  "]\n[--config=" + copy + "]\n[--daemon]\n[--no-detach]\n")
        << c.requested;
    EXPECT_EQ(ModeOf(c.log), 0600u) << c.log;
    EXPECT_EQ(ReadAll(c.log), c.keptText) << c.log;
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "elsewhere.log"));

  // A log the caller names itself is left as it is.
  Outcome own = Launch(withReportingRsync, {"--daemon", "--log-file=/x/y.log"}, named);
  EXPECT_EQ(own.output, "comm=rsync.exe\nlog variable=unset\n[--daemon]\n[--log-file=/x/y.log]\n");
}

TEST_F(LauncherTest, WithoutSystemRsyncSaysSoAndEndsWith127) {
  mkdir((dir / "empty").c_str(), 0755);
  mkdir((dir / "self").c_str(), 0755);
  symlink(MIRVO_LAUNCHER, (dir / "self/rsync").c_str());  // never runs itself
  for (const std::string& searchPath : {dir / "empty", dir / "self"}) {
    Outcome outcome = Launch(searchPath, {"--version"});
    EXPECT_EQ(outcome.exitStatus, 127) << searchPath;
    EXPECT_NE(outcome.errors.find("找不到系统的 rsync"), std::string::npos) << outcome.errors;
  }
}

TEST_F(LauncherTest, RefusesAPrivateFolderOthersCanEnter) {
  mkdir(PrivateFolder().c_str(), 0755);
  chmod(PrivateFolder().c_str(), 0755);
  dir.Write("rsyncd.conf", "[a]\n");
  Outcome outcome = Launch(withReportingRsync, {"--config=/cygdrive/" + (dir / "rsyncd.conf")});
  EXPECT_EQ(outcome.exitStatus, 1);
  EXPECT_NE(outcome.errors.find("不是当前用户的私有文件夹"), std::string::npos) << outcome.errors;
  EXPECT_EQ(outcome.output, "");
}

}  // namespace
}  // namespace mirvo
