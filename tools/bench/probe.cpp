// mirvo_bench_probe: the measuring half of scripts/bench. Each command measures one thing and
// prints "metric variant value" lines, which the script collects; `table` turns them into the
// summary. Every command runs on the X server named by $DISPLAY (the script's own Xvfb).
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "data_tree.h"
#include "launch.h"
#include "mirvo_window_steps.h"
#include "proc_figures.h"
#include "table.h"
#include "x_desk.h"

namespace mirvo::bench {
namespace {

// --name value options, and the words after "--".
struct Options {
  std::map<std::string, std::string> named;
  std::vector<std::string> rest;
  std::string Get(const std::string& name, const std::string& fallback = "") const {
    auto it = named.find(name);
    return it == named.end() ? fallback : it->second;
  }
  long Number(const std::string& name, long fallback) const {
    auto it = named.find(name);
    return it == named.end() ? fallback : std::stol(it->second);
  }
};

Options ParseOptions(int argc, char** argv, int from) {
  Options options;
  for (int i = from; i < argc; ++i) {
    const std::string word = argv[i];
    if (word == "--") {
      options.rest.assign(argv + i + 1, argv + argc);
      break;
    }
    if (word.rfind("--", 0) == 0 && i + 1 < argc) options.named[word.substr(2)] = argv[++i];
  }
  return options;
}

void Print(const std::string& metric, const std::string& variant, double value) {
  std::printf("%s %s %.3f\n", metric.c_str(), variant.c_str(), value);
  std::fflush(stdout);
}

int Fail(const std::string& what) {
  std::fprintf(stderr, "mirvo_bench_probe: %s\n", what.c_str());
  return 1;
}

std::unique_ptr<XDesk> OpenDesk() {
  auto desk = XDesk::Open();
  if (!desk) std::fprintf(stderr, "mirvo_bench_probe: no X display with XTest at $DISPLAY\n");
  return desk;
}

// Exec to the MapNotify of the program's window, then its peak RSS after an idle pause.
int StartUp(const Options& options) {
  if (options.rest.empty()) return Fail("startup: no program after --");
  auto desk = OpenDesk();
  if (!desk) return 1;
  const double started = Now();
  const pid_t pid = Launch(options.rest);
  if (pid < 0) return Fail("cannot start " + options.rest.front());
  const XDesk::Mapped mapped = desk->WaitForMap(pid, options.Get("title"),
                                                static_cast<double>(options.Number("timeout", 30)));
  if (mapped.window == 0) {
    EndProcess(pid);
    return Fail("no window titled '" + options.Get("title") + "' was mapped");
  }
  const double painted = desk->WaitForFirstPaint(mapped.window, 10);
  usleep(static_cast<useconds_t>(options.Number("idle-ms", 1000)) * 1000);
  const std::optional<long> peak = PeakResidentKbOf(pid);
  EndProcess(pid);
  if (!peak) return Fail("no VmHWM for the program");
  const std::string variant = options.Get("as", "program");
  Print("startup_ms", variant, (mapped.at - started) * 1000);
  if (painted > 0) Print("paint_ms", variant, (painted - started) * 1000);
  Print("hwm_mb", variant, static_cast<double>(*peak) / 1024);
  return 0;
}

// Ticks of CPU work while the program sits idle for the given seconds; the times its threads
// were woken are printed as idle_wakeups of the same variant.
Result<long long> IdleTicks(pid_t pid, long seconds, std::string_view variant) {
  usleep(500 * 1000);  // let the hide settle
  const auto before = CpuTicksOf(pid);
  const auto wokenBefore = WakeupsOf(pid);
  sleep(static_cast<unsigned>(seconds));
  const auto after = CpuTicksOf(pid);
  const auto wokenAfter = WakeupsOf(pid);
  if (!before || !after) return Error{"cannot read /proc/PID/stat"};
  // A judged figure that cannot be read fails the run rather than pass unjudged.
  if (!wokenBefore || !wokenAfter) return Error{"cannot read /proc/PID/task/*/status"};
  Print("idle_wakeups", std::string(variant), static_cast<double>(*wokenAfter - *wokenBefore));
  return *after - *before;
}

// One run: open the server window, 1 s idle, peak RSS; configure and click 启动服务.
int ClickStart(const Options& options) {
  auto desk = OpenDesk();
  if (!desk) return 1;
  ServerWindowRun run(*desk, options.Get("program"));
  if (Status s = run.Open(); !s.ok()) return Fail(s.error().message);
  sleep(1);
  const auto peak = PeakResidentKbOf(run.Pid());
  if (!peak) return Fail("no VmHWM for mirvo");
  Print("hwm_mb", "mirvo-server", static_cast<double>(*peak) / 1024);
  const int port = FreeLoopbackPort();
  if (Status s = run.Configure(options.Get("share"), port); !s.ok()) return Fail(s.error().message);
  const Result<double> ms = run.ClickStartAndWaitForDaemon(port);
  if (!ms.ok()) return Fail(ms.error().message);
  Print("click_ms", "mirvo", ms.value());
  return 0;
}

// The plain daemon's own start: exec to accepting connections, with the given configuration.
int DaemonStart(const Options& options) {
  const int port = FreeLoopbackPort();
  const double started = Now();
  const pid_t pid = Launch({"rsync", "--daemon", "--no-detach", "--config=" + options.Get("config"),
                            "--port=" + std::to_string(port)});
  if (pid < 0) return Fail("cannot start rsync");
  while (!Accepts(port)) {
    int status;
    if (waitpid(pid, &status, WNOHANG) == pid) return Fail("rsync --daemon ended at once");
    if (Now() - started > 30) {
      EndProcess(pid);
      return Fail("rsync --daemon did not accept within 30 s");
    }
    usleep(1000);
  }
  const double ms = (Now() - started) * 1000;
  EndProcess(pid);
  Print("click_ms", "rsync-daemon", ms);
  return 0;
}

// One pull of the module into a fresh folder, checked against what the source holds.
Result<double> Pull(int port, const std::string& module, const std::string& dest,
                    const TreeTotals& expected) {
  std::error_code error;
  std::filesystem::remove_all(dest, error);
  std::filesystem::create_directories(dest, error);
  if (error) return Error{"cannot create " + dest};
  const double started = Now();
  const int status =
      RunToEnd({"rsync", "-a", "rsync://127.0.0.1:" + std::to_string(port) + "/" + module + "/",
                dest + "/"});
  const double ms = (Now() - started) * 1000;
  const TreeTotals copied = CountTree(dest);
  std::filesystem::remove_all(dest, error);
  if (status != 0)
    return Error{"rsync pull from port " + std::to_string(port) + " exited " +
                 std::to_string(status)};
  if (!(copied == expected)) {
    return Error{"the pull copied " + std::to_string(copied.files) + " files, " +
                 std::to_string(copied.bytes) + " bytes; the source holds " +
                 std::to_string(expected.files) + ", " + std::to_string(expected.bytes)};
  }
  return ms;
}

int PullPairs(const std::string& dataRoot, int mirvoPort, int plainPort, const std::string& module,
              const std::string& destRoot, long pairs) {
  const TreeTotals expected = CountTree(dataRoot);
  std::fprintf(stderr, "data path: %lld files, %.1f MB; 1 warm-up pair, then %ld counted pairs\n",
               static_cast<long long>(expected.files), static_cast<double>(expected.bytes) / 1e6,
               pairs);
  for (long pair = 0; pair <= pairs; ++pair) {
    for (const auto& [variant, port] :
         {std::pair<const char*, int>{"mirvo", mirvoPort}, {"rsync", plainPort}}) {
      const Result<double> ms = Pull(port, module, destRoot + "/pull", expected);
      if (!ms.ok()) return Fail(ms.error().message);
      if (pair == 0) continue;  // warm-up
      Print("pull_ms", variant, ms.value());
      Print("pull_mbps", variant, static_cast<double>(expected.bytes) / 1e6 / (ms.value() / 1000));
    }
  }
  return 0;
}

// The long session: server window with its tray icon, idle in the tray with and without a daemon,
// then the data path against the plain daemon on --plain-port.
int ServerSession(const Options& options) {
  auto desk = OpenDesk();
  if (!desk) return 1;
  const long idle = options.Number("idle-seconds", 10);
  ServerWindowRun run(*desk, options.Get("program"));
  if (Status s = run.Open(); !s.ok()) return Fail(s.error().message);
  sleep(1);
  if (Status s = run.HideInTray(); !s.ok()) return Fail(s.error().message);
  Result<long long> ticks = IdleTicks(run.Pid(), idle, "mirvo-tray");
  if (!ticks.ok()) return Fail(ticks.error().message);
  Print("idle_ticks", "mirvo-tray", static_cast<double>(ticks.value()));

  if (Status s = run.RestoreFromTray(); !s.ok()) return Fail(s.error().message);
  const int port = FreeLoopbackPort();
  if (Status s = run.Configure(options.Get("share"), port); !s.ok()) return Fail(s.error().message);
  const Result<double> ms = run.ClickStartAndWaitForDaemon(port);
  if (!ms.ok()) return Fail(ms.error().message);
  sleep(3);  // the window watches a new daemon for its first seconds
  if (Status s = run.HideInTray(); !s.ok()) return Fail(s.error().message);
  ticks = IdleTicks(run.Pid(), idle, "mirvo-tray-daemon");
  if (!ticks.ok()) return Fail(ticks.error().message);
  Print("idle_ticks", "mirvo-tray-daemon", static_cast<double>(ticks.value()));

  if (!options.named.contains("plain-port")) return 0;
  return PullPairs(options.Get("share"), port, static_cast<int>(options.Number("plain-port", 0)),
                   options.Get("module", "test"), options.Get("dest-root"),
                   options.Number("pairs", 5));
}

// The client window: one pull from the plain daemon followed to its end (a line of the result
// log), then idle in the tray: with no transfer running, nothing polls. Then idle again with the
// schedule armed at 90 minutes: its timer is due long after the measurement.
int ClientSession(const Options& options) {
  auto desk = OpenDesk();
  if (!desk) return 1;
  ServerWindowRun run(*desk, options.Get("program"), ServerWindowRun::Which::Client);
  if (Status s = run.Open(); !s.ok()) return Fail(s.error().message);
  // The server address first: nothing may ever go to the window's default address.
  for (const auto& [box, text] : {std::pair<std::string_view, std::string>{"服务端IP", "127.0.0.1"},
                                  {"端口号", options.Get("port")},
                                  {"源共享名", options.Get("module")},
                                  {"目的目录", options.Get("dest")}}) {
    if (Status s = run.TypeInto(box, text); !s.ok()) return Fail(s.error().message);
  }
  const std::string log =
      std::filesystem::path(options.Get("program")).parent_path() / "mirvo-transfers.log";
  run.Click("开始同步");
  const double clicked = Now();
  std::error_code error;
  while (std::filesystem::file_size(log, error) == 0 || error) {
    if (Now() - clicked > 60) return Fail("the transfer was not logged within 60 s");
    usleep(20 * 1000);
  }
  if (Status s = run.HideInTray(); !s.ok()) return Fail(s.error().message);
  Result<long long> ticks =
      IdleTicks(run.Pid(), options.Number("idle-seconds", 10), "mirvo-client-tray");
  if (!ticks.ok()) return Fail(ticks.error().message);
  Print("idle_ticks", "mirvo-client-tray", static_cast<double>(ticks.value()));

  if (Status s = run.RestoreFromTray(); !s.ok()) return Fail(s.error().message);
  if (Status s = run.TypeInto("定时同步值", "90"); !s.ok()) return Fail(s.error().message);
  run.Click("定时同步");
  if (Status s = run.HideInTray(); !s.ok()) return Fail(s.error().message);
  ticks = IdleTicks(run.Pid(), options.Number("idle-seconds", 10), "mirvo-client-armed");
  if (!ticks.ok()) return Fail(ticks.error().message);
  Print("idle_ticks", "mirvo-client-armed", static_cast<double>(ticks.value()));
  return 0;
}

int MakeData(const Options& options) {
  TreePlan plan;
  plan.smallFiles = static_cast<int>(options.Number("small-files", plan.smallFiles));
  plan.largeFiles = static_cast<int>(options.Number("large-files", plan.largeFiles));
  plan.largeBytes = options.Number("large-mb", plan.largeBytes >> 20) << 20;
  const Result<TreeTotals> made = MakeTree(options.Get("root"), plan);
  if (!made.ok()) return Fail(made.error().message);
  std::printf("%lld files, %.1f MB\n", static_cast<long long>(made.value().files),
              static_cast<double>(made.value().bytes) / 1e6);
  return 0;
}

int PrintTable(const Options& options) {
  std::ifstream in(options.Get("results"));
  if (!in) return Fail("cannot read " + options.Get("results"));
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const Table table = RenderTable(ParseSamples(text));
  std::fputs(table.text.c_str(), stdout);
  std::printf("%s\n", table.allTargetsHeld ? "every target held" : "a target was MISSED");
  return table.allTargetsHeld ? 0 : 2;
}

}  // namespace
}  // namespace mirvo::bench

