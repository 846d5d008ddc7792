#pragma once

#include <string>
#include <string_view>

namespace mirvo {

// The kernel keeps a process's image name (comm) cut to 15 bytes; two names match when their
// first 15 bytes agree without regard to ASCII letter case, as Windows compares image names.
bool ImageNamesMatch(std::string_view comm, std::string_view imageName);

// Sends the signal to every live process, other than this one, whose image name matches and that
// this user may signal. Repeats the scan until it finds no new process, so that children forked
// while the scan ran are not missed. Returns how many processes were signalled.
int SignalProcessesNamed(std::string_view imageName, int signal);

// True while a live process, other than this one, has a matching image name and this user may
// signal it: what SignalProcessesNamed would end.
bool ProcessNamedRuns(std::string_view imageName);

}  // namespace mirvo
