#include "daemon/daemon_command.h"

#include <gtest/gtest.h>

#include "foundation/command_line.h"

namespace mirvo {
namespace {

TEST(BuildDaemonCommand, ReproducesTheDocumentedLines) {
  struct Case {
    DaemonSettings settings;
    std::string folder;
    std::string line;
  } cases[] = {
      {{},
       "D:\\Tools\\Sync",
       "cmd.exe /c D:\\Tools\\Sync\\bin\\rsync --config=/cygdrive/D/Tools/Sync/rsyncd.conf "
       "--port=873    --daemon --no-detach"},
      {{.LimitBandwidth = true},
       "D:\\Tools\\Sync",
       "cmd.exe /c D:\\Tools\\Sync\\bin\\rsync --config=/cygdrive/D/Tools/Sync/rsyncd.conf "
       "--port=873   --bwlimit=2000  --daemon --no-detach"},
      {{.BandwidthLimit = "5"},
       "D:\\T",
       "cmd.exe /c D:\\T\\bin\\rsync --config=/cygdrive/D/T/rsyncd.conf --port=873    --daemon "
       "--no-detach"},
      {{},
       "E:\\",
       "cmd.exe /c E:\\\\bin\\rsync --config=/cygdrive/E//rsyncd.conf --port=873    --daemon "
       "--no-detach"},
      {{.Port = ""},
       "D:\\T",
       "cmd.exe /c D:\\T\\bin\\rsync --config=/cygdrive/D/T/rsyncd.conf --port=    --daemon "
       "--no-detach"},
      // Arguments that would split, or that cmd.exe would read as operators, are quoted; the line
      // gets cmd.exe's outer pair of quotes when it would otherwise lose the first and last.
      {{},
       "C:\\Program Files\\MIRVO",
       "cmd.exe /c \"\"C:\\Program Files\\MIRVO\\bin\\rsync\" "
       "\"--config=/cygdrive/C/Program Files/MIRVO/rsyncd.conf\" --port=873    --daemon "
       "--no-detach\""},
      {{.LimitBandwidth = true, .BandwidthLimit = "1 & echo x"},
       "D:\\R&D",
       "cmd.exe /c \"\"D:\\R&D\\bin\\rsync\" \"--config=/cygdrive/D/R&D/rsyncd.conf\" "
       "--port=873   \"--bwlimit=1 & echo x\"  --daemon --no-detach\""},
  };
  for (const Case& c : cases) EXPECT_EQ(BuildDaemonCommand(c.settings, c.folder), c.line);
}

// What rsync receives once cmd.exe has read the line and the C runtime has split it.
std::vector<std::string> ArgumentsRsyncSees(const std::string& line) {
  const std::string prefix = "cmd.exe /c ";
  EXPECT_EQ(line.substr(0, prefix.size()), prefix);
  std::string rest =
      ApplyInterpreterQuoteRule(line.substr(prefix.size()), [](std::string_view) { return true; });
  return SplitWindowsArguments(rest);
}

TEST(BuildDaemonCommand, EveryArgumentReachesRsyncWhole) {
  struct Case {
    DaemonSettings settings;
    std::string folder;
    std::vector<std::string> arguments;
  } cases[] = {
      {{},
       "C:\\Program Files\\MIRVO",
       {"C:\\Program Files\\MIRVO\\bin\\rsync",
        "--config=/cygdrive/C/Program Files/MIRVO/rsyncd.conf", "--port=873", "--daemon",
        "--no-detach"}},
      {{.Port = "8 73", .LimitBandwidth = true},
       "D:\\R&D",
       {"D:\\R&D\\bin\\rsync", "--config=/cygdrive/D/R&D/rsyncd.conf", "--port=8 73",
        "--bwlimit=2000", "--daemon", "--no-detach"}},
      {{.Port = "87\"3"},
       "D:\\a(b)",
       {"D:\\a(b)\\bin\\rsync", "--config=/cygdrive/D/a(b)/rsyncd.conf", "--port=87\"3", "--daemon",
        "--no-detach"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ArgumentsRsyncSees(BuildDaemonCommand(c.settings, c.folder)), c.arguments)
        << c.folder;
  }
}

}  // namespace
}  // namespace mirvo
