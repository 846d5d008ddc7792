#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace mirvo::bench {

// Starts a program with the benchmark's environment; its output goes to /dev/null. -1 on failure.
pid_t Launch(const std::vector<std::string>& argv);
// Runs a program to its end; its exit status, or -1.
int RunToEnd(const std::vector<std::string>& argv);
void EndProcess(pid_t pid);  // SIGKILL, then reap

// A port on 127.0.0.1 that nothing listens on right now.
int FreeLoopbackPort();
// True when something accepts a TCP connection on 127.0.0.1:port.
bool Accepts(int port);

}  // namespace mirvo::bench