int main(int argc, char** argv) {
  using namespace mirvo::bench;
  const std::string command = argc > 1 ? argv[1] : "";
  const Options options = ParseOptions(argc, argv, 2);
  if (command == "startup") return StartUp(options);
  if (command == "click-start") return ClickStart(options);
  if (command == "daemon-start") return DaemonStart(options);
  if (command == "server-session") return ServerSession(options);
  if (command == "client-session") return ClientSession(options);
  if (command == "make-data") return MakeData(options);
  if (command == "free-port") return std::printf("%d\n", FreeLoopbackPort()) < 0;
  if (command == "table") return PrintTable(options);
  std::fprintf(
      stderr,
      "usage: mirvo_bench_probe startup --as V --title T [--idle-ms N] -- PROGRAM ...\n"
      "       mirvo_bench_probe click-start --program P --share DIR\n"
      "       mirvo_bench_probe client-session --program P --port N --module M --dest DIR\n"
      "                         [--idle-seconds N]\n"
      "       mirvo_bench_probe daemon-start --config FILE\n"
      "       mirvo_bench_probe server-session --program P --share DIR [--idle-seconds N]\n"
      "                         [--plain-port N --dest-root DIR --pairs N --module M]\n"
      "       mirvo_bench_probe make-data --root DIR\n"
      "       mirvo_bench_probe free-port | table --results FILE\n");
  return 64;
}
