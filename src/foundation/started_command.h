#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "foundation/main_thread.h"
#include "foundation/result.h"

namespace mirvo {

// The parts of a started command that no operating system decides: the words of a failed start,
// the kept start of its error output, and the news of its end.

// "无法启动程序“WHAT”：REASON", the one wording of a command that could not be started.
Error StartFailure(std::string_view what, std::string_view reason);

// The start of a command's error output, where a failing start says why. Fed from the thread
// that reads the command's pipe; what comes beyond the cap, or after Stop(), is dropped, and the
// reader goes on reading so that the command never blocks on a full pipe.
class ErrorCapture {
 public:
  static constexpr std::size_t kCap = 64 * 1024;

  void Append(const char* bytes, std::size_t size);
  void Stop();
  std::string Text() const;

 private:
  mutable std::mutex mutex_;
  std::string kept_;
  bool capturing_ = true;
};

// Tells a command's end on the main thread, once per Set(). The thread that sees the end calls the
// Teller(); a teller or a posted delivery that comes after the notice is gone does nothing.
class EndNotice {
 public:
  // Without a main thread nothing is ever told.
  explicit EndNotice(MainThread* mainThread);
  ~EndNotice();
  EndNotice(const EndNotice&) = delete;
  EndNotice& operator=(const EndNotice&) = delete;

  // Replaces the callback; when the end has come already, it is told through the event loop.
  void Set(std::function<void()> ended);
  // Says that the command has ended; callable from any thread, any number of times.
  std::function<void()> Teller() const;

  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace mirvo
