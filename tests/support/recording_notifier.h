#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "client/transfer_follower.h"

namespace mirvo::testing {

struct Notice {
  std::string title;
  std::string text;
};

// Keeps every announced failure in order.
class RecordingNotifier : public TransferNotifier {
 public:
  void AnnounceFailure(std::string_view title, std::string_view text) override {
    notices.push_back({std::string(title), std::string(text)});
    if (whileShowing) whileShowing();
  }
  std::vector<Notice> notices;
  std::function<void()> whileShowing;  // like a message box's own loop, in which timers tick
};

}  // namespace mirvo::testing
