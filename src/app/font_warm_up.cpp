#include "font_warm_up.h"

#include <fontconfig/fontconfig.h>

#include <system_error>

namespace mirvo::app {

FontWarmUp::FontWarmUp() {
  try {
    thread_ = std::thread([] { FcInit(); });
  } catch (const std::system_error&) {
    // No thread: the first window loads the configuration itself, only a little later.
  }
}

FontWarmUp::~FontWarmUp() {
  if (thread_.joinable()) thread_.join();
}

}  // namespace mirvo::app
