#pragma once

// A staged program folder (with bin/rsync.exe) and a share, driven through the program's own
// functions: the daemon files, the UTF-8 rewrite, the daemon command, transfers and the stop.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "client/transfer_command.h"
#include "daemon/daemon_command.h"
#include "daemon/daemon_documents.h"
#include "daemon/utf8_rewrite.h"
#include "foundation/names.h"
#include "foundation/posix/posix_platform.h"
#include "rsync_e2e_support.h"

namespace mirvo::testing {

// The launcher under test: the staged one, or the copy named by MIRVO_E2E_LAUNCHER (set when the
// suite runs again as an ordinary user who may not read the build folder).
inline std::string StagedLauncher() {
  const char* copy = std::getenv("MIRVO_E2E_LAUNCHER");
  return copy != nullptr ? copy : MIRVO_STAGED_LAUNCHER;
}

inline pid_t Spawn(const std::vector<std::string>& argv) {
  std::vector<char*> pointers;
  for (const std::string& word : argv) pointers.push_back(const_cast<char*>(word.c_str()));
  pointers.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, pointers[0], nullptr, nullptr, pointers.data(), environ) != 0) return -1;
  return pid;
}

class RsyncFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    program = root / "MIRVO 程序";  // a space and Chinese: quoted through cmd.exe's rules
    share = root / "共享";
    std::filesystem::create_directories(program + "/bin");
    std::filesystem::create_directories(share);
    std::filesystem::copy_file(StagedLauncher(), program + "/bin/rsync.exe");
    chmod((program + "/bin/rsync.exe").c_str(), 0755);
    platform = std::make_unique<PosixPlatform>(program);
    port = std::to_string(FreeLoopbackPort());
    daemon.SharePath = share;
    daemon.ShareName = "共享";
    daemon.Port = port;
  }

  void TearDown() override {
    if (daemonWatch && !daemonWatch->Ended()) StopDaemon();
  }

  void StartDaemon() {
    ASSERT_TRUE(WriteDaemonFiles(*platform, daemon).ok());
    const std::string config = program + std::string(kDaemonConfigName);
    ASSERT_TRUE(platform->FileExists(config));
    Status rewritten = RewriteAsUtf8(*platform, config);
    ASSERT_TRUE(rewritten.ok()) << rewritten.error().message;
    auto watch = platform->RunCommand(BuildDaemonCommand(daemon, program), WindowMode::Hidden);
    ASSERT_TRUE(watch.ok()) << watch.error().message;
    daemonWatch = watch.value();
    ASSERT_TRUE(WaitUntil([&] { return PortAnswers(std::stoi(port)) || daemonWatch->Ended(); }));
    ASSERT_FALSE(daemonWatch->Ended()) << daemonWatch->ErrorOutput();
  }

  void StopDaemon() {
    auto stop = platform->RunCommand(std::string(StopDaemonCommand), WindowMode::Hidden);
    ASSERT_TRUE(stop.ok()) << stop.error().message;
    EXPECT_TRUE(stop.value()->Ended());
    EXPECT_EQ(stop.value()->ExitStatus(), 0) << "the daemon was found and ended";
    ASSERT_TRUE(WaitUntil([&] { return daemonWatch->Ended(); }));
  }

  TransferSettings Transfer(const std::string& localFolder) {
    TransferSettings settings;
    settings.ServerAddress = "127.0.0.1";  // loopback only, never the window's default
    settings.Port = port;
    settings.Module = daemon.ShareName;
    settings.LocalFolder = localFolder;
    return settings;
  }

  // Starts the transfer and waits until its rsync has ended.
  void RunAndWait(const TransferSettings& settings) {
    ASSERT_EQ(settings.ServerAddress, "127.0.0.1");
    Result<std::shared_ptr<CommandWatch>> started = RunTransfer(*platform, settings);
    ASSERT_TRUE(started.ok()) << started.error().message;
    ASSERT_TRUE(WaitUntil([] { return LiveRsyncExe("@127.0.0.1::") == 0; }, 60));
    // Gone from the process list is not yet reaped: the transfer counts as done once its watch
    // has seen it end.
    ASSERT_TRUE(WaitUntil([&] { return started.value()->Ended(); }));
  }

  TempFolder root;
  std::string program;
  std::string share;
  std::string port;
  std::unique_ptr<PosixPlatform> platform;
  DaemonSettings daemon;
  std::shared_ptr<CommandWatch> daemonWatch;
};

}  // namespace mirvo::testing
