#pragma once

#include <thread>

namespace mirvo::app {

// Loads the font configuration (fontconfig reads its dozens of configuration files and its caches)
// on a thread of its own while the main thread connects to the display. The first window needs it
// to measure its Chinese labels, and would otherwise wait for it after the connection was made.
// fontconfig is thread-safe: whichever thread loads the configuration first, the other uses it.
class FontWarmUp {
 public:
  FontWarmUp();
  ~FontWarmUp();  // waits for the thread, which has long finished by then
  FontWarmUp(const FontWarmUp&) = delete;
  FontWarmUp& operator=(const FontWarmUp&) = delete;

 private:
  std::thread thread_;
};

}  // namespace mirvo::app
