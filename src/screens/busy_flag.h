#pragma once

#include <functional>
#include <vector>

#include "screens/native_window.h"

namespace mirvo::screens {

// Whether one of the program's handlers runs: a click, a tick, a load step, or work posted to the
// main thread. A message box runs an event loop of its own inside the handler that opened it, so
// events arrive while a handler runs: a tick is then dropped (its timer ticks again in its time),
// and posted work is held until the handler has returned, never dropped.
class BusyFlag {
 public:
  explicit BusyFlag(WindowFactory& factory) : factory_(factory) {}
  BusyFlag(const BusyFlag&) = delete;
  BusyFlag& operator=(const BusyFlag&) = delete;

  bool Busy() const { return busy_; }
  // Runs the work later from the event loop, as a handler of its own; callable from any thread.
  void Post(std::function<void()> work);

  // Marks a handler as running for as long as it lives. The outermost guard, when it ends, hands
  // the work held meanwhile back to the event loop.
  class Guard {
   public:
    explicit Guard(BusyFlag& flag) : flag_(flag), outer_(flag.busy_) { flag_.busy_ = true; }
    ~Guard();
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

   private:
    BusyFlag& flag_;
    bool outer_;
  };

 private:
  void RunOrHold(std::function<void()> work);

  WindowFactory& factory_;
  bool busy_ = false;
  std::vector<std::function<void()>> held_;  // posted while a handler ran
};

}  // namespace mirvo::screens
