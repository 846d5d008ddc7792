#pragma once

#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace mirvo::ui {

// The ways a Linux session ends a program other than through its windows. SIGTERM (log-out,
// shutdown, kill), SIGHUP (the terminal went away) and SIGINT (Ctrl+C) are turned into a call on
// the event loop: the handler only writes a byte to a pipe, which the loop watches. The loss of the
// display ends the process by exit(1) inside Qt, with no event any more: the last call runs then.
// One instance at a time; it must outlive the event loop and go before what its calls use.
class SessionEnd {
 public:
  SessionEnd(std::function<void()> onSignal, std::function<void()> atExit);
  ~SessionEnd();
  SessionEnd(const SessionEnd&) = delete;
  SessionEnd& operator=(const SessionEnd&) = delete;

 private:
  int pipe_[2] = {-1, -1};
  std::unique_ptr<QSocketNotifier> notifier_;
  std::function<void()> onSignal_;
};

}  // namespace mirvo::ui
