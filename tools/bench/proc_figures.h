#pragma once

#include <sys/types.h>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mirvo::bench {

// The peak resident set ("VmHWM:") of a /proc/PID/status text, in kB.
std::optional<long> PeakResidentKb(std::string_view status);

// "voluntary_ctxt_switches:" of a /proc/PID/status (or task) text: how often the thread went to
// sleep and was woken. A timer that fires once a second wakes its thread once a second even when
// its work is too small to show as a CPU tick.
std::optional<long long> VoluntarySwitches(std::string_view status);

// utime + stime of a /proc/PID/stat text, in clock ticks: the process's work so far, all its
// threads together. The command name in parentheses may itself hold spaces and parentheses.
std::optional<long long> CpuTicks(std::string_view stat);

// The same, read from /proc for a live process.
std::optional<long> PeakResidentKbOf(pid_t pid);
std::optional<long long> CpuTicksOf(pid_t pid);
// The voluntary switches of all the process's threads together.
std::optional<long long> WakeupsOf(pid_t pid);

// Processes whose image name (comm) is `comm` and whose command line holds every one of the
// `marks` (arguments are NUL-separated there, so "--port=80" + NUL matches that argument whole):
// how the benchmark finds the daemons a program it started has started in turn.
std::vector<pid_t> ProcessesMatching(std::string_view comm, const std::vector<std::string>& marks);

}  // namespace mirvo::bench
