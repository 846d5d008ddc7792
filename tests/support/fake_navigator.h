#pragma once

#include <string>
#include <vector>

#include "console/navigator.h"

namespace mirvo::testing {

// Records the console's window requests in order.
class FakeNavigator : public Navigator {
 public:
  void ShowWindow(std::string_view name) override { calls.push_back("show " + std::string(name)); }
  void UnloadWindow(std::string_view name) override {
    calls.push_back("unload " + std::string(name));
  }
  void ExitNow() override { calls.push_back("exit"); }

  std::vector<std::string> calls;
};

}  // namespace mirvo::testing
