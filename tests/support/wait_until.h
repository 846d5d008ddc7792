#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace mirvo::testing {

// Asks done() again every few milliseconds until it holds or the seconds are up; the answer after
// the last wait counts, so a condition that comes true just in time still passes.
inline bool WaitUntil(const std::function<bool()>& done, int seconds = 15) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < deadline) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return done();
}

}  // namespace mirvo::testing
