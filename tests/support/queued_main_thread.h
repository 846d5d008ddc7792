#pragma once

#include <functional>
#include <mutex>
#include <vector>

#include "foundation/main_thread.h"

namespace mirvo::testing {

// Keeps posted work until the test runs it, as the event loop of the main thread would.
class QueuedMainThread : public MainThread {
 public:
  void Post(std::function<void()> work) override {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(std::move(work));
  }
  std::size_t Pending() {
    std::lock_guard<std::mutex> lock(mutex_);
    return queue_.size();
  }
  void RunPosted() {
    std::vector<std::function<void()>> work;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      work.swap(queue_);
    }
    for (std::function<void()>& item : work) item();
  }

 private:
  std::mutex mutex_;
  std::vector<std::function<void()>> queue_;
};

}  // namespace mirvo::testing
