#include "daemon/daemon_failure.h"

#include <gtest/gtest.h>

#include <vector>

namespace mirvo {
namespace {

TEST(DescribeDaemonEnd, NamesWhatHappenedInRsyncsWordsWithTheHintThatFits) {
  // The daemon's end as plain values, made into a DaemonEnd per case: GCC 12 at -O2 and above
  // warns falsely of an uninitialised std::string in an array of structs that hold one.
  struct End {
    int exitStatus;
    const char* errorOutput;
    int port;
    int firstBindablePort;
    bool duringStartCheck;
  };
  struct Case {
    const char* name;
    End end;
    std::vector<std::string> contains;
    std::vector<std::string> lacks;
  } cases[] = {
      {"port 873 as an ordinary user",
       {10, "rsync: bind() failed: Permission denied (address-family 2)\n", 873, 1024, true},
       {"rsync 服务未能启动（退出状态 10）", "bind() failed: Permission denied",
        "端口 873 小于 1024", "管理员", "1024 或更大"},
       {"占用", "\n\r\n"}},
      {"permission denied on a port anyone may use is not about rights",
       {10, "rsync: bind() failed: Permission denied\n", 2873, 1024, true},
       {"Permission denied"},
       {"管理员"}},
      {"as root every port is bindable",
       {10, "bind() failed: Permission denied\n", 873, 0, true},
       {"Permission denied"},
       {"管理员"}},
      {"taken port",
       {10, "rsync: [Receiver] bind() failed: Address already in use (address-family 10)\n", 8730,
        1024, true},
       {"Address already in use", "端口 8730 的地址已被占用"},
       {"管理员"}},
      {"silent start failure reads the daemon's meaning of a socket error",
       {10, "", 873, 0, true},
       {"启动后立即退出（退出状态 10）", "端口已被其他程序占用"},
       {"服务端地址"}},
      {"silent start failure with an undocumented status",
       {42, "  \n", 873, 0, true},
       {"退出状态 42）", "没有给出原因"},
       {"退出状态 42："}},
      {"killed later from outside",
       {137, "", 873, 0, false},
       {"rsync 服务意外结束（退出状态 137）", "被强行结束"},
       {"未能启动", "立即退出"}},
      {"later end with its own last lines",
       {12, "rsync error: error in rsync protocol data stream (code 12)\n", 873, 0, false},
       {"意外结束", "code 12"},
       {"未能启动"}},
  };
  for (const Case& c : cases) {
    const End& e = c.end;
    const std::string message = DescribeDaemonEnd(
        {e.exitStatus, e.errorOutput, e.port, e.firstBindablePort, e.duringStartCheck});
    for (const std::string& part : c.contains) {
      EXPECT_NE(message.find(part), std::string::npos) << c.name << ": " << message;
    }
    for (const std::string& part : c.lacks) {
      EXPECT_EQ(message.find(part), std::string::npos) << c.name << ": " << message;
    }
  }
}

}  // namespace
}  // namespace mirvo
