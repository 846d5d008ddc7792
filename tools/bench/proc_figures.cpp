#include "proc_figures.h"

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace mirvo::bench {
namespace {

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

template <class Number>
std::optional<Number> NumberAt(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  Number value{};
  const auto [ptr, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || ptr == text.data()) return std::nullopt;
  return value;
}

}  // namespace

namespace {

// The number after "key" on its own line of a /proc/PID/status text.
std::optional<long long> StatusField(std::string_view status, std::string_view key) {
  std::size_t at = 0;
  while (at < status.size()) {
    const std::size_t end = std::min(status.find('\n', at), status.size());
    const std::string_view line = status.substr(at, end - at);
    if (line.substr(0, key.size()) == key) return NumberAt<long long>(line.substr(key.size()));
    at = end + 1;
  }
  return std::nullopt;
}

}  // namespace

std::optional<long> PeakResidentKb(std::string_view status) {
  const std::optional<long long> kb = StatusField(status, "VmHWM:");
  if (!kb) return std::nullopt;
  return static_cast<long>(*kb);
}

std::optional<long long> VoluntarySwitches(std::string_view status) {
  return StatusField(status, "voluntary_ctxt_switches:");
}

std::optional<long long> CpuTicks(std::string_view stat) {
  // Fields after the command name: 3 state, 4 ppid, … 14 utime, 15 stime.
  const std::size_t close = stat.rfind(')');
  if (close == std::string_view::npos) return std::nullopt;
  std::istringstream fields{std::string(stat.substr(close + 1))};
  std::string field;
  long long utime = -1, stime = -1;
  for (int number = 3; fields >> field && number <= 15; ++number) {
    if (number == 14) utime = NumberAt<long long>(field).value_or(-1);
    if (number == 15) stime = NumberAt<long long>(field).value_or(-1);
  }
  if (utime < 0 || stime < 0) return std::nullopt;
  return utime + stime;
}

std::optional<long> PeakResidentKbOf(pid_t pid) {
  return PeakResidentKb(ReadWhole("/proc/" + std::to_string(pid) + "/status"));
}

std::optional<long long> CpuTicksOf(pid_t pid) {
  return CpuTicks(ReadWhole("/proc/" + std::to_string(pid) + "/stat"));
}

std::optional<long long> WakeupsOf(pid_t pid) {
  std::error_code error;
  long long sum = 0;
  bool any = false;
  const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
    if (auto switches = VoluntarySwitches(ReadWhole(task.path().string() + "/status"))) {
      sum += *switches;
      any = true;
    }
  }
  if (!any) return std::nullopt;
  return sum;
}

std::vector<pid_t> ProcessesMatching(std::string_view comm, const std::vector<std::string>& marks) {
  std::vector<pid_t> found;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::string ownComm = ReadWhole("/proc/" + name + "/comm");
    if (!ownComm.empty() && ownComm.back() == '\n') ownComm.pop_back();
    if (ownComm != comm) continue;
    const std::string commandLine = ReadWhole("/proc/" + name + "/cmdline");
    bool all = true;
    for (const std::string& mark : marks) all = all && commandLine.find(mark) != std::string::npos;
    if (all) found.push_back(static_cast<pid_t>(std::atoi(name.c_str())));
  }
  return found;
}

}  // namespace mirvo::bench
