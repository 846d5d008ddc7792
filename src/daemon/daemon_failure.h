#pragma once

#include <string>

namespace mirvo {

// How a daemon the window started came to an end, as the window learns it.
struct DaemonEnd {
  int exitStatus = 0;
  std::string errorOutput;       // its error output followed by the last lines of its own log
  int port = 0;                  // the port it was to listen on; 0 when the text was no number
  int firstBindablePort = 0;     // Platform::FirstBindablePort()
  bool duringStartCheck = true;  // ended in its first seconds rather than later
};

// The message the window shows: what happened, rsync's own words when it gave any (else the
// meaning of its exit status), and for the usual causes what to do about them.
std::string DescribeDaemonEnd(const DaemonEnd& end);

}  // namespace mirvo
