// The benchmark's arithmetic and /proc reading: a wrong median or a misread tick count would
// make the table say a target held when it did not.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include "data_tree.h"
#include "launch.h"
#include "proc_figures.h"
#include "summary.h"
#include "support/temp_folder.h"
#include "support/wait_until.h"
#include "table.h"

namespace mirvo::bench {
namespace {

TEST(Summarize, MinMedianMax) {
  struct Case {
    std::vector<double> samples;
    double min, median, max;
  };
  const Case cases[] = {
      {{5}, 5, 5, 5},
      {{3, 1, 2}, 1, 2, 3},
      {{4, 1, 3, 2}, 1, 2.5, 4},  // even count: mean of the middle two
      {{7, 7, 1, 9, 9}, 1, 7, 9},
      {{-1, 10}, -1, 4.5, 10},
  };
  for (const Case& c : cases) {
    const auto s = Summarize(c.samples);
    ASSERT_TRUE(s.has_value());
    EXPECT_EQ(s->min, c.min);
    EXPECT_EQ(s->median, c.median);
    EXPECT_EQ(s->max, c.max);
    EXPECT_EQ(s->count, c.samples.size());
  }
  EXPECT_FALSE(Summarize({}).has_value());
}

TEST(ParseSamples, KeepsWellFormedLinesAndCountsTheRest) {
  const Samples s = ParseSamples(
      "startup_ms mirvo 120.5\n"
      "startup_ms bare 100\n"
      "startup_ms mirvo 130\n"
      "\n"
      "startup_ms mirvo\n"          // no value
      "startup_ms mirvo 12abc\n"    // not a number
      "startup_ms mirvo nan\n"      // not finite
      "startup_ms mirvo 1 extra\n"  // too many words
      "# comment line\n");
  ASSERT_EQ(s.byMetric.at("startup_ms").at("mirvo"), (std::vector<double>{120.5, 130}));
  EXPECT_EQ(s.byMetric.at("startup_ms").at("bare"), (std::vector<double>{100}));
  EXPECT_EQ(s.skippedLines, 5);
}

TEST(ProcFigures, PeakResident) {
  struct Case {
    const char* status;
    std::optional<long> kb;
  };
  const Case cases[] = {
      {"Name:\tmirvo\nVmPeak:\t  900000 kB\nVmHWM:\t   45012 kB\nVmRSS:\t 40000 kB\n", 45012},
      {"VmHWM:\t1 kB", 1},  // last line without a newline
      {"Name:\tmirvo\nVmRSS:\t 40000 kB\n", std::nullopt},
      {"XVmHWM:\t5 kB\n", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(PeakResidentKb(c.status), c.kb) << c.status;
  EXPECT_EQ(VoluntarySwitches("Name:\tmirvo\nvoluntary_ctxt_switches:\t12\n"
                              "nonvoluntary_ctxt_switches:\t3\n"),
            12);
  EXPECT_EQ(VoluntarySwitches("nonvoluntary_ctxt_switches:\t3\n"), std::nullopt);
}

TEST(ProcFigures, CpuTicksAddUserAndSystemTime) {
  struct Case {
    const char* stat;
    std::optional<long long> ticks;
  };
  const Case cases[] = {
      {"42 (mirvo) S 1 42 42 0 -1 4194560 100 0 0 0 7 3 0 0 20 0 4 0 100 0 0", 10},
      // A command name with spaces and a closing parenthesis of its own.
      {"42 (a) b c) S 1 42 42 0 -1 4194560 100 0 0 0 250 11 0 0 20 0 4 0", 261},
      {"42 (mirvo) S 1 42 42 0 -1 4194560 100 0 0 0 7", std::nullopt},  // cut short
      {"no parenthesis here", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(CpuTicks(c.stat), c.ticks) << c.stat;
  // This very process: it has a status and a stat of its own.
  EXPECT_TRUE(PeakResidentKbOf(getpid()).has_value());
  EXPECT_TRUE(CpuTicksOf(getpid()).has_value());
  EXPECT_TRUE(WakeupsOf(getpid()).has_value());
}

TEST(ProcFigures, FindsProcessesByImageNameAndWholeArguments) {
  // The benchmark ends daemons it finds this way: a port must match as a whole argument, so that
  // ending the daemon on port 80 never touches the one on port 8080.
  // A shell that waits, with the argument as its $0: its image name is "sh".
  const pid_t sleeper = Launch({"sh", "-c", "while :; do sleep 1; done", "--port=8080"});
  ASSERT_GT(sleeper, 0);
  mirvo::testing::WaitUntil(
      [] { return !ProcessesMatching("sh", {std::string("--port=8080") + '\0'}).empty(); });
  struct Case {
    const char* comm;
    std::string mark;
    bool found;
  };
  const Case cases[] = {
      {"sh", std::string("--port=8080") + '\0', true},
      {"sh", std::string("--port=80") + '\0', false},
      {"rsync.exe", std::string("--port=8080") + '\0', false},
  };
  for (const Case& c : cases) {
    const auto pids = ProcessesMatching(c.comm, {c.mark});
    const bool has = std::find(pids.begin(), pids.end(), sleeper) != pids.end();
    EXPECT_EQ(has, c.found) << c.comm << " " << c.mark.c_str();
  }
  EndProcess(sleeper);
}

TEST(Launch, AcceptsOnlyWhileSomethingListens) {
  const int port = FreeLoopbackPort();
  ASSERT_GT(port, 0);
  EXPECT_FALSE(Accepts(port));
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(fd, 4), 0);
  EXPECT_TRUE(Accepts(port));
  close(fd);
  EXPECT_FALSE(Accepts(port));
  EXPECT_EQ(RunToEnd({"sh", "-c", "exit 3"}), 3);
}

std::string ReadAll(const std::filesystem::path& path) {
  return mirvo::testing::ReadAll(mirvo::testing::Utf8Text(path));
}

TEST(DataTree, WritesWhatItReportsAndRepeatsForTheSameSeed) {
  const mirvo::testing::TempFolder folder;
  const std::filesystem::path base = folder.path();
  const TreePlan plan{.smallFiles = 40,
                      .smallMaxBytes = 5000,
                      .largeFiles = 2,
                      .largeBytes = 3 * 1024 * 1024 + 17,
                      .seed = 7};
  for (const char* name : {"one", "two"}) std::filesystem::create_directories(base / name);
  const Result<TreeTotals> one = MakeTree(base / "one", plan);
  const Result<TreeTotals> two = MakeTree(base / "two", plan);
  ASSERT_TRUE(one.ok() && two.ok());
  EXPECT_EQ(one.value().files, 42);
  EXPECT_EQ(CountTree(base / "one"), one.value());
  EXPECT_EQ(one.value(), two.value());
  EXPECT_EQ(ReadAll(base / "one/large/big1.bin"), ReadAll(base / "two/large/big1.bin"));
  // Files differ from each other, so rsync cannot match blocks between them.
  EXPECT_NE(ReadAll(base / "one/large/big0.bin").substr(0, 4096),
            ReadAll(base / "one/large/big1.bin").substr(0, 4096));

  TreePlan broken = plan;
  broken.smallMaxBytes = 0;
  EXPECT_FALSE(MakeTree(base / "one", broken).ok());
}

TEST(RenderTable, JudgesEachTarget) {
  struct Case {
    const char* results;
    bool held;
    const char* shows;
  };
  const Case cases[] = {
      {"startup_ms mirvo 120\nstartup_ms bare 100\n", true, "1.200 (A/B)"},
      {"startup_ms mirvo 130\nstartup_ms bare 100\n", false, "MISSED"},
      // Memory is judged on medians: one high sample does not fail it.
      {"hwm_mb mirvo 30\nhwm_mb mirvo 30\nhwm_mb mirvo 90\nhwm_mb bare 25\n", true, "1.200"},
      // Pull times: rsync 100 ms against mirvo 101 ms is a rate of 0.990.
      {"pull_ms mirvo 101\npull_ms rsync 100\n", true, "0.990 (B/A)"},
      {"pull_ms mirvo 110\npull_ms rsync 100\n", false, "0.909 (B/A)"},
      {"idle_ticks mirvo-tray 0\nidle_ticks mirvo-tray 0\n", true, "max <= 0 ok"},
      {"idle_ticks mirvo-tray 0\nidle_ticks mirvo-tray 1\n", false, "MISSED"},
      {"idle_wakeups mirvo-client-tray 2\n", true, "max <= 5 ok"},
      {"idle_wakeups mirvo-client-tray 10\n", false, "MISSED"},
      {"idle_wakeups mirvo-tray-daemon 1\n", false, "MISSED"},
      {"idle_wakeups mirvo-client-armed 0\n", true, "max <= 0 ok"},
      {"exe_mb windows 3.4\n", false, "MISSED"},
      // A reference without the program's figure judges nothing.
      {"startup_ms bare 100\n", true, "bare: 100.0"},
  };
  for (const Case& c : cases) {
    const Table t = RenderTable(ParseSamples(c.results));
    EXPECT_EQ(t.allTargetsHeld, c.held) << c.results << t.text;
    EXPECT_NE(t.text.find(c.shows), std::string::npos) << c.results << t.text;
  }
}

}  // namespace
}  // namespace mirvo::bench
