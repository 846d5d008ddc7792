// CI runs the tests as root; the daemon suite must also pass for an ordinary user, whose daemon
// cannot change users (the launcher leaves uid/gid out) and listens on a port above 1024.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "rsync_e2e_fixture.h"

namespace mirvo::testing {
namespace {

constexpr const char* kUser = "mirvo-e2e";

TEST(RsyncAsOrdinaryUser, DaemonSuitePassesForAnOrdinaryUser) {
  if (geteuid() != 0) GTEST_SKIP() << "already running as an ordinary user";
  std::string ensureUser = std::string("id -u ") + kUser + " >/dev/null 2>&1 || useradd -M -N -r " +
                           "-s /usr/sbin/nologin " + kUser;
  ASSERT_EQ(std::system(ensureUser.c_str()), 0) << "cannot create the user " << kUser;

  // Copies the user can read, whatever the permissions of the build folder.
  TempFolder dir;
  chmod(dir.path().c_str(), 0755);
  std::filesystem::copy_file("/proc/self/exe", dir / "e2e");
  std::filesystem::copy_file(StagedLauncher(), dir / "rsync.exe");
  chmod((dir / "e2e").c_str(), 0755);
  chmod((dir / "rsync.exe").c_str(), 0755);

  std::string line = "timeout 200 runuser -u " + std::string(kUser) +
                     " -- env -i PATH=/usr/local/bin:/usr/bin:/bin HOME=/tmp LANG=C.UTF-8" +
                     " MIRVO_E2E_LAUNCHER='" + (dir / "rsync.exe") + "' '" + (dir / "e2e") +
                     "' --gtest_filter='RsyncDaemonTest.*' >'" + (dir / "log") + "' 2>&1";
  int status = std::system(line.c_str());
  std::string log = ReadAll(dir / "log");
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << log;
  EXPECT_NE(log.find("[  PASSED  ] 7 tests."), std::string::npos) << log;
  EXPECT_EQ(log.find("SKIPPED"), std::string::npos) << log;
}

}  // namespace
}  // namespace mirvo::testing
