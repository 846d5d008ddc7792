#pragma once

#include <functional>

namespace mirvo {

// Hands work to the program's main thread. Post may be called from any thread; the work runs later
// from the event loop, never inside the call. Where the windows are concerned it also never runs
// inside a click, tick or other event handler: it waits until that handler has returned.
class MainThread {
 public:
  virtual ~MainThread() = default;
  virtual void Post(std::function<void()> work) = 0;
};

}  // namespace mirvo
